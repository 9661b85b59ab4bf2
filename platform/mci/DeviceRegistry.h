#pragma once

#include "platform/audio/AudioSystem.h"
#include "platform/mci/MpegVideoDevice.h"

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>

namespace mci {

// A device opened by a command, with what its open command said about it.
struct OpenDevice {
    std::uint32_t id = 0;
    std::intptr_t parentWindow = 0;
    std::string style;
    MpegVideoDevice device;

    OpenDevice(std::uint32_t deviceId, Mp3File file, audio::AudioOutput& output)
        : id(deviceId)
        , device(std::move(file), output)
    {
    }
};

// Every device the process has open, by alias (or by file name when opened
// without one); names compare without regard to case. One per process, since
// the command interface is a free function; commands hold its lock throughout.
class DeviceRegistry {
public:
    static DeviceRegistry& instance();

    std::mutex& mutex() { return mutex_; }

    OpenDevice* find(std::string_view name);
    OpenDevice& add(std::string_view name, Mp3File file);
    // Closes the device of that name and asks an open under way under it to
    // stop; false when there is neither.
    bool close(std::string_view name);
    void closeAll();

    // An open under way under `name`, from construction to destruction, made
    // and ended under the registry's lock: closing that name, or all, asks it
    // to stop.
    class PendingOpen {
    public:
        PendingOpen(DeviceRegistry& registry, std::string_view name);
        ~PendingOpen();
        PendingOpen(const PendingOpen&) = delete;
        PendingOpen& operator=(const PendingOpen&) = delete;

        std::stop_token stopToken() const { return entry_->second.get_token(); }
        bool stopped() const { return entry_->second.stop_requested(); }

    private:
        DeviceRegistry& registry_;
        std::list<std::pair<std::string, std::stop_source>>::iterator entry_;
    };

private:
    DeviceRegistry() = default;
    ~DeviceRegistry();

    static std::string key(std::string_view name);

    std::mutex mutex_;
    // Declared before the devices so that they outlive them.
    audio::AudioSystem audio_;
    audio::AudioOutput output_ { audio_ };
    std::map<std::string, std::unique_ptr<OpenDevice>> devices_;
    std::list<std::pair<std::string, std::stop_source>> pendingOpens_;
    std::uint32_t nextId_ = 1;
};

} // namespace mci
