#pragma once

// The fuzzer's bytes as a file, which is what the MP3 code reads: an
// anonymous file in memory, reachable by descriptor and by path.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace fuzz {

class InputFile {
public:
    InputFile(const std::uint8_t* data, std::size_t size)
        : fd_(::memfd_create("fuzz-input", MFD_CLOEXEC))
    {
        if (fd_ < 0)
            std::abort();
        for (std::size_t written = 0; written < size;) {
            const ssize_t count = ::write(fd_, data + written, size - written);
            if (count <= 0)
                std::abort();
            written += static_cast<std::size_t>(count);
        }
    }
    ~InputFile() { ::close(fd_); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    int fd() const { return fd_; }
    std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_;
};

// Stops the run with a message when a property of a result does not hold:
// the fuzzer keeps the input that broke it.
inline void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "fuzz property broken: %s\n", what);
        std::abort();
    }
}

} // namespace fuzz
