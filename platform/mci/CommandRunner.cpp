#include "platform/mci/CommandRunner.h"

#include "platform/mci/Command.h"
#include "platform/mci/DeviceRegistry.h"

#include <variant>

namespace mci {

namespace {

    const char* modeWord(MpegVideoDevice::Mode mode)
    {
        switch (mode) {
        case MpegVideoDevice::Mode::Playing:
            return "playing";
        case MpegVideoDevice::Mode::Paused:
            return "paused";
        case MpegVideoDevice::Mode::Stopped:
            break;
        }
        return "stopped";
    }

    MciResult open(DeviceRegistry& registry, std::unique_lock<std::mutex>& lock,
        const Command& command, std::string& reply)
    {
        const std::string& name = command.alias ? *command.alias : command.device;
        if (asciiLower(name) == "all")
            return MCIERR_CANNOT_USE_ALL;
        if (registry.find(name))
            return MCIERR_DUPLICATE_ALIAS;
        // Closing the name, or all, meanwhile stops the walk over the file.
        const DeviceRegistry::PendingOpen pending(registry, name);
        lock.unlock();
        auto opened = openMp3File(std::filesystem::path(command.device), pending.stopToken());
        lock.lock();
        if (pending.stopped())
            return MCIERR_CLOSED_WHILE_OPENING;
        if (auto* failure = std::get_if<MciResult>(&opened))
            return *failure;
        // Another open may have taken the name meanwhile.
        if (registry.find(name))
            return MCIERR_DUPLICATE_ALIAS;
        OpenDevice& device = registry.add(name, std::move(std::get<Mp3File>(opened)));
        device.parentWindow = command.parent.value_or(0);
        device.style = command.style.value_or("");
        reply = std::to_string(device.id);
        return MCIERR_NONE;
    }

    MciResult status(MpegVideoDevice& device, StatusItem item, std::string& reply)
    {
        switch (item) {
        case StatusItem::Length:
            reply = std::to_string(device.lengthMs());
            break;
        case StatusItem::Position:
            reply = std::to_string(device.positionMs());
            break;
        case StatusItem::Mode:
            reply = modeWord(device.mode());
            break;
        case StatusItem::Ready:
            reply = "true";
            break;
        case StatusItem::TimeFormat:
            reply = "milliseconds";
            break;
        case StatusItem::Audio:
            reply = device.audible() ? "on" : "off";
            break;
        }
        return MCIERR_NONE;
    }

    MciResult seek(MpegVideoDevice& device, const Command& command)
    {
        if (command.toStart)
            return device.seek(0);
        if (command.toEnd)
            return device.seek(device.lengthMs());
        return device.seek(*command.to);
    }

    MciResult run(MpegVideoDevice& device, const Command& command, std::string& reply)
    {
        switch (command.verb) {
        case Verb::Play:
            return device.play(command.from, command.to);
        case Verb::Pause:
            return device.pause();
        case Verb::Resume:
            return device.resume();
        case Verb::Stop:
            return device.stop();
        case Verb::Seek:
            return seek(device, command);
        case Verb::Status:
            return status(device, *command.item, reply);
        case Verb::Set:
            return MCIERR_NONE; // milliseconds are the only time format, and the default
        default:
            return MCIERR_UNSUPPORTED_FUNCTION;
        }
    }

} // namespace

MciResult runCommand(DeviceRegistry& registry, std::unique_lock<std::mutex>& lock,
    std::string_view text, std::string& reply)
{
    CommandLine line;
    Command command;
    // An unknown verb is reported before anything wrong after it.
    const MciResult split = splitCommandLine(text, line);
    if (split == MCIERR_MISSING_COMMAND_STRING)
        return split;
    if (const MciResult result = readVerb(line.verb, command.verb))
        return result;
    if (split != MCIERR_NONE)
        return split;
    command.device = line.device;
    const bool all = asciiLower(line.device) == "all";

    if (command.verb == Verb::Open) {
        if (all)
            return MCIERR_CANNOT_USE_ALL;
        if (const MciResult result = readFlags(line, command))
            return result;
        return open(registry, lock, command, reply);
    }
    if (command.verb == Verb::Close && all) {
        if (const MciResult result = readFlags(line, command))
            return result;
        registry.closeAll();
        return MCIERR_NONE;
    }
    if (all)
        return MCIERR_CANNOT_USE_ALL;
    if (command.verb == Verb::Close && line.flags.empty() && registry.close(line.device))
        return MCIERR_NONE;
    OpenDevice* device = registry.find(line.device);
    if (!device)
        return MCIERR_INVALID_DEVICE_NAME;
    if (command.verb == Verb::Unsupported)
        return MCIERR_UNSUPPORTED_FUNCTION;
    if (const MciResult result = readFlags(line, command))
        return result;
    if (command.verb == Verb::Close) {
        registry.close(line.device);
        return MCIERR_NONE;
    }
    return run(device->device, command, reply);
}

} // namespace mci
