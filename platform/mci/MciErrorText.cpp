#include "platform/mci/MciSendString.h"

namespace mci {

std::string mciErrorText(MciResult code)
{
    switch (code) {
    case MCIERR_NONE:
        return "The command completed successfully.";
    case MCIERR_UNRECOGNIZED_KEYWORD:
        return "The command contains a keyword the device does not recognise.";
    case MCIERR_UNRECOGNIZED_COMMAND:
        return "The command verb is not recognised.";
    case MCIERR_INVALID_DEVICE_NAME:
        return "The device is not open or its name is not recognised.";
    case MCIERR_CANNOT_LOAD_DRIVER:
        return "The file could not be loaded: it is not audio this device can decode.";
    case MCIERR_MISSING_COMMAND_STRING:
        return "No command was given.";
    case MCIERR_PARAM_OVERFLOW:
        return "The reply does not fit the reply buffer.";
    case MCIERR_BAD_INTEGER:
        return "A number in the command is not a valid integer.";
    case MCIERR_MISSING_PARAMETER:
        return "The command needs a parameter that is missing.";
    case MCIERR_UNSUPPORTED_FUNCTION:
        return "The device does not support this command.";
    case MCIERR_FILE_NOT_FOUND:
        return "The file was not found.";
    case MCIERR_CANNOT_USE_ALL:
        return "The device name 'all' is not allowed with this command.";
    case MCIERR_OUTOFRANGE:
        return "A position or value is out of range.";
    case MCIERR_FLAGS_NOT_COMPATIBLE:
        return "The command contains flags that cannot be used together.";
    case MCIERR_DUPLICATE_ALIAS:
        return "The alias is already in use by another open device.";
    case MCIERR_BAD_CONSTANT:
        return "A value in the command is not one of the allowed words.";
    case MCIERR_MISSING_DEVICE_NAME:
        return "The command names no device.";
    case MCIERR_BAD_TIME_FORMAT:
        return "The time format is not one the device supports.";
    case MCIERR_NO_CLOSING_QUOTE:
        return "A quoted name has no closing quote.";
    case MCIERR_DUPLICATE_FLAGS:
        return "A flag appears more than once in the command.";
    case MCIERR_FILE_READ:
        return "The file could not be read.";
    case MCIERR_ACCESS_DENIED:
        return "The file may not be read: permission denied.";
    case MCIERR_NOT_A_FILE:
        return "The name is not that of a regular file (a folder, a pipe or a device).";
    case MCIERR_CLOSED_WHILE_OPENING:
        return "The device was closed while the file was being opened.";
    }
    return "Unknown media command error " + std::to_string(code) + ".";
}

} // namespace mci
