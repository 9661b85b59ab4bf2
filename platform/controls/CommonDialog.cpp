#include "platform/controls/CommonDialog.h"

#include "platform/controls/NameOnlyIconProvider.h"
#include "platform/controls/RememberedFolder.h"
#include "platform/runtime/FileNameBytes.h"
#include "platform/runtime/RuntimeError.h"

#include <QAbstractItemView>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalBlocker>
#include <QTimer>
#include <filesystem>
#include <optional>
#include <utility>

namespace {

// The patterns of one pair, separated by ";", as globs for this file system.
QStringList globs(const QString& patterns)
{
    QStringList result;
    const auto add = [&](const QString& glob) {
        if (!result.contains(glob))
            result << glob;
    };
    for (QString pattern : patterns.split(u';', Qt::SkipEmptyParts)) {
        pattern = pattern.trimmed();
        if (pattern.isEmpty())
            continue;
        if (pattern == QLatin1String("*.*")) {
            add(QStringLiteral("*"));
            continue;
        }
        add(pattern);
        add(pattern.toLower());
        add(pattern.toUpper());
    }
    return result;
}

// The chooser shows names as text, each stray byte of a name that is not
// UTF-8 as U+FFFD, and gives the chosen one back so: a name that holds U+FFFD
// is looked up among its folder's entries by their own bytes. Unchanged when
// no entry, or more than one, shows as the chosen name.
QString withOwnBytes(const QString& chosen)
{
    if (!chosen.contains(QChar::ReplacementCharacter))
        return chosen;
    const QFileInfo info(chosen);
    const QByteArray folder = rt::encodeFileName(info.absolutePath());
    std::error_code error;
    std::optional<QByteArray> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder.toStdString(), error)) {
        const QByteArray name = QByteArray::fromStdString(entry.path().filename().string());
        if (QFile::decodeName(name) != info.fileName())
            continue;
        if (found)
            return chosen;
        found = name;
    }
    return found ? rt::decodeFileName(folder + '/' + *found) : chosen;
}

bool holdsFolder(const QString& fileName)
{
    return fileName.contains(u'/');
}

} // namespace

CommonDialog::CommonDialog(QWidget* owner)
    : owner_(owner)
{
}

CommonDialog::~CommonDialog() = default;

void CommonDialog::keepChooserStateOffTheDisk()
{
    // A folder under a file that is no folder can never be made, not even
    // by root: the chooser finds its settings file unwritable and gives up
    // at once, before it locks, writes or syncs anything.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
}

void CommonDialog::ShowOpen()
{
    show(Kind::Open);
}

void CommonDialog::ShowSave()
{
    show(Kind::Save);
}

void CommonDialog::setChooser(Chooser chooser)
{
    chooser_ = std::move(chooser);
}

void CommonDialog::prepareChooser()
{
    if (preparation_)
        return;
    preparation_ = std::make_unique<QTimer>();
    QObject::connect(preparation_.get(), &QTimer::timeout, [this] {
        if (chooser_ || !makeNextPiece())
            preparation_->stop();
    });
    preparation_->start(0);
}

bool CommonDialog::makeNextPiece()
{
    if (!icons_) {
        icons_ = std::make_unique<NameOnlyIconProvider>();
        return true;
    }
    if (!window_) {
        window_ = std::make_unique<QFileDialog>(owner_);
        // The desktop's own chooser may read files to draw them; this one does not.
        window_->setOption(QFileDialog::DontUseNativeDialog);
        window_->setIconProvider(icons_.get());
        window_->setWindowModality(Qt::ApplicationModal);
        stateAsMade_ = window_->saveState();
        sizeAsMade_ = window_->size();
        // Folders listed after the window was hidden are forgotten when it
        // is shown again.
        if (auto* model = window_->findChild<QFileSystemModel*>()) {
            QObject::connect(model, &QFileSystemModel::directoryLoaded, window_.get(),
                [this](const QString& folder) { listedFolders_ << folder; });
        }
        // It lists and watches folders of its own when made.
        watchFolders(false);
        forgetListedFolders();
        return true;
    }
    return false;
}

