#pragma once

#include "platform/mci/MciSendString.h"

#include <string>
#include <string_view>
#include <vector>

namespace mci {

// A command split into its words: the verb, the device (alias, file name or
// "all") and the flag words after it, as typed.
struct CommandLine {
    std::string verb;
    std::string device;
    std::vector<std::string> flags;
};

// Splits `text`. Words are separated by runs of blanks. A device name in
// double quotes runs to the closing quote; for "open" it runs to the last
// quote that ends a word, since file names may themselves hold quotes.
// Fails with MCIERR_MISSING_COMMAND_STRING, MCIERR_MISSING_DEVICE_NAME or
// MCIERR_NO_CLOSING_QUOTE.
MciResult splitCommandLine(std::string_view text, CommandLine& line);

// Lower-cases ASCII letters only, so that keywords and aliases compare the
// same whatever the locale.
std::string asciiLower(std::string_view text);

} // namespace mci
