#include "platform/mci/CommandLine.h"

namespace mci {

namespace {

    bool isBlank(char c)
    {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n';
    }

    std::size_t skipBlanks(std::string_view text, std::size_t at)
    {
        while (at < text.size() && isBlank(text[at]))
            ++at;
        return at;
    }

    std::size_t wordEnd(std::string_view text, std::size_t at)
    {
        while (at < text.size() && !isBlank(text[at]))
            ++at;
        return at;
    }

    // The closing quote of an open command's file name: the last quote after
    // `opening` that is followed by a blank or ends the text.
    std::size_t lastClosingQuote(std::string_view text, std::size_t opening)
    {
        for (std::size_t at = text.size(); at-- > opening + 1;) {
            if (text[at] == '"' && (at + 1 == text.size() || isBlank(text[at + 1])))
                return at;
        }
        return std::string_view::npos;
    }

} // namespace

std::string asciiLower(std::string_view text)
{
    std::string lowered(text);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return lowered;
}

MciResult splitCommandLine(std::string_view text, CommandLine& line)
{
    std::size_t at = skipBlanks(text, 0);
    if (at == text.size())
        return MCIERR_MISSING_COMMAND_STRING;
    std::size_t end = wordEnd(text, at);
    line.verb = asciiLower(text.substr(at, end - at));

    at = skipBlanks(text, end);
    if (at == text.size())
        return MCIERR_MISSING_DEVICE_NAME;
    if (text[at] == '"') {
        const std::size_t closing
            = line.verb == "open" ? lastClosingQuote(text, at) : text.find('"', at + 1);
        if (closing == std::string_view::npos)
            return MCIERR_NO_CLOSING_QUOTE;
        line.device = std::string(text.substr(at + 1, closing - at - 1));
        at = closing + 1;
        if (line.device.empty())
            return MCIERR_MISSING_DEVICE_NAME;
    } else {
        end = wordEnd(text, at);
        line.device = std::string(text.substr(at, end - at));
        at = end;
    }

    for (at = skipBlanks(text, at); at < text.size(); at = skipBlanks(text, end)) {
        end = wordEnd(text, at);
        line.flags.emplace_back(text.substr(at, end - at));
    }
    return MCIERR_NONE;
}

} // namespace mci
