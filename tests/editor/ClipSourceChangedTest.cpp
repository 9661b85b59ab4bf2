// Saves clips of a real MP3 that changed after the device opened it: a save
// never calls a clip saved that holds less than the marked section, or no
// sound at all.

#include "tests/editor/ClipSavingTest.h"

#include "platform/mci/Mp3File.h"
#include "platform/mp3/SampleTime.h"
#include "tests/support/Fixtures.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Change { None, Touched, Appended, CutTo30Percent, Emptied };

struct Case {
    const char* fixture;
    Change change;
    std::int32_t startMs;
    std::int32_t endMs;
    const char* said;
    bool exact = false;
};

void PrintTo(const Case& one, std::ostream* out)
{
    *out << one.fixture << " change " << int(one.change) << " " << one.startMs << "-" << one.endMs
         << (one.exact ? " exact" : "");
}

constexpr const char* kSaved = "Clip Saved";
constexpr const char* kEndsEarlier = "Clip not saved.\nThe file has changed since it was opened: "
                                     "its sound now ends before the end mark.";
constexpr const char* kEmptied = "Clip not saved.\nThe file has been emptied since it was opened.";
constexpr const char* kSilent
    = "Clip not saved.\nThe section is too short: a player would decode no sound from it.";

class ClipSourceChanged : public ClipSavingTest, public testing::WithParamInterface<Case> {
protected:
    // Saves the marked section of the source as `name`; true when it was saved.
    bool save(const QString& name)
    {
        h.messages.clear();
        form.selectionStartMs = GetParam().startMs;
        form.selectionEndMs = GetParam().endMs;
        h.duringDialog = [this] { form.Cdlg.FilterIndex = GetParam().exact ? 3 : 1; };
        saveAs(name);
        return said() == kSaved;
    }

    void change(Change how)
    {
        const QByteArray name = QFile::encodeName(sourcePath);
        switch (how) {
        case Change::None:
            break;
        case Change::Touched:
            // A new change time, as any touch, chmod or xattr gives.
            ASSERT_EQ(::chmod(name.constData(), 0600), 0);
            break;
        case Change::Appended: {
            QFile file(sourcePath);
            ASSERT_TRUE(file.open(QIODevice::Append));
            ASSERT_EQ(file.write(source), source.size());
            break;
        }
        case Change::CutTo30Percent:
            ASSERT_EQ(::truncate(name.constData(), source.size() * 3 / 10), 0);
            break;
        case Change::Emptied:
            ASSERT_EQ(::truncate(name.constData(), 0), 0);
            break;
        }
    }
};

// The device has the file open, and lends its frames, until the change; the
// clip of a change that keeps the marked audio is the one the untouched file
// gives.
TEST_P(ClipSourceChanged, SaveAfterTheChange)
{
    source = readFile(QString::fromStdString(fixtures::path(GetParam().fixture).string()));
    writeFile(sourcePath, source);
    const auto opened = mci::openMp3File(QFile::encodeName(sourcePath).toStdString());
    ASSERT_TRUE(std::holds_alternative<mci::Mp3File>(opened));
    const auto& mp3 = std::get<mci::Mp3File>(opened);
    form.sourcePath = sourcePath;
    device.lengthMs = std::int32_t(mp3::msAtSamples(mp3.samples, mp3.sampleRate));
    device.open = true;

    const bool savedBefore = save(path(QStringLiteral("before.mp3")));
    change(GetParam().change);
    save(path(QStringLiteral("after.mp3")));
    EXPECT_EQ(said(), GetParam().said);
    if (said() == kSaved) {
        EXPECT_TRUE(savedBefore);
        EXPECT_EQ(readFile(path(QStringLiteral("after.mp3"))),
            readFile(path(QStringLiteral("before.mp3"))));
    } else {
        EXPECT_FALSE(QFile::exists(path(QStringLiteral("after.mp3"))));
    }
    expectIdle();
}

INSTANTIATE_TEST_SUITE_P(Changes, ClipSourceChanged,
    testing::Values(Case { "stepped_vbr_noinfo.mp3", Change::None, 300, 19'900, kSaved },
        Case { "stepped_vbr_noinfo.mp3", Change::Touched, 300, 19'900, kSaved },
        Case { "stepped_cbr_bare.mp3", Change::Touched, 300, 19'900, kSaved },
        Case { "stepped_cbr_bare.mp3", Change::Appended, 9'400, 11'700, kSaved },
        Case { "stepped_vbr_info.mp3", Change::Appended, 9'400, 11'700, kSaved },
        Case { "stepped_vbr_noinfo.mp3", Change::CutTo30Percent, 300, 19'900, kEndsEarlier },
        Case { "stepped_cbr_bare.mp3", Change::CutTo30Percent, 300, 19'900, kEndsEarlier },
        Case { "stepped_vbr_info.mp3", Change::CutTo30Percent, 300, 5'000, kSaved },
        Case { "stepped_vbr_info.mp3", Change::Emptied, 300, 19'900, kEmptied },
        Case { "stepped_vbr_noinfo.mp3", Change::None, 0, 20, kSilent },
        Case { "stepped_vbr_noinfo.mp3", Change::Touched, 300, 19'900, kSaved, true },
        Case {
            "stepped_vbr_noinfo.mp3", Change::CutTo30Percent, 300, 19'900, kEndsEarlier, true }));

} // namespace
