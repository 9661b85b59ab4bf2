#pragma once

#include "media/MovieModule.h"

#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace fakes {

// A media command function that records every call and answers from a
// script: each call takes the next scripted answer (or succeeds silently).
struct ScriptedDevice {
    struct Answer {
        std::uint32_t result = 0;
        // Written NUL-terminated at the start of the reply buffer; nothing is
        // written when empty, like a device that fails without answering.
        std::optional<std::string> reply;
    };
    struct Call {
        std::string command;
        std::uint32_t replyLength;
        std::intptr_t callbackWindow;
        // The reply buffer as the device received it, all replyLength bytes.
        std::string bufferIn;
    };

    std::deque<Answer> script;
    std::vector<Call> calls;

    // Answers the next call with a reply text (result 0).
    void reply(const std::string& text, std::uint32_t result = 0)
    {
        script.push_back({ result, text });
    }
    // Answers the next call with a result code and no reply.
    void fail(std::uint32_t result) { script.push_back({ result, std::nullopt }); }

    std::vector<std::string> commands() const
    {
        std::vector<std::string> sent;
        for (const Call& call : calls)
            sent.push_back(call.command);
        return sent;
    }

    MciCommandFunction function()
    {
        return [this](const char* command, char* buffer, std::uint32_t length,
                   std::intptr_t callbackWindow) -> std::uint32_t {
            Call call { command, length, callbackWindow, {} };
            if (buffer != nullptr && length > 0)
                call.bufferIn.assign(buffer, length);
            calls.push_back(call);
            Answer answer;
            if (!script.empty()) {
                answer = script.front();
                script.pop_front();
            }
            if (answer.reply && buffer != nullptr && length > 0) {
                const std::size_t n = std::min<std::size_t>(answer.reply->size(), length - 1);
                std::memcpy(buffer, answer.reply->data(), n);
                buffer[n] = '\0';
            }
            return answer.result;
        };
    }
};

} // namespace fakes
