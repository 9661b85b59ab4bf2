#include "platform/mp3/Mp3Layout.h"
#include "platform/mp3/FileReader.h"
#include "platform/mp3/Mp3Decoder.h"
#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>

namespace {

// The trim read from the info tag is the one libmpg123 makes.
TEST(Mp3LayoutTest, GaplessTrimIsTheDecoders)
{
    for (const char* name : { "stepped_cbr_tags.mp3", "stepped_vbr_info.mp3",
             "stepped_vbr_mono22k.mp3", "stepped_free.mp3", "stepped_cbr_bare.mp3" }) {
        SCOPED_TRACE(name);
        mp3::FileReader reader(fixtures::path(name));
        const auto layout = mp3::findMp3Layout(reader);
        ASSERT_TRUE(layout);
        mp3::Mp3Decoder decoder;
        ASSERT_TRUE(decoder.open(fixtures::path(name), layout->audioStart));
        EXPECT_EQ(mp3::gaplessTrimOf(*layout), decoder.gaplessTrim());
    }
}

} // namespace
