#pragma once

#include <filesystem>
#include <string_view>

namespace fixtures {

// Path of a test MP3 made by make-fixtures.sh; the test fails if it is missing.
std::filesystem::path path(std::string_view name);

} // namespace fixtures
