#include "platform/controls/CommonDialog.h"

#include "platform/runtime/RuntimeError.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString kMp3Filter = QStringLiteral("MP3 Files (*.mp3)|*.mp3|All Files (*.*)|*.*");

TEST(CommonDialogFilter, PairsBecomeChooserFilters)
{
    EXPECT_EQ(CommonDialog::nameFilters(kMp3Filter),
        (QStringList {
            QStringLiteral("MP3 Files (*.mp3 *.MP3)"), QStringLiteral("All Files (*)") }));
    EXPECT_EQ(CommonDialog::nameFilters(QStringLiteral("Audio|*.mp3;*.Wav|Odd")),
        QStringList { QStringLiteral("Audio (*.mp3 *.MP3 *.Wav *.wav *.WAV)") });
    EXPECT_EQ(CommonDialog::nameFilters(QString()), QStringList {});
}

TEST(CommonDialog, ChosenPathBecomesTheFileNameAndCancelRaises)
{
    CommonDialog dialog;
    std::optional<QString> answer = QStringLiteral("/music/a.mp3");
    CommonDialog::Kind shownAs = CommonDialog::Kind::Save;
    dialog.setChooser([&](CommonDialog::Kind kind, const CommonDialog&) {
        shownAs = kind;
        return answer;
    });
    dialog.ShowOpen();
    EXPECT_EQ(shownAs, CommonDialog::Kind::Open);
    EXPECT_EQ(dialog.FileName, QStringLiteral("/music/a.mp3"));

    answer.reset();
    try {
        dialog.ShowSave();
        FAIL() << "a cancelled dialog must raise";
    } catch (const rt::RuntimeError& error) {
        EXPECT_EQ(error.number(), rt::err::CancelError);
    }
    EXPECT_EQ(shownAs, CommonDialog::Kind::Save);
    EXPECT_EQ(dialog.FileName, QStringLiteral("/music/a.mp3"));
}

// The real chooser, answered from inside its own modal loop.
class RealDialog : public testing::Test {
protected:
    // Runs `act` on the file dialog once it is up.
    void whenShown(std::function<void(QFileDialog&)> act)
    {
        QTimer::singleShot(0, [act = std::move(act)] {
            auto* shown = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(shown, nullptr);
            act(*shown);
        });
    }

    QTemporaryDir dir;
};

// Saving over an existing file is asked about by the program itself, so the
// chooser must accept it without a question of its own.
TEST_F(RealDialog, SaveTakesSettingsAndAcceptsAnExistingFileWithoutAsking)
{
    const QString existing = dir.filePath(QStringLiteral("clip.mp3"));
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    CommonDialog dialog;
    dialog.Filter = kMp3Filter;
    dialog.FilterIndex = 2;
    dialog.DialogTitle = QStringLiteral("Save");
    dialog.FileName = existing;
    QString title;
    QString filter;
    whenShown([&](QFileDialog& shown) {
        title = shown.windowTitle();
        filter = shown.selectedNameFilter();
        EXPECT_EQ(shown.acceptMode(), QFileDialog::AcceptSave);
        static_cast<QDialog&>(shown).accept();
    });
    dialog.ShowSave();
    EXPECT_EQ(title, QStringLiteral("Save"));
    EXPECT_EQ(filter, QStringLiteral("All Files (*)"));
    EXPECT_EQ(QFileInfo(dialog.FileName), QFileInfo(existing));
}

TEST_F(RealDialog, RejectedOpenRaisesCancel)
{
    CommonDialog dialog;
    dialog.Filter = kMp3Filter;
    dialog.FileName = dir.filePath(QStringLiteral("none.mp3"));
    whenShown([](QFileDialog& shown) { shown.reject(); });
    EXPECT_THROW(dialog.ShowOpen(), rt::RuntimeError);
    EXPECT_EQ(dialog.FileName, dir.filePath(QStringLiteral("none.mp3")));
}

} // namespace
