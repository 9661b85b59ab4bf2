#include "platform/mci/DeviceRegistry.h"

#include "platform/mci/CommandLine.h"

namespace mci {

DeviceRegistry& DeviceRegistry::instance()
{
    static DeviceRegistry registry;
    return registry;
}

DeviceRegistry::~DeviceRegistry()
{
    closeAll();
}

std::string DeviceRegistry::key(std::string_view name)
{
    return asciiLower(name);
}

OpenDevice* DeviceRegistry::find(std::string_view name)
{
    const auto found = devices_.find(key(name));
    return found == devices_.end() ? nullptr : found->second.get();
}

OpenDevice& DeviceRegistry::add(std::string_view name, Mp3File file)
{
    output_.prepare();
    auto device = std::make_unique<OpenDevice>(nextId_++, std::move(file), output_);
    OpenDevice& added = *device;
    devices_[key(name)] = std::move(device);
    return added;
}

bool DeviceRegistry::close(std::string_view name)
{
    bool pending = false;
    for (auto& [pendingName, stop] : pendingOpens_) {
        if (pendingName == key(name)) {
            stop.request_stop();
            pending = true;
        }
    }
    return devices_.erase(key(name)) > 0 || pending;
}

void DeviceRegistry::closeAll()
{
    for (auto& pending : pendingOpens_)
        pending.second.request_stop();
    devices_.clear();
}

DeviceRegistry::PendingOpen::PendingOpen(DeviceRegistry& registry, std::string_view name)
    : registry_(registry)
    , entry_(registry.pendingOpens_.emplace(
          registry.pendingOpens_.end(), key(name), std::stop_source {}))
{
}

DeviceRegistry::PendingOpen::~PendingOpen()
{
    registry_.pendingOpens_.erase(entry_);
}

} // namespace mci
