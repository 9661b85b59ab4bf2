#include "platform/controls/CommonDialog.h"

#include "tests/support/RaisedError.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString kMp3Filter = QStringLiteral("MP3 Files (*.mp3)|*.mp3|All Files (*.*)|*.*");

TEST(CommonDialog, FilterPairsBecomeChooserFilters)
{
    EXPECT_EQ(CommonDialog::nameFilters(kMp3Filter),
        (QStringList {
            QStringLiteral("MP3 Files (*.mp3 *.MP3)"), QStringLiteral("All Files (*)") }));
    EXPECT_EQ(CommonDialog::nameFilters(QStringLiteral("Audio|*.mp3;*.Wav|Odd")),
        QStringList { QStringLiteral("Audio (*.mp3 *.MP3 *.Wav *.wav *.WAV)") });
    EXPECT_EQ(CommonDialog::nameFilters(QString()), QStringList {});
}

// Runs `act` on the real file dialog once it is up, inside its modal loop.
void whenShown(std::function<void(QFileDialog&)> act)
{
    QTimer::singleShot(0, [act = std::move(act)] {
        auto* shown = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(shown, nullptr);
        act(*shown);
    });
}

// Saving over an existing file is asked about by the program itself, so the
// real chooser must accept it without a question of its own.
TEST(CommonDialog, RealChooserTakesTheSettingsAndRaisesCancelWhenRejected)
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("clip.mp3"));
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    CommonDialog dialog;
    dialog.Filter = kMp3Filter;
    dialog.FileName = dir.filePath(QStringLiteral("none.mp3"));
    whenShown([](QFileDialog& shown) { shown.reject(); });
    EXPECT_EQ(expect::raisedError([&] { dialog.ShowOpen(); }), rt::err::CancelError);
    EXPECT_EQ(dialog.FileName, dir.filePath(QStringLiteral("none.mp3")));

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

} // namespace
