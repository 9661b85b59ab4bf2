#include "platform/controls/CommonDialog.h"
#include "platform/controls/NameOnlyIconProvider.h"
#include "platform/controls/RememberedFolder.h"

#include "tests/support/RaisedError.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

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
    ASSERT_TRUE(QFile(existing).open(QIODevice::WriteOnly));
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

    // A name typed without a folder goes into the folder shown, which the
    // last choice left.
    dialog.FileName.clear();
    whenShown([](QFileDialog& shown) {
        shown.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
            ->setText(QStringLiteral("typed.mp3"));
        static_cast<QDialog&>(shown).accept();
    });
    dialog.ShowSave();
    EXPECT_EQ(
        dialog.FileName.toStdString(), dir.filePath(QStringLiteral("typed.mp3")).toStdString());
}

// Each dialog opens in the folder a file was last chosen in, by any dialog and
// in any run, unless its file name holds a folder of its own; a cancel
// remembers nothing.
TEST(CommonDialog, OpensInTheFolderLastUsed)
{
    QTemporaryDir music;
    QTemporaryDir clips;
    const QString song = music.filePath(QStringLiteral("song.mp3"));
    ASSERT_TRUE(QFile(song).open(QIODevice::WriteOnly));
    {
        CommonDialog first;
        first.FileName = song;
        whenShown([](QFileDialog& shown) { static_cast<QDialog&>(shown).accept(); });
        first.ShowOpen();
    }
    // The file dialog keeps a folder of its own for the rest of the run; a
    // next run has only what was stored. Pointed elsewhere, it must not count.
    QTemporaryDir elsewhere;
    QFileDialog(nullptr, QString(), elsewhere.path()).setDirectory(elsewhere.path());
    const struct {
        QString fileName;
        QString folder;
    } cases[] = { { QString(), music.path() }, { QStringLiteral("clip.mp3"), music.path() },
        { clips.filePath(QStringLiteral("clip.mp3")), clips.path() } };
    for (const auto& given : cases) {
        CommonDialog next;
        next.FileName = given.fileName;
        QString shownIn;
        whenShown([&](QFileDialog& shown) {
            shownIn = shown.directory().absolutePath();
            shown.reject();
        });
        EXPECT_EQ(expect::raisedError([&] { next.ShowSave(); }), rt::err::CancelError);
        EXPECT_EQ(shownIn, given.folder) << given.fileName.toStdString();
    }
}

// The chooser stores nothing of its own, as storing syncs on the window
// thread; the folders it went through still go on to the next dialog.
TEST(CommonDialog, ChooserStateStaysOffTheDiskAndItsHistoryGoesOn)
{
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    CommonDialog::keepChooserStateOffTheDisk();
    QTemporaryDir music;
    QTemporaryDir clips;
    const QString song = music.filePath(QStringLiteral("song.mp3"));
    ASSERT_TRUE(QFile(song).open(QIODevice::WriteOnly));
    CommonDialog dialog;
    dialog.FileName = song;
    whenShown([](QFileDialog& shown) { static_cast<QDialog&>(shown).accept(); });
    dialog.ShowOpen();
    dialog.FileName = clips.filePath(QStringLiteral("clip.mp3"));
    QStringList history;
    whenShown([&](QFileDialog& shown) {
        history = shown.history();
        shown.reject();
    });
    EXPECT_EQ(expect::raisedError([&] { dialog.ShowSave(); }), rt::err::CancelError);
    EXPECT_TRUE(history.contains(music.path())) << history.join(u' ').toStdString();
    const QDir settingsFolder(settings.path());
    EXPECT_EQ(settingsFolder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                  .join(u' ')
                  .toStdString(),
        "");
}

// Reading a FIFO waits for a writer, a device may never end and some files
// under /proc block on read. The chooser looks at every entry of a folder,
// shown or not (it hides FIFOs and devices), so it must draw them all by name
// and kind alone, and close promptly. A file that is a picture inside but has
// no picture's name shows that no content was looked at.
TEST(CommonDialog, ListsAFolderOfSpecialFilesWithoutReadingAnyFile)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("x.mp3"));
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const QString device = dir.filePath(QStringLiteral("zero.mp3"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), device));
    QFile picture(dir.filePath(QStringLiteral("picture")));
    ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
    picture.write(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + QByteArray(64, '\0'));
    picture.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));

    const NameOnlyIconProvider icons;
    EXPECT_EQ(icons.type(QFileInfo(fifo)), QStringLiteral("Special file"));
    EXPECT_EQ(icons.type(QFileInfo(device)), QStringLiteral("Special file"));
    // Each name's type is looked up once and kept.
    for (const auto& [name, type] : { std::pair { "song.mp3", "MP3 audio" },
             { "notes.txt", "plain text document" }, { "song.mp3", "MP3 audio" } }) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        EXPECT_EQ(icons.type(QFileInfo(file.fileName())), QString::fromLatin1(type)) << name;
    }

    CommonDialog dialog;
    dialog.Filter = kMp3Filter;
    dialog.FilterIndex = 2;
    dialog.FileName = dir.filePath(QStringLiteral("new.mp3"));
    const std::map<QString, QString> expected { { QStringLiteral("picture"),
                                                    QStringLiteral("File") },
        { QStringLiteral("folder"), QStringLiteral("Folder") } };
    std::map<QString, QString> types;
    QElapsedTimer clock;
    clock.start();
    whenShown([&](QFileDialog& shown) {
        auto* model = shown.findChild<QFileSystemModel*>();
        ASSERT_NE(model, nullptr);
        // The listing and the types arrive from the chooser's own thread.
        while (types.size() < expected.size() && clock.elapsed() < 20000) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            for (const auto& [name, type] : expected) {
                const QModelIndex index = model->index(dir.filePath(name));
                if (index.isValid() && !model->type(index).isEmpty())
                    types[name] = model->type(index);
            }
        }
        shown.reject();
    });
    EXPECT_EQ(expect::raisedError([&] { dialog.ShowOpen(); }), rt::err::CancelError);
    EXPECT_EQ(types, expected);
    // Generous for a loaded machine; an idle one needs a fraction of a second.
    EXPECT_LT(clock.elapsed(), 10000);
}

} // namespace

// The remembered folder survives into the next run through its file, even
// one chosen just before the program ends, and
// anything but a regular file in that file's place is neither read nor
// written, nor holds up the window.
TEST(CommonDialog, RemembersTheFolderInARegularFileOnly)
{
    QTemporaryDir dir;
    const QString regular = dir.filePath(QStringLiteral("regular.conf"));
    const QString fifo = dir.filePath(QStringLiteral("fifo.conf"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folderInstead = dir.path();
    const struct {
        QString file;
        QString nextRunFinds;
    } cases[] = { { regular, QStringLiteral("/music") }, { fifo, QString() },
        { folderInstead, QString() } };
    for (const auto& [file, nextRunFinds] : cases) {
        SCOPED_TRACE(file.toStdString());
        {
            RememberedFolder folder(file);
            EXPECT_EQ(folder.folder(), QString());
            folder.remember(QStringLiteral("/music"));
            EXPECT_EQ(folder.folder(), QStringLiteral("/music"));
        } // a run that ends right after the choice
        EXPECT_EQ(RememberedFolder(file).folder(), nextRunFinds);
    }
}
