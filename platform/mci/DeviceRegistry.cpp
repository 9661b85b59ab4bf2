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
    return devices_.erase(key(name)) > 0;
}

void DeviceRegistry::closeAll()
{
    devices_.clear();
}

} // namespace mci
