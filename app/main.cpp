#include "CutCommand.h"
#include "editor/Form1.h"
#include "platform/controls/CommonDialog.h"
#include "platform/runtime/FileNameBytes.h"
#include "platform/runtime/Runtime.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QIcon>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>
#include <vector>

namespace {

// The four images drawn at build time, compiled in as resources.
QIcon programIcon()
{
    QIcon icon;
    for (int size : { 16, 24, 32, 48 })
        icon.addFile(QStringLiteral(":/icons/trimora-%1.png").arg(size), QSize(size, size));
    return icon;
}

void nameTheProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("Trimora"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TRIMORA_VERSION));
}

// What the command line asks for: a file to open (possibly none), or an exit
// status once help, the version or a usage error has been printed.
struct StartRequest {
    QString file;
    std::optional<int> exitStatus;
};

// The options the window toolkit takes itself, with whether each takes a
// value; given with one dash or two, a value after it or after "=".
struct ToolkitOption {
    const char* name;
    bool takesValue;
};
constexpr ToolkitOption kToolkitOptions[] = { { "platform", true }, { "platformpluginpath", true },
    { "platformtheme", true }, { "plugin", true }, { "qmljsdebugger", true },
    { "qwindowgeometry", true }, { "qwindowicon", true }, { "qwindowtitle", true },
    { "display", true }, { "geometry", true }, { "name", true }, { "title", true },
    { "visual", true }, { "session", true }, { "style", true }, { "stylesheet", true },
    { "reverse", false }, { "widgetcount", false }, { "nograb", false }, { "dograb", false },
    { "sync", false }, { "testability", false } };

// The arguments with the toolkit's own options left out: those are the
// toolkit's to read, once it starts, and the rest is ours. After "--" every
// argument is ours, a file name even when it starts with a dash.
QStringList withoutToolkitOptions(const QStringList& arguments)
{
    QStringList ours;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (i > 0 && argument == QLatin1String("--")) {
            ours << arguments.mid(i);
            break;
        }
        QString name = argument.startsWith(QLatin1String("--")) ? argument.mid(2)
            : argument.startsWith(u'-')                         ? argument.mid(1)
                                                                : QString();
        const bool valueAttached = name.contains(u'=');
        name = name.section(u'=', 0, 0);
        const auto option = std::find_if(std::begin(kToolkitOptions), std::end(kToolkitOptions),
            [&](const ToolkitOption& known) { return name == QLatin1String(known.name); });
        if (i == 0 || option == std::end(kToolkitOptions)) {
            ours << argument;
            continue;
        }
        if (option->takesValue && !valueAttached)
            ++i;
    }
    return ours;
}

// Reads the command line without a display, so that --help and --version
// work over ssh and in a package check with no X server, and a wrong option
// ends the program before any window appears.
StartRequest readCommandLine(int argc, char** argv)
{
    QCoreApplication reader(argc, argv);
    nameTheProgram();
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Play an MP3, mark a section and save it as a new file."));
    const QCommandLineOption help({ QStringLiteral("h"), QStringLiteral("help") },
        QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({ QStringLiteral("v"), QStringLiteral("version") },
        QStringLiteral("Show the version and exit."));
    parser.addOption(help);
    parser.addOption(version);
    // Handled before this parser runs (see runCutCommand); listed for --help.
    parser.addOption({ QStringLiteral("cut"),
        QStringLiteral("Save the section from START to END of SOURCE (seconds, or [h:]m:s[.fff]) "
                       "as CLIP, with no window, and exit. --exact makes the clip play exactly "
                       "the marked samples; --overwrite replaces an existing CLIP."),
        QStringLiteral("START END SOURCE CLIP [--exact] [--overwrite]") });
    parser.addPositionalArgument(QStringLiteral("file"),
        QStringLiteral("MP3 file to open and play (only the first is opened)."),
        QStringLiteral("[file]"));
    // The arguments' own bytes: a file name need not be UTF-8.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << rt::decodeFileName(QByteArray(argv[i]));
    if (!parser.parse(withoutToolkitOptions(arguments))) {
        std::fprintf(stderr, "trimora: %s\nUsage: trimora [--help] [--version] [file]\n",
            qPrintable(parser.errorText()));
        return { {}, 2 };
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return { {}, 0 };
    }
    if (parser.isSet(version)) {
        std::printf("trimora %s\n", TRIMORA_VERSION);
        return { {}, 0 };
    }
    const QStringList files = parser.positionalArguments();
    return { files.isEmpty() ? QString() : files.first(), std::nullopt };
}

// How many of the arguments the toolkit is shown: those before "--", so that
// it takes none of the file names after it for options of its own.
int toolkitArgumentCount(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--") == 0)
            return i;
    return argc;
}

// While the toolkit starts, its complaints are held back: when it cannot
// start (no display, one that cannot be reached, a platform it does not have)
// it ends the program with an abort and several lines of advice. Instead, one
// line tells why, and the program exits with status 1.
class ToolkitStartWatch {
public:
    ToolkitStartWatch() { previous_ = qInstallMessageHandler(&ToolkitStartWatch::hold); }
    ~ToolkitStartWatch()
    {
        qInstallMessageHandler(previous_);
        for (const Held& held : heldBack())
            if (previous_)
                previous_(held.type, QMessageLogContext(), held.text);
        heldBack().clear();
    }
    ToolkitStartWatch(const ToolkitStartWatch&) = delete;
    ToolkitStartWatch& operator=(const ToolkitStartWatch&) = delete;

private:
    struct Held {
        QtMsgType type;
        QString text;
    };
    // The message handler is a plain function: what it holds back is kept here.
    static std::vector<Held>& heldBack()
    {
        static std::vector<Held> held;
        return held;
    }

    static void hold(QtMsgType type, const QMessageLogContext&, const QString& text)
    {
        if (type != QtFatalMsg) {
            heldBack().push_back({ type, text });
            return;
        }
        // The first complaint names the cause ("could not connect to
        // display"); the fatal one only gives advice.
        const QString cause = heldBack().empty() ? text : heldBack().front().text;
        std::fprintf(stderr, "trimora: cannot show the window: %s\n",
            qPrintable(cause.section(u'\n', 0, 0).trimmed()));
        std::fflush(stderr);
        std::_Exit(1);
    }

    QtMessageHandler previous_ = nullptr;
};

} // namespace

int main(int argc, char** argv)
{
    // A cut from the command line needs no display: it runs before any window.
    if (const auto cutStatus = runCutCommand(argc, argv))
        return *cutStatus;
    const StartRequest request = readCommandLine(argc, argv);
    if (request.exitStatus)
        return *request.exitStatus;

    int toolkitArgc = toolkitArgumentCount(argc, argv);
    std::optional<ToolkitStartWatch> watch(std::in_place);
    QApplication application(toolkitArgc, argv);
    watch.reset();
    nameTheProgram();
    CommonDialog::keepChooserStateOffTheDisk();
    QApplication::setDesktopFileName(QStringLiteral("trimora"));
    const QIcon icon = programIcon();
    QApplication::setWindowIcon(icon);

    rt::Runtime runtime;
    Form1 window({ runtime, {}, {} });
    window.setWindowIcon(icon);
    window.show();
    if (!request.file.isEmpty())
        QTimer::singleShot(
            0, &window, [&window, file = request.file] { window.openGivenFile(file); });
    return application.exec();
}
