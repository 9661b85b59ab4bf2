#include "platform/mci/Command.h"

#include <array>
#include <charconv>
#include <limits>
#include <set>
#include <string_view>

namespace mci {

namespace {

    struct VerbName {
        std::string_view word;
        Verb verb;
    };

    // Commands the interface knows; those this device cannot carry out are
    // recognised but unsupported.
    constexpr std::array kVerbs {
        VerbName { "open", Verb::Open },
        VerbName { "close", Verb::Close },
        VerbName { "play", Verb::Play },
        VerbName { "pause", Verb::Pause },
        VerbName { "resume", Verb::Resume },
        VerbName { "stop", Verb::Stop },
        VerbName { "seek", Verb::Seek },
        VerbName { "set", Verb::Set },
        VerbName { "status", Verb::Status },
        VerbName { "capability", Verb::Unsupported },
        VerbName { "configure", Verb::Unsupported },
        VerbName { "copy", Verb::Unsupported },
        VerbName { "cue", Verb::Unsupported },
        VerbName { "cut", Verb::Unsupported },
        VerbName { "delete", Verb::Unsupported },
        VerbName { "freeze", Verb::Unsupported },
        VerbName { "info", Verb::Unsupported },
        VerbName { "list", Verb::Unsupported },
        VerbName { "load", Verb::Unsupported },
        VerbName { "paste", Verb::Unsupported },
        VerbName { "put", Verb::Unsupported },
        VerbName { "realize", Verb::Unsupported },
        VerbName { "record", Verb::Unsupported },
        VerbName { "save", Verb::Unsupported },
        VerbName { "setaudio", Verb::Unsupported },
        VerbName { "setvideo", Verb::Unsupported },
        VerbName { "signal", Verb::Unsupported },
        VerbName { "step", Verb::Unsupported },
        VerbName { "undo", Verb::Unsupported },
        VerbName { "unfreeze", Verb::Unsupported },
        VerbName { "update", Verb::Unsupported },
        VerbName { "where", Verb::Unsupported },
        VerbName { "window", Verb::Unsupported },
    };

    // The flag words of one command, read front to back.
    class FlagWords {
    public:
        explicit FlagWords(const std::vector<std::string>& words)
            : words_(words)
        {
        }

        bool atEnd() const { return next_ == words_.size(); }
        std::string keyword() { return asciiLower(words_[next_++]); }
        bool value(std::string& out)
        {
            if (atEnd())
                return false;
            out = words_[next_++];
            return true;
        }
        // Notes a flag; false when it came before.
        bool firstTime(const std::string& flag) { return seen_.insert(flag).second; }

    private:
        const std::vector<std::string>& words_;
        std::size_t next_ = 0;
        std::set<std::string> seen_;
    };

    // A whole number in decimal, optionally negative; numbers beyond any
    // position are kept as out of range rather than as malformed.
    MciResult readInteger(const std::string& word, std::int64_t& out)
    {
        const char* first = word.data();
        const char* last = word.data() + word.size();
        const bool negative = first != last && *first == '-';
        const char* digits = negative ? first + 1 : first;
        if (digits == last)
            return MCIERR_BAD_INTEGER;
        for (const char* c = digits; c != last; ++c) {
            if (*c < '0' || *c > '9')
                return MCIERR_BAD_INTEGER;
        }
        const auto [end, error] = std::from_chars(first, last, out);
        if (error == std::errc::result_out_of_range)
            out = negative ? std::numeric_limits<std::int64_t>::min()
                           : std::numeric_limits<std::int64_t>::max();
        return end == last || error == std::errc::result_out_of_range ? MCIERR_NONE
                                                                      : MCIERR_BAD_INTEGER;
    }

    MciResult readIntegerFlag(FlagWords& words, std::optional<std::int64_t>& out)
    {
        std::string word;
        if (!words.value(word))
            return MCIERR_MISSING_PARAMETER;
        std::int64_t value = 0;
        if (const MciResult result = readInteger(word, value))
            return result;
        out = value;
        return MCIERR_NONE;
    }

    MciResult readOpenFlag(const std::string& flag, FlagWords& words, Command& command)
    {
        std::string word;
        if (flag == "shareable")
            return MCIERR_NONE;
        if (flag != "type" && flag != "alias" && flag != "parent" && flag != "style")
            return MCIERR_UNRECOGNIZED_KEYWORD;
        if (!words.value(word))
            return MCIERR_MISSING_PARAMETER;
        if (flag == "type")
            return asciiLower(word) == "mpegvideo" ? MCIERR_NONE : MCIERR_INVALID_DEVICE_NAME;
        if (flag == "alias") {
            command.alias = word;
            return MCIERR_NONE;
        }
        if (flag == "parent") {
            std::int64_t handle = 0;
            if (const MciResult result = readInteger(word, handle))
                return result;
            command.parent = std::intptr_t(handle);
            return MCIERR_NONE;
        }
        const std::string style = asciiLower(word);
        std::int64_t numeric = 0;
        if (style != "child" && style != "overlapped" && style != "popup"
            && readInteger(word, numeric) != MCIERR_NONE)
            return MCIERR_BAD_CONSTANT;
        command.style = style;
        return MCIERR_NONE;
    }

