#pragma once

#include "media/MovieModule.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace harness {

// A media command function that records every call and answers each from
// `answer`.
class RecordingMci {
public:
    struct Reply {
        // Written into the reply buffer, cut to fit and NUL-terminated; when
        // absent the buffer is left as it was, as by a device that fails
        // without answering.
        std::optional<std::string> text;
        std::uint32_t code = 0; // the result code returned
    };
    struct Call {
        std::string command;
        std::uint32_t replyLength;
        std::intptr_t callbackWindow;
        std::string bufferIn; // the reply buffer as the device got it, all replyLength bytes
    };

    // Every command, in the order sent, and the same calls in full.
    std::vector<std::string> commands;
    std::vector<Call> calls;
    // Answers every command (when empty: no text, code 0).
    std::function<Reply(const std::string& command)> answer;

    void clear()
    {
        commands.clear();
        calls.clear();
    }

    // How often a command was sent.
    std::size_t count(const std::string& command) const
    {
        return static_cast<std::size_t>(std::count(commands.begin(), commands.end(), command));
    }

    // The function to hand to MovieModule or Form1::Environment.
    MciCommandFunction function()
    {
        return [this](const char* command, char* buffer, std::uint32_t length,
                   std::intptr_t callbackWindow) {
            const bool hasBuffer = buffer != nullptr && length > 0;
            {
                // An open is sent from a thread of its own while the window
                // sends on.
                const std::lock_guard lock(recording_);
                commands.emplace_back(command);
                calls.push_back(Call { command, length, callbackWindow,
                    hasBuffer ? std::string(buffer, length) : std::string() });
            }
            const Reply reply = answer ? answer(command) : Reply {};
            if (reply.text && hasBuffer) {
                const std::size_t n = std::min<std::size_t>(reply.text->size(), length - 1);
                std::memcpy(buffer, reply.text->data(), n);
                buffer[n] = '\0';
            }
            return reply.code;
        };
    }

private:
    std::mutex recording_;
};

} // namespace harness
