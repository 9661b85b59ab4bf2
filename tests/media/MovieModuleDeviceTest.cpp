#include "media/MovieModule.h"
#include "platform/runtime/Runtime.h"
#include "tests/support/Fixtures.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// The controller against the real media command interface and a real file.
TEST(MovieModuleDevice, OpensPlaysAndClosesARealFile)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0); // no sound card under test
    rt::Runtime::Seams seams;
    seams.quitApplication = [] {};
    rt::Runtime runtime(seams);
    MovieModule movie(runtime);

    movie.closeMovie();
    movie.Filename = QString::fromStdString(fixtures::path("cbr128_10s.mp3").string());
    movie.openMovie();
    ASSERT_EQ(movie.Error, 0);

    EXPECT_NEAR(movie.getLengthInMS(), 10000, 30);
    EXPECT_EQ(movie.getLengthInSec(), 10);
    EXPECT_EQ(movie.isMoviePlaying(), 0);

    movie.playMovie();
    EXPECT_EQ(movie.Error, 0);
    EXPECT_EQ(movie.isMoviePlaying(), -1);
    const std::int32_t first = movie.getPositionInMS();
    movie.timeOut(0.5);
    movie.timeOut(0.5);
    const std::int32_t later = movie.getPositionInMS();
    EXPECT_GT(later, first);
    EXPECT_LT(later, 3000);

    movie.setPositionTo(8000);
    EXPECT_GE(movie.getPositionInMS(), 8000);
    EXPECT_EQ(movie.isMoviePlaying(), -1);

    movie.pauseMovie();
    EXPECT_EQ(movie.isMoviePlaying(), 0);

    movie.closeMovie();
    EXPECT_EQ(movie.Error, 0);
    movie.playMovie();
    EXPECT_NE(movie.Error, 0) << "nothing open under the alias after close all";
}

} // namespace
