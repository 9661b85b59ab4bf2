#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class NameOnlyIconProvider;
class QWidget;

// The common file dialog: filter of "description|pattern" pairs, filter index
// (1 is the first pair), title, file name, shown modally for opening or saving.
// A chosen file becomes FileName, and the filter shown when it was chosen
// FilterIndex; a cancelled choice raises the CancelError run-time error and
// leaves both as they were.
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

    QWidget* owner_;
    Chooser chooser_;
    // The folders the chooser went through, handed from one dialog to the next.
    QStringList history_;
    // Outlives each dialog, whose listing thread asks it until the end.
    std::unique_ptr<NameOnlyIconProvider> icons_;
};
