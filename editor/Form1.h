#pragma once

#include "editor/LoudnessOverview.h"
#include "media/MovieModule.h"
#include "platform/controls/CommonDialog.h"
#include "platform/controls/ProgressBar.h"
#include "platform/controls/Slider.h"
#include "platform/controls/TimerControl.h"
#include "platform/controls/WebBrowser.h"
#include "platform/runtime/AutoNew.h"
#include "platform/runtime/Runtime.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;

// The editor window: the program's only window. Its controls keep their
// designer names; its handlers are named after control and event.
class Form1 : public QWidget {
    Q_OBJECT
public:
    struct Environment {
        rt::Runtime& runtime;
        MciCommandFunction mci; // empty: the real media command interface
        WebBrowser::Fetcher fetcher; // empty: the real network
    };

    explicit Form1(Environment environment);
    ~Form1() override;

    // Clock text of whole seconds: " 1 : 2 : 5" for 3725. Any 32-bit count
    // is shown with its true hours; none raises.
    static QString FormatClock(std::int32_t seconds);
    // Milliseconds as h:mm:ss.mmm: "0:00:12.345" for 12345.
    static QString FormatMilliseconds(std::int64_t ms);

    // ---- controls, in the order they are laid out ----
    QLabel Label4 { this };
    Slider H { this };
    QPushButton Command1 { this };
    QPushButton Command2 { this };
    QPushButton Command4 { this };
    QPushButton Command7 { this };
    QPushButton Command3 { this };
    QFrame Frame1 { this };
    QLabel Label7 { &Frame1 };
    QLabel Label9 { &Frame1 };
    QLabel Label3 { &Frame1 };
    QPushButton Command5 { this };
    QPushButton Command6 { this };
    QPushButton Command9 { this };
    ProgressBar pb { this };
    WebBrowser WebBrowser1 { this };
    QFrame P { this };
    QFrame Frame4 { &P };
    QFrame Frame3 { &Frame4 };
    QFrame Shape1 { this };
    TimerControl T { this };
    CommonDialog Cdlg { this };

    // ---- handlers ----
    void Form_Initialize();
    void Form_Load();
    void Form_Unload(std::int16_t& Cancel);
    void Command3_Click(); // Website
    void Command4_Click(); // Open
    void Command1_Click(); // Play / Pause
    void Command2_Click(); // Stop
    void T_Timer();
    void H_MouseDown(int Button, int Shift, int x, int y);
    void H_MouseUp(int Button, int Shift, int x, int y);
    void H_Click();
    void Command5_Click(); // Select Start
    void Command6_Click(); // Select End
    void Command9_Click(); // Play Selected
    void Command7_Click(); // Save

    // Open with `path` answering the file dialog: a file named on the command
    // line or dropped on the window. Refused, like the Open button, while
    // Open is disabled.
    void openGivenFile(const QString& path);

    // Locks or unlocks the controls that act on the open file (all buttons
    // but "Website", and the slider) while a save or an open is under way.
    void enableWorkingControls(bool enabled);

    // ---- state record ----
    // Public so that tests can set up and inspect the window's state directly.
    rt::AutoNew<MovieModule> movie;
    std::int32_t selectionStartMs = 0;
    std::int32_t selectionEndMs = 0;
    QString sourcePath;

    rt::Runtime& runtime() { return runtime_; }

    // Home page of the "Website" button and the information page of the panel.
    static const QString kHomePage;
    static const QString kInfoPage;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Open's steps; `chooseFile` fills in Cdlg.FileName or raises for a cancel.
    void openFile(const std::function<void()>& chooseFile);
    // After a mark moved: the section's length in the length label and both
    // marks in the slider's groove.
    void showSelection();
    // Says once, in the information panel, that the device plays without sound.
    void noteWhenSoundIsOff();
    void layOutControls();
    void setUpControls();
    void chainTabOrder();
    void connectHandlers();
    void bindKeys();
    // The tip of a mark label, or empty for any other object.
    QString markTip(const QObject* label) const;

    rt::Runtime& runtime_;
    std::vector<std::unique_ptr<QShortcut>> shortcuts_;
    bool soundOffNoted_ = false;
    LoudnessOverview overview_ { [this](LoudnessPicture picture) {
                                    H.setOverview(std::move(picture.levels),
                                        picture.secondsPerLevel, std::move(picture.peaks));
                                },
        // The timer follows the position while something plays.
        [this] { return T.Enabled(); } };
};
