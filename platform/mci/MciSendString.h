#pragma once

#include <cstdint>
#include <string>

// The media command interface: every media device of the program is driven
// through text commands such as "open \"a.mp3\" type mpegvideo alias movie".
namespace mci {

using MciResult = std::uint32_t;

// Result codes, with the values callers of such an interface know.
enum MciError : MciResult {
    MCIERR_NONE = 0,
    MCIERR_UNRECOGNIZED_KEYWORD = 259,
    MCIERR_UNRECOGNIZED_COMMAND = 261,
    MCIERR_INVALID_DEVICE_NAME = 263,
    MCIERR_CANNOT_LOAD_DRIVER = 266,
    MCIERR_MISSING_COMMAND_STRING = 267,
    MCIERR_PARAM_OVERFLOW = 268,
    MCIERR_BAD_INTEGER = 270,
    MCIERR_MISSING_PARAMETER = 273,
    MCIERR_UNSUPPORTED_FUNCTION = 274,
    MCIERR_FILE_NOT_FOUND = 275,
    MCIERR_CANNOT_USE_ALL = 279,
    MCIERR_OUTOFRANGE = 282,
    MCIERR_FLAGS_NOT_COMPATIBLE = 284,
    MCIERR_DUPLICATE_ALIAS = 289,
    MCIERR_BAD_CONSTANT = 290,
    MCIERR_MISSING_DEVICE_NAME = 292,
    MCIERR_BAD_TIME_FORMAT = 293,
    MCIERR_NO_CLOSING_QUOTE = 294,
    MCIERR_DUPLICATE_FLAGS = 295,
    MCIERR_FILE_READ = 348,
    // Codes of the MP3 device of its own start at 512, above the common ones.
    MCIERR_ACCESS_DENIED = 512,
    MCIERR_NOT_A_FILE = 513,
    MCIERR_CLOSED_WHILE_OPENING = 514,
};

// Sends one command (UTF-8 text). The reply, if any, is written NUL-terminated
// into `reply`, which holds `replyLength` bytes including the NUL; a length of 0
// or a null buffer means no reply is wanted. `callbackWindow` is accepted and
// unused. Returns 0 or one of the codes above. Safe to call from the UI thread
// at any rate: it never blocks for long.
MciResult mciSendString(
    const char* command, char* reply, std::uint32_t replyLength, std::intptr_t callbackWindow);

// A readable sentence for a result code, for diagnostics and tests.
std::string mciErrorText(MciResult code);

} // namespace mci
