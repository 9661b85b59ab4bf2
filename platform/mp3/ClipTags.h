#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace mp3 {

// The ID3v2 tags that open a file, made fit to open a clip of it: every
// frame kept (title, artist, pictures, ...) but the ones that state how long
// the whole file plays ("TLEN", "TLE" in version 2.2), which would be wrong
// for the clip. A tag unsynchronised as a whole is written back without that
// (its frames' sizes count the bytes before it), and an extended header,
// whose checksum would no longer hold, is left out. Stops at the first bytes
// that are no tag; a tag whose frames cannot be told apart is copied as it is.
std::vector<std::uint8_t> clipTagsOf(std::span<const std::uint8_t> tags);

} // namespace mp3
