// The save dialog's third entry saves the exact clip, and the window's Save
// and the command line's cut write the same bytes for the same marks, with
// either kind of clip.

#include "tests/editor/ClipSavingTest.h"

#include "editor/ClipBytes.h"
#include "editor/ClipSaveSource.h"
#include "tests/support/Fixtures.h"

namespace {

TEST_F(ClipSavingTest, WindowAndCommandLineWriteTheSameClip)
{
    struct Row {
        const char* file;
        std::int32_t lengthMs, startMs, endMs;
    };
    const Row rows[] = {
        { "id3v2_big_10s.mp3", 10'000, 1'234, 4'321 },
        { "stepped_vbr_info.mp3", 20'000, 5'003, 19'999 },
        { "cbr128_noinfo_10s.mp3", 10'000, 0, 2'000 }, // bare: bytes per millisecond
    };
    for (const Row& row : rows) {
        for (const bool exact : { false, true }) {
            SCOPED_TRACE(std::string(row.file) + (exact ? " exact" : " ordinary"));
            QFile::remove(sourcePath);
            ASSERT_TRUE(
                QFile::copy(QString::fromStdString(fixtures::path(row.file).string()), sourcePath));
            form.sourcePath = sourcePath;
            form.selectionStartMs = row.startMs;
            form.selectionEndMs = row.endMs;
            device.lengthMs = row.lengthMs;
            device.open = true;
            h.duringDialog = [&] { form.Cdlg.FilterIndex = exact ? 3 : 1; };
            const QString windowClip = path(QStringLiteral("window.mp3"));
            QFile::remove(windowClip);
            saveAs(windowClip);

            // What the command line does, with the mark the window saved from.
            ClipSaveSource input(sourcePath);
            const QString cutClip = path(QStringLiteral("cut.mp3"));
            writeClipBytes(input, cutClip,
                clipBytesFor(input.descriptor(), input.size(), row.lengthMs, form.selectionStartMs,
                    row.endMs, exact));
            const QByteArray saved = readFile(windowClip);
            EXPECT_EQ(saved, readFile(cutClip));
            // An exact clip holds an info frame of its own.
            if (exact) {
                EXPECT_TRUE(saved.contains("Info") || saved.contains("Xing"));
            }
        }
    }
    EXPECT_EQ(said(), "Clip Saved|Clip Saved|Clip Saved|Clip Saved|Clip Saved|Clip Saved");
}

} // namespace
