#include "platform/mci/MciSendString.h"

#include "platform/mci/CommandRunner.h"
#include "platform/mci/DeviceRegistry.h"

#include <cstring>
#include <mutex>

namespace mci {

MciResult mciSendString(const char* command, char* reply, std::uint32_t replyLength,
    std::intptr_t /*callbackWindow: no notices are posted*/)
{
    std::string text;
    MciResult result = MCIERR_MISSING_COMMAND_STRING;
    if (command) {
        DeviceRegistry& registry = DeviceRegistry::instance();
        std::unique_lock lock(registry.mutex());
        result = runCommand(registry, lock, command, text);
    }

    const bool replyWanted = reply && replyLength > 0;
    if (!replyWanted)
        return result;
    if (result != MCIERR_NONE) {
        reply[0] = '\0';
        return result;
    }
    if (text.size() + 1 > replyLength)
        return MCIERR_PARAM_OVERFLOW;
    std::memcpy(reply, text.c_str(), text.size() + 1);
    return MCIERR_NONE;
}

} // namespace mci
