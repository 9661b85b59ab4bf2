#pragma once

#include "platform/mci/CommandLine.h"
#include "platform/mci/MciSendString.h"

#include <cstdint>
#include <optional>
#include <string>

namespace mci {

enum class Verb { Open, Close, Play, Pause, Resume, Stop, Seek, Set, Status, Unsupported };

enum class StatusItem { Length, Position, Mode, Ready, TimeFormat, Audio };

// A command with its flags read and checked, ready to run.
struct Command {
    Verb verb = Verb::Unsupported;
    std::string device;

    // open
    std::optional<std::string> alias;
    std::optional<std::intptr_t> parent;
    std::optional<std::string> style;
    // play, seek; seek "to start" and "to end" set the flags below instead
    std::optional<std::int64_t> from;
    std::optional<std::int64_t> to;
    bool toStart = false;
    bool toEnd = false;
    // set
    bool setTimeFormatMs = false;
    // status
    std::optional<StatusItem> item;
};

// Which verb a word names; MCIERR_UNRECOGNIZED_COMMAND when none.
MciResult readVerb(const std::string& word, Verb& verb);

// Reads the flags of `line` for its verb into `command`: MCIERR_UNRECOGNIZED_KEYWORD,
// MCIERR_MISSING_PARAMETER, MCIERR_BAD_INTEGER, MCIERR_DUPLICATE_FLAGS,
// MCIERR_FLAGS_NOT_COMPATIBLE, MCIERR_BAD_CONSTANT, MCIERR_BAD_TIME_FORMAT or
// MCIERR_INVALID_DEVICE_NAME (an open of an unknown device type) when they are wrong.
MciResult readFlags(const CommandLine& line, Command& command);

} // namespace mci
