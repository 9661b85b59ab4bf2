#pragma once

#include <chrono>
#include <filesystem>
#include <thread>

namespace fifos {

// Opens the FIFO at `fifo` for writing for a moment, which lets a reader
// blocked in opening it go on (and read the end of the stream). Does nothing
// when no one is waiting.
void releaseFifoReader(const std::filesystem::path& fifo);

// Releases a reader of the FIFO once `after` has passed, unless destroyed
// first: code that wrongly waits on the FIFO then fails its test instead of
// hanging it.
class FifoReleaser {
public:
    FifoReleaser(std::filesystem::path fifo, std::chrono::milliseconds after);

private:
    std::jthread thread_;
};

} // namespace fifos
