#pragma once

#include "platform/mp3/FrameIndex.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stop_token>

struct mpg123_handle_struct;

namespace mp3 {

// One libmpg123 decoder over one file, giving 16-bit samples at the file's own
// rate with the encoder's delay and padding trimmed (gapless). It reads the
// file itself, a little at a time, and gives up reading as soon as `stop` is
// requested, so that even a long seek ends promptly when it is no longer wanted.
class Mp3Decoder {
public:
    enum class Read { Data, End, Failed };

    Mp3Decoder();
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    // Opens the file for any channel count and rate; false when it cannot be
    // opened or holds no audio libmpg123 can decode. `audioStart` is where the
    // audio begins, past the tags at the start of the file: libmpg123 sees the
    // file from there on, so tags before it cost nothing however long they are.
    bool open(
        const std::filesystem::path& path, std::int64_t audioStart = 0, std::stop_token stop = {});
    // Opens the file, which must decode to the given format.
    bool open(const std::filesystem::path& path, std::int64_t audioStart, long sampleRate,
        int channels, std::stop_token stop = {});
    // The same for the file open on `fd`, read through a duplicate of it, so
    // that what is decoded is that very file whatever its name names now.
    bool open(int fd, std::int64_t audioStart, std::stop_token stop = {});
    bool open(
        int fd, std::int64_t audioStart, long sampleRate, int channels, std::stop_token stop = {});
    // Opens only the bytes from offset `begin` up to `end` of the file open on
    // `fd`, as if they were a file of their own.
    bool openBytes(int fd, std::int64_t begin, std::int64_t end);

    // From the next open on, both channels are mixed into one, which decodes
    // faster when only the loudness matters.
    void setMixToMono(bool mix) { mixToMono_ = mix; }

    long sampleRate() const { return sampleRate_; }
    int channels() const { return channels_; }
    // Samples per channel of the whole track as the decoder sees it now: exact
    // when an info tag gave the frame count, otherwise only an estimate.
    std::int64_t length() const;
    // Samples per channel that gapless decoding drops from the start: the
    // encoder's delay from the LAME tag plus the decoder's own; 0 when the
    // file tells no encoder delay.
    std::int64_t gaplessTrim() const;

    // Lets seeks jump through a frame index found elsewhere, whose offsets
    // count from the start of the file.
    void useIndex(const FrameIndex& index);
    // Moves to sample `sample` (per channel); false on failure.
    bool seek(std::int64_t sample);
    // Decodes up to `capacity` bytes into `out`; `got` receives the byte count.
    Read read(std::uint8_t* out, std::size_t capacity, std::size_t& got);

private:
    struct Deleter {
        void operator()(mpg123_handle_struct* handle) const;
    };
    struct Source;

    static constexpr std::int64_t kToTheEnd = INT64_MAX;

    bool openWithFormats(std::unique_ptr<Source> source, long sampleRate, int channels);
    bool formatIsTheTracks() const;

    std::unique_ptr<Source> source_;
    std::unique_ptr<mpg123_handle_struct, Deleter> handle_;
    long sampleRate_ = 0;
    int channels_ = 0;
    int failuresInARow_ = 0;
    // False while libmpg123 decodes frames of a format other than the track's.
    bool formatMatches_ = true;
    bool mixToMono_ = false;
};

// Whether a decoder gets any sound at all out of the bytes from offset
// `begin` up to `end` of the file open on `fd`, taken as a file of their own.
// A single frame, for one, may give none: a decoder does not trust a lone
// frame header before it has seen the next.
bool decodesToSound(int fd, std::int64_t begin, std::int64_t end);

} // namespace mp3
