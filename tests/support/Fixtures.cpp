#include "tests/support/Fixtures.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace fixtures {

std::filesystem::path path(std::string_view name)
{
    const char* fromEnvironment = std::getenv("TRIMORA_FIXTURES_DIR");
    std::filesystem::path dir = fromEnvironment ? fromEnvironment : TRIMORA_FIXTURES_DIR;
    auto file = dir / name;
    EXPECT_TRUE(std::filesystem::exists(file)) << "missing fixture " << file;
    return file;
}

} // namespace fixtures
