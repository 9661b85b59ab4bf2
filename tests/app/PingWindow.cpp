// Measures how quickly a top-level window answers its window manager: sends
// it a _NET_WM_PING every INTERVAL_MS (default 50) until SIGTERM or SIGINT,
// then prints the pings sent, the replies and the longest reply time. A ping
// still unanswered at the end counts with its age, so a window that froze and
// never came back shows as slow rather than as quiet.
// Given the thread id of the window's thread (its program's PID), it tells
// how that thread spent the longest reply: running, waiting for a processor
// (the kernel's run-queue wait), or neither (asleep or blocked: on the disk,
// say, or waiting for the X server), and gives the longest reply less the
// thread's own waiting for a processor. Other thread ids (the X server, the
// toolkit's X reader) and this tool's own thread are shown with their
// waiting for a processor during that reply.
//   trimora_ping_window WINDOW_ID [INTERVAL_MS [WINDOW_THREAD_ID [OTHER_THREAD_ID...]]]
// Exits 0 after printing, 1 when nothing answered, 2 on bad use or when the
// window does not take part in the ping protocol.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

volatile sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

struct CloseDisplay {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

// The window may go away while it is pinged; that ends nothing here.
int ignoreError(Display*, XErrorEvent*)
{
    return 0;
}

bool advertisesPing(Display* display, Window window, Atom ping)
{
    Atom* protocols = nullptr;
    int count = 0;
    if (!XGetWMProtocols(display, window, &protocols, &count))
        return false;
    const bool found = std::find(protocols, protocols + count, ping) != protocols + count;
    XFree(protocols);
    return found;
}

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// A thread's time on a processor and waiting for one so far, in ms (both 0
// when it cannot be read).
struct ThreadTimes {
    double ranMs = 0;
    double waitedMs = 0;
};

// The threads watched: the window's first, then the others.
class WatchedThreads {
public:
    void add(const std::string& tid)
    {
        const std::string folder = "/proc/" + tid + "/task/" + tid;
        std::string name;
        std::getline(std::ifstream(folder + "/comm"), name);
        names_.push_back(name.empty() ? tid : name);
        files_.push_back(folder + "/schedstat");
    }
    bool empty() const { return files_.empty(); }
    const std::vector<std::string>& names() const { return names_; }

    std::vector<ThreadTimes> now() const
    {
        std::vector<ThreadTimes> times;
        for (const std::string& file : files_) {
            std::ifstream in(file);
            double ranNs = 0;
            double waitedNs = 0;
            times.push_back(in >> ranNs >> waitedNs ? ThreadTimes { ranNs / 1e6, waitedNs / 1e6 }
                                                    : ThreadTimes {});
        }
        return times;
    }

private:
    std::vector<std::string> names_;
    std::vector<std::string> files_;
};

struct Ping {
    Clock::time_point sent;
    std::vector<ThreadTimes> before;
};

// One reply, and what each watched thread did meanwhile.
struct Reply {
    double ms = 0;
    std::vector<ThreadTimes> spent;