    MciResult readPlayFlag(const std::string& flag, FlagWords& words, Command& command)
    {
        if (flag == "from")
            return readIntegerFlag(words, command.from);
        if (flag == "to")
            return readIntegerFlag(words, command.to);
        return MCIERR_UNRECOGNIZED_KEYWORD;
    }

    MciResult readSeekFlag(const std::string& flag, FlagWords& words, Command& command)
    {
        if (flag != "to")
            return MCIERR_UNRECOGNIZED_KEYWORD;
        std::string word;
        if (!words.value(word))
            return MCIERR_MISSING_PARAMETER;
        const std::string target = asciiLower(word);
        command.toStart = target == "start";
        command.toEnd = target == "end";
        if (command.toStart || command.toEnd)
            return MCIERR_NONE;
        std::int64_t position = 0;
        if (const MciResult result = readInteger(word, position))
            return result;
        command.to = position;
        return MCIERR_NONE;
    }

    MciResult readSetFlag(const std::string& flag, FlagWords& words, Command& command)
    {
        if (flag != "time")
            return MCIERR_UNRECOGNIZED_KEYWORD;
        std::string word;
        if (!words.value(word))
            return MCIERR_MISSING_PARAMETER;
        if (asciiLower(word) != "format")
            return MCIERR_UNRECOGNIZED_KEYWORD;
        if (!words.value(word))
            return MCIERR_MISSING_PARAMETER;
        const std::string format = asciiLower(word);
        if (format != "ms" && format != "milliseconds")
            return MCIERR_BAD_TIME_FORMAT;
        command.setTimeFormatMs = true;
        return MCIERR_NONE;
    }

    MciResult readStatusItem(const std::string& flag, FlagWords& words, Command& command)
    {
        StatusItem item;
        if (flag == "length")
            item = StatusItem::Length;
        else if (flag == "position")
            item = StatusItem::Position;
        else if (flag == "mode")
            item = StatusItem::Mode;
        else if (flag == "ready")
            item = StatusItem::Ready;
        else if (flag == "audio")
            item = StatusItem::Audio;
        else if (flag == "time") {
            std::string word;
            if (!words.value(word))
                return MCIERR_MISSING_PARAMETER;
            if (asciiLower(word) != "format")
                return MCIERR_UNRECOGNIZED_KEYWORD;
            item = StatusItem::TimeFormat;
        } else
            return MCIERR_UNRECOGNIZED_KEYWORD;
        if (command.item)
            return MCIERR_FLAGS_NOT_COMPATIBLE;
        command.item = item;
        return MCIERR_NONE;
    }

    MciResult readVerbFlag(const std::string& flag, FlagWords& words, Command& command)
    {
        switch (command.verb) {
        case Verb::Open:
            return readOpenFlag(flag, words, command);
        case Verb::Play:
            return readPlayFlag(flag, words, command);
        case Verb::Seek:
            return readSeekFlag(flag, words, command);
        case Verb::Set:
            return readSetFlag(flag, words, command);
        case Verb::Status:
            return readStatusItem(flag, words, command);
        default:
            return MCIERR_UNRECOGNIZED_KEYWORD;
        }
    }

    // What the verb cannot do without.
    MciResult checkComplete(const Command& command)
    {
        if (command.verb == Verb::Seek && !command.to && !command.toStart && !command.toEnd)
            return MCIERR_MISSING_PARAMETER;
        if (command.verb == Verb::Set && !command.setTimeFormatMs)
            return MCIERR_MISSING_PARAMETER;
        if (command.verb == Verb::Status && !command.item)
            return MCIERR_MISSING_PARAMETER;
        return MCIERR_NONE;
    }

} // namespace

MciResult readVerb(const std::string& word, Verb& verb)
{
    for (const auto& known : kVerbs) {
        if (known.word == word) {
            verb = known.verb;
            return MCIERR_NONE;
        }
    }
    return MCIERR_UNRECOGNIZED_COMMAND;
}

MciResult readFlags(const CommandLine& line, Command& command)
{
    FlagWords words(line.flags);
    while (!words.atEnd()) {
        const std::string flag = words.keyword();
        if (!words.firstTime(flag))
            return MCIERR_DUPLICATE_FLAGS;
        if (flag == "wait" || flag == "notify")
            continue;
        if (const MciResult result = readVerbFlag(flag, words, command))
            return result;
    }
    return checkComplete(command);
}

} // namespace mci
