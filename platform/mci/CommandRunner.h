#pragma once

#include "platform/mci/MciSendString.h"

#include <string>
#include <string_view>

namespace mci {

class DeviceRegistry;

// Carries out one command on the devices of `registry`, whose lock the caller
// holds; `reply` receives the reply text, if the command has one.
MciResult runCommand(DeviceRegistry& registry, std::string_view text, std::string& reply);

} // namespace mci
