#include "editor/Form1.h"

#include "platform/mci/MciSendString.h"
#include "platform/runtime/FileNameBytes.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPalette>
#include <QTimer>
#include <QUrl>
#include <initializer_list>

const QString Form1::kHomePage = QStringLiteral("http://trimora.example/");
const QString Form1::kInfoPage = QStringLiteral("http://trimora.example/info.php?n=trimora");

namespace {

// The layout below is written in twips, the unit the window was designed in,
// so that each line can be checked against the design at a glance.
constexpr int kTwipsPerPixel = 15;

constexpr int px(int twips)
{
    return twips / kTwipsPerPixel;
}

void place(QWidget& control, int left, int top, int width, int height)
{
    control.setGeometry(px(left), px(top), px(width), px(height));
}

// A time label: centred black text on a filled background of the given role.
void styleTimeLabel(QLabel& label, QPalette::ColorRole background)
{
    label.setAlignment(Qt::AlignCenter);
    label.setAutoFillBackground(true);
    QPalette palette = label.palette();
    palette.setColor(QPalette::Window, palette.color(background));
    palette.setColor(QPalette::WindowText, Qt::black);
    label.setPalette(palette);
}

// The first local file among dragged items, or empty.
QString firstDroppedFile(const QMimeData* data)
{
    if (!data)
        return {};
    for (const QUrl& url : data->urls()) {
        // The name's own bytes, which need not be UTF-8.
        if (url.isLocalFile())
            return rt::decodeFileName(
                QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
    }
    return {};
}

} // namespace

Form1::Form1(Environment environment)
    : movie([this, send = std::move(environment.mci)] {
        return std::make_unique<MovieModule>(
            runtime_, send ? send : MciCommandFunction(mci::mciSendString));
    })
    , runtime_(environment.runtime)
{
    Form_Initialize();
    if (environment.fetcher)
        WebBrowser1.setFetcher(std::move(environment.fetcher));
    layOutControls();
    setUpControls();
    chainTabOrder();
    connectHandlers();
    bindKeys();
    Form_Load();
}

Form1::~Form1() = default;

void Form1::layOutControls()
{
    setFixedSize(px(6045), px(4230));

    place(Label4, 120, 120, 1860, 240);
    place(H, 75, 465, 5820, 375);
    place(Command1, 195, 975, 1005, 330);
    place(Command2, 1290, 975, 1005, 330);
    place(Command4, 2385, 975, 1005, 330);
    place(Command7, 3465, 975, 1005, 330);
    place(Command3, 4545, 975, 1185, 330);
    place(Frame1, 120, 1440, 5835, 975);
    place(Label7, 1095, 240, 945, 180);
    place(Label9, 2535, 240, 915, 180);
    place(Label3, 4050, 240, 1005, 180);
    place(Command5, 960, 1920, 1350, 330);
    place(Command6, 2400, 1920, 1350, 330);
    place(Command9, 3870, 1920, 1530, 330);
    place(pb, 120, 2520, 5805, 390);
    place(WebBrowser1, 0, 3000, 6015, 1215);
    place(P, 1020, 7005, 5295, 4215);
    place(Shape1, 360, -4185, 15, 15);

    // The selection buttons lie over the lower half of Frame1 and must stay
    // in front of it.
    Command5.raise();
    Command6.raise();
    Command9.raise();
}

void Form1::setUpControls()
{
    setWindowTitle(QStringLiteral("Trimora"));

    styleTimeLabel(Label4, QPalette::Button);
    styleTimeLabel(Label7, QPalette::Base);
    styleTimeLabel(Label9, QPalette::Base);
    styleTimeLabel(Label3, QPalette::Base);

    H.setRange(0, 10);
    H.setSingleStep(1);
    H.setPageStep(5);
    H.setValue(0);

    Command1.setText(QStringLiteral("Play"));
    Command2.setText(QStringLiteral("Stop"));
    Command4.setText(QStringLiteral("Open"));
    Command7.setText(QStringLiteral("Save"));
    Command3.setText(QStringLiteral("Website"));
    Command5.setText(QStringLiteral("Select Start"));
    Command6.setText(QStringLiteral("Select End"));
    Command9.setText(QStringLiteral("Play Selected"));

    Frame1.setFrameStyle(QFrame::Box | QFrame::Sunken);

    pb.setMax(100);
    pb.setValue(0);

    // The media device's video window is created inside P; P lies below the
    // client area and stays hidden, so no video is ever seen.
    P.hide();
    Frame4.setAccessibleName(QStringLiteral("Video Window"));
    Frame4.hide();
    Frame3.hide();
    Shape1.setFrameStyle(QFrame::Box | QFrame::Plain);

    T.setInterval(1000);
    T.setEnabled(false);

    setAcceptDrops(true);
}

// Left to right, top to bottom, as the controls are read. Labels, frames and
// the progress bar take no focus, so at start the focus is on the slider.
void Form1::chainTabOrder()
{
    QWidget* const order[] = { &H, &Command1, &Command2, &Command4, &Command7, &Command3, &Command5,
        &Command6, &Command9, &WebBrowser1 };
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    H.setFocus();
}

void Form1::connectHandlers()
{
    connect(&Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(&Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(&Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(&Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(&Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(&Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(&Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(&Command9, &QPushButton::clicked, this, &Form1::Command9_Click);
    connect(&H, &Slider::MouseDown, this, &Form1::H_MouseDown);
    connect(&H, &Slider::MouseUp, this, &Form1::H_MouseUp);
    connect(&H, &Slider::Click, this, &Form1::H_Click);
    connect(&T, &TimerControl::Timer, this, &Form1::T_Timer);
}

void Form1::enableWorkingControls(bool enabled)
{
    for (QWidget* control : std::initializer_list<QWidget*> {
             &Command1, &Command2, &Command4, &Command5, &Command6, &Command7, &Command9, &H })
        control->setEnabled(enabled);
}

void Form1::closeEvent(QCloseEvent* event)
{
    std::int16_t Cancel = 0;
    Form_Unload(Cancel);
    if (Cancel != 0)
        event->ignore();
    else
        event->accept();
}

// While a save runs Open is disabled, and a drop is refused like a click.
void Form1::dragEnterEvent(QDragEnterEvent* event)
{
    if (Command4.isEnabled() && !firstDroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

// Open runs after the drop has been answered, so the program the file came
// from is not kept waiting while this one opens the file and plays it.
void Form1::dropEvent(QDropEvent* event)
{
    const QString file = firstDroppedFile(event->mimeData());
    if (!Command4.isEnabled() || file.isEmpty())
        return;
    event->acceptProposedAction();
    QTimer::singleShot(0, this, [this, file] { openGivenFile(file); });
}

void Form1::noteWhenSoundIsOff()
{
    if (soundOffNoted_ || !movie->isSoundOff())
        return;
    WebBrowser1.showNotice(
        QStringLiteral("No sound device could be opened: playing without sound."));
    soundOffNoted_ = true;
}
