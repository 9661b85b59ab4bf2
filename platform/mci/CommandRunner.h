#pragma once

#include "platform/mci/MciSendString.h"

#include <mutex>
#include <string>
#include <string_view>

namespace mci {

class DeviceRegistry;

// Carries out one command on the devices of `registry`, whose lock the caller
// holds in `lock`; `reply` receives the reply text, if the command has one.
// An open lets go of the lock while it reads the file, so that commands to
// the devices already open are not held up by the walk over a long file.
MciResult runCommand(DeviceRegistry& registry, std::unique_lock<std::mutex>& lock,
    std::string_view text, std::string& reply);

} // namespace mci
