#pragma once

// MPEG audio frames made byte by byte, for streams whose every offset a test
// knows. The frames carry no sound (all zero after the side information),
// which decoders accept as silence.

#include <cstdint>
#include <string>

namespace mpegframes {

// A frame of `bytes` bytes with header bytes b1 to b3 after the sync byte and
// `reservoir` (main_data_begin) in its layer III side information.
inline std::string frame(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, int bytes,
    int reservoir = 0, bool mpeg1 = true)
{
    std::string out(std::size_t(bytes), '\0');
    out[0] = char(0xFF);
    out[1] = char(b1);
    out[2] = char(b2);
    out[3] = char(b3);
    const std::size_t side = (b1 & 0x01) ? 4 : 6;
    if (mpeg1) {
        out[side] = char(reservoir >> 1);
        out[side + 1] = char((reservoir & 1) << 7);
    } else {
        out[side] = char(reservoir);
    }
    return out;
}

// MPEG-1 layer III, 32 kHz, 64 kbit/s, stereo: 288 bytes, 36 ms, 252 bytes
// of coded sound (250 with a CRC).
inline std::string layer3(int reservoir = 0, bool crc = false)
{
    return frame(crc ? 0xFA : 0xFB, 0x58, 0x00, 288, reservoir);
}

// The same with the info frame an encoder writes first, counting `frames`,
// and with the encoder's extension telling its delay when one is given.
inline std::string infoFrame(std::uint32_t frames, int encoderDelay = -1, bool crc = false)
{
    // Encoders write the tag right after the side information, CRC or not.
    std::string out = layer3(0, crc);
    out.replace(36, 12,
        std::string { 'I', 'n', 'f', 'o', 0, 0, 0, 1, char(frames >> 24), char(frames >> 16),
            char(frames >> 8), char(frames) });
    if (encoderDelay >= 0) {
        out.replace(48, 4, "LAME");
        out[48 + 21] = char(encoderDelay >> 4);
        out[48 + 22] = char((encoderDelay & 0xF) << 4);
    }
    return out;
}

// An ID3v2 tag with `body` bytes after its 10-byte header.
inline std::string id3v2(int body)
{
    std::string out { 'I', 'D', '3', 3, 0, 0, char((body >> 21) & 0x7F), char((body >> 14) & 0x7F),
        char((body >> 7) & 0x7F), char(body & 0x7F) };
    return out + std::string(std::size_t(body), '\0');
}

template <typename Make> std::string times(int count, Make make)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += make(i);
    return out;
}

} // namespace mpegframes