    double ownMs() const { return spent.empty() ? ms : std::max(0.0, ms - spent[0].waitedMs); }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr,
            "usage: %s WINDOW_ID [INTERVAL_MS [WINDOW_THREAD_ID [OTHER_THREAD_ID...]]]\n", argv[0]);
        return 2;
    }
    const std::unique_ptr<Display, CloseDisplay> display(XOpenDisplay(nullptr));
    if (!display) {
        std::fprintf(stderr, "cannot open the display\n");
        return 2;
    }
    Display* dpy = display.get();
    XSetErrorHandler(ignoreError);
    const Window window = std::strtoul(argv[1], nullptr, 0);
    const auto interval = std::chrono::milliseconds(argc >= 3 ? std::atoi(argv[2]) : 50);
    WatchedThreads watched;
    for (int i = 3; i < argc; ++i)
        watched.add(argv[i]);
    if (!watched.empty())
        watched.add(std::to_string(::gettid()));
    const Window root = DefaultRootWindow(dpy);
    const Atom protocols = XInternAtom(dpy, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(dpy, "_NET_WM_PING", False);
    if (!advertisesPing(dpy, window, ping)) {
        std::fprintf(stderr, "window %#lx does not list _NET_WM_PING in WM_PROTOCOLS\n", window);
        return 2;
    }
    // A window answers a ping by sending it back to the root window, for
    // whoever listens there for structure or redirect events. Redirect belongs
    // to the window manager, so listen for the structure events.
    XSelectInput(dpy, root, StructureNotifyMask);

    struct sigaction action { };
    action.sa_handler = requestStop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    std::map<long, Ping> waiting;
    long sent = 0;
    long answered = 0;
    Reply longest;
    Reply longestOwn; // the longest less the window thread's waiting
    const auto account = [&](const Ping& ping, Clock::time_point at) {
        Reply reply { msBetween(ping.sent, at), watched.now() };
        for (std::size_t i = 0; i < reply.spent.size(); ++i) {
            reply.spent[i].ranMs -= ping.before[i].ranMs;
            reply.spent[i].waitedMs -= ping.before[i].waitedMs;
        }
        if (reply.ms > longest.ms)
            longest = reply;
        if (reply.ownMs() > longestOwn.ownMs())
            longestOwn = reply;
    };
    Clock::time_point nextPing = Clock::now();
    while (!stopRequested) {
        const Clock::time_point now = Clock::now();
        if (now >= nextPing) {
            XEvent event {};
            event.xclient.type = ClientMessage;
            event.xclient.window = window;
            event.xclient.message_type = protocols;
            event.xclient.format = 32;
            event.xclient.data.l[0] = long(ping);
            event.xclient.data.l[1] = ++sent; // echoed back: tells the replies apart
            event.xclient.data.l[2] = long(window);
            XSendEvent(dpy, window, False, NoEventMask, &event);
            XFlush(dpy);
            waiting.emplace(sent, Ping { now, watched.now() });
            nextPing += interval;
        }
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(nextPing - Clock::now());
        pollfd connection { ConnectionNumber(dpy), POLLIN, 0 };
        if (!XPending(dpy))
            poll(&connection, 1, int(std::max<long>(0, wait.count())));
        while (XPending(dpy)) {
            XEvent event;
            XNextEvent(dpy, &event);
            if (event.type != ClientMessage || event.xclient.message_type != protocols
                || Atom(event.xclient.data.l[0]) != ping
                || Window(event.xclient.data.l[2]) != window)
                continue;
            const auto found = waiting.find(event.xclient.data.l[1]);
            if (found == waiting.end())
                continue;
            account(found->second, Clock::now());
            waiting.erase(found);
            ++answered;
        }
    }
    const Clock::time_point end = Clock::now();
    for (const auto& [id, ping] : waiting)
        account(ping, end);
    std::printf("pings %ld, answered %ld, longest reply %.0f ms", sent, answered, longest.ms);
    if (!watched.empty()) {
        const auto describe = [&](const Reply& reply) {
            const ThreadTimes& window = reply.spent[0];
            std::printf("%.0f ms: the window thread ran %.0f, waited %.0f for a processor, "
                        "neither %.0f; others waited",
                reply.ms, window.ranMs, window.waitedMs,
                std::max(0.0, reply.ms - window.ranMs - window.waitedMs));
            for (std::size_t i = 1; i < reply.spent.size(); ++i)
                std::printf(" %s:%.0f", watched.names()[i].c_str(), reply.spent[i].waitedMs);
        };
        std::printf(" (");
        describe(longest);
        std::printf("); less the window thread's waiting, longest %.0f ms (", longestOwn.ownMs());
        describe(longestOwn);
        std::printf(")");
    }
    std::printf("\n");
    return answered > 0 ? 0 : 1;
}
