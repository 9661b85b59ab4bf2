#include "platform/controls/CommonDialog.h"

#include "platform/controls/NameOnlyIconProvider.h"
#include "platform/controls/RememberedFolder.h"
#include "platform/runtime/FileNameBytes.h"
#include "platform/runtime/RuntimeError.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <filesystem>
#include <optional>

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

std::optional<QString> CommonDialog::choose(Kind kind)
{
    // Made once: its icons are drawn when it is made, and the types it looked
    // up by name are kept for the next dialog.
    if (!icons_)
        icons_ = std::make_unique<NameOnlyIconProvider>();
    QFileDialog dialog(owner_);
    // The desktop's own chooser may read files to draw them; this one does not.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setIconProvider(icons_.get());
    dialog.setWindowModality(Qt::ApplicationModal);
    if (!DialogTitle.isEmpty())
        dialog.setWindowTitle(DialogTitle);
    const QStringList filters = nameFilters(Filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.value(FilterIndex - 1, filters.first()));
    }
    if (kind == Kind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The program asks about an existing file itself.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (const QString folder = startFolder(); !folder.isEmpty() && QFileInfo(folder).isDir())
        dialog.setDirectory(folder);
    if (!FileName.isEmpty())
        dialog.selectFile(FileName);
    if (!history_.isEmpty())
        dialog.setHistory(history_);
    const int result = dialog.exec();
    history_ = dialog.history();
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    if (const auto shown = filters.indexOf(dialog.selectedNameFilter()); shown >= 0)
        FilterIndex = int(shown) + 1;
    return withOwnBytes(dialog.selectedFiles().first());
}
