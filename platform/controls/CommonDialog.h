#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class NameOnlyIconProvider;
class QFileDialog;
class QTimer;
class QWidget;

// The common file dialog: filter of "description|pattern" pairs, filter index
// (1 is the first pair), title, file name, shown modally for opening or saving.
// A chosen file becomes FileName, and the filter shown when it was chosen
// FilterIndex; a cancelled choice raises the CancelError run-time error and
// leaves both as they were.
//
// The chooser window is made once and shown for every choice: making one
// and taking it down again costs tens of milliseconds on the window thread,
// enough for the window to stop answering on a busy machine. Each showing
// starts as a new chooser would, but for the folders gone through before,
// and lists its folders afresh. While hidden it watches no folder: every
// change in a watched folder has the window thread go through the whole
// folder again. The owner, when given, must outlive the dialog.
class CommonDialog {
public:
    enum class Kind { Open, Save };
    // Shows the dialog and returns the chosen full path, or nothing on cancel.
    using Chooser = std::function<std::optional<QString>(Kind kind, const CommonDialog& dialog)>;

    explicit CommonDialog(QWidget* owner = nullptr);
    ~CommonDialog();
    CommonDialog(const CommonDialog&) = delete;
    CommonDialog& operator=(const CommonDialog&) = delete;

    QString Filter;
    int FilterIndex = 1;
    QString DialogTitle;
    QString FileName;

    void ShowOpen();
    void ShowSave();

    // Tests replace the real dialog with scripted answers.
    void setChooser(Chooser chooser);

    // Makes the chooser window ahead of its first showing, a piece at a time
    // with the window's events running between the pieces, so that the first
    // Open or Save does not make the user wait for it. Returns at once; does
    // nothing when scripted answers stand in for the chooser.
    void prepareChooser();

    // The folder the dialog opens in: that of FileName when it holds a path,
    // otherwise the one a file was last chosen in, by any dialog of the
    // program, also in an earlier run; empty when there is neither.
    QString startFolder() const;

    // The filter as the file chooser takes it: one "description (patterns)"
    // entry per pair. "*.*" means every file, and letters in a pattern match
    // either case, as the users of such filters expect.
    static QStringList nameFilters(const QString& filter);

    // Keeps the file chooser from storing its own state (its history, view
    // and side bar) each time it closes: it stores it and syncs it to the
    // disk right there, on the window thread, where a busy disk can hold the
    // window for a tenth of a second and more. Call once, before any dialog
    // is shown. The chooser then starts afresh in each run; within a run
    // each dialog keeps the history of the one before.
    static void keepChooserStateOffTheDisk();

private:
    void show(Kind kind);
    std::optional<QString> choose(Kind kind);
    // Makes the next missing piece of the chooser window; false when there
    // was none left.
    bool makeNextPiece();
    // The chooser window, set as a new one would be for this showing.
    QFileDialog& chooserFor(Kind kind);
    // Has the folders listed so far listed afresh when they are shown again.
    void forgetListedFolders();
    // Starts or stops the chooser's watching of the folders it lists.
    void watchFolders(bool watch);

    QWidget* owner_;
    Chooser chooser_;
    // Outlives the chooser window, whose listing thread asks it until the end.
    std::unique_ptr<NameOnlyIconProvider> icons_;
    std::unique_ptr<QFileDialog> window_;
    // The window's own state (view, columns, side bar) and size as made.
    QByteArray stateAsMade_;
    QSize sizeAsMade_;
    QStringList listedFolders_;
    // The folders the chooser went through.
    QStringList history_;
    std::unique_ptr<QTimer> preparation_;
};