QStringList CommonDialog::nameFilters(const QString& filter)
{
    // The chooser reads the patterns from the last parentheses of an entry, so
    // a description's own "(*.mp3)" gives way to the patterns that apply.
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = filter.split(u'|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QStringList patterns = globs(parts[i + 1]);
        if (patterns.isEmpty())
            continue;
        QString description = parts[i];
        description.remove(trailingPatterns);
        if (description.isEmpty())
            description = parts[i + 1];
        result << description + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return result;
}

QString CommonDialog::startFolder() const
{
    if (holdsFolder(FileName))
        return QFileInfo(FileName).absolutePath();
    return RememberedFolder::ofProgram().folder();
}

void CommonDialog::show(Kind kind)
{
    const std::optional<QString> chosen = chooser_ ? chooser_(kind, *this) : choose(kind);
    if (!chosen)
        rt::raise(rt::err::CancelError);
    FileName = *chosen;
    RememberedFolder::ofProgram().remember(QFileInfo(FileName).absolutePath());
}

QFileDialog& CommonDialog::chooserFor(Kind kind)
{
    while (makeNextPiece()) { }
    QFileDialog& dialog = *window_;
    forgetListedFolders();
    watchFolders(true);
    // What the user changed in the window last time (its view, columns, side
    // bar, size and place) goes back to how a new one shows it; the folders
    // gone through stay.
    dialog.restoreState(stateAsMade_);
    dialog.setHistory(history_);
    dialog.resize(sizeAsMade_);
    dialog.setAttribute(Qt::WA_Moved, false);

    dialog.setWindowTitle(!DialogTitle.isEmpty() ? DialogTitle
            : kind == Kind::Save                 ? QFileDialog::tr("Save As")
                                                 : QFileDialog::tr("Open"));
    const QStringList filters = nameFilters(Filter);
    // Set every time: with no list the patterns of the last one would stay.
    dialog.setNameFilters(
        filters.isEmpty() ? QStringList { QFileDialog::tr("All Files (*)") } : filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.value(FilterIndex - 1, filters.first()));
    if (kind == Kind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    // The program asks about an existing file itself.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, kind == Kind::Save);
    if (const QString folder = startFolder(); !folder.isEmpty() && QFileInfo(folder).isDir())
        dialog.setDirectory(folder);

    // The file picked or typed last time must not answer this time: the
    // chooser takes a file selected in its list before the typed name. An
    // emptied name selects the folder itself in the list, so the list comes
    // second.
    if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        name->clear();
        name->setFocus();
    }
    if (auto* files = dialog.findChild<QAbstractItemView*>(QStringLiteral("listView")))
        files->selectionModel()->clear();
    if (!FileName.isEmpty())
        dialog.selectFile(FileName);
    return dialog;
}

void CommonDialog::watchFolders(bool watch)
{
    // Stopping ends every watch at once, however the folder was listed; it
    // waits a moment for the system to let go of them.
    if (auto* model = window_->findChild<QFileSystemModel*>())
        model->setOption(QFileSystemModel::DontWatchForChanges, !watch);
}

void CommonDialog::forgetListedFolders()
{
    auto* model = window_->findChild<QFileSystemModel*>();
    if (!model)
        return;
    // The model marks a folder to be listed again when the folder stops being
    // its root: each listed folder becomes the root in turn, then none is. To
    // the chooser these would be visits to each folder, so the model's
    // signals wait meanwhile; a folder the model does not show (a hidden one
    // typed in) is left, as making it the root would add it to the model's
    // rows.
    const QSignalBlocker quiet(model);
    for (const QString& folder : std::exchange(listedFolders_, {})) {
        const QModelIndex index = model->index(folder);
        if (index.isValid() && !model->canFetchMore(index))
            model->setRootPath(folder);
    }
    model->setRootPath(QString());
    // The lists would ask for the folder they show at once, and have it
    // listed again.
    for (auto* files : window_->findChildren<QAbstractItemView*>()) {
        if (files->model() == model)
            files->setRootIndex(QModelIndex());
    }
}

std::optional<QString> CommonDialog::choose(Kind kind)
{
    QFileDialog& dialog = chooserFor(kind);
    const int result = dialog.exec();
    history_ = dialog.history();
    watchFolders(false);
    forgetListedFolders();
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    if (const auto shown = nameFilters(Filter).indexOf(dialog.selectedNameFilter()); shown >= 0)
        FilterIndex = int(shown) + 1;
    return withOwnBytes(dialog.selectedFiles().first());
}
