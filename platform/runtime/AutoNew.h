#pragma once

#include <functional>
#include <memory>

namespace rt {

// A field that creates its object on first use and keeps it from then on:
// every use through -> or * first creates the object if there is none yet.
template <class T> class AutoNew {
public:
    explicit AutoNew(std::function<std::unique_ptr<T>()> factory)
        : factory_(std::move(factory))
    {
    }

    T* operator->() { return &get(); }
    T& operator*() { return get(); }
    bool exists() const { return object_ != nullptr; }

private:
    T& get()
    {
        if (!object_)
            object_ = factory_();
        return *object_;
    }

    std::function<std::unique_ptr<T>()> factory_;
    std::unique_ptr<T> object_;
};

} // namespace rt
