// Measures how quickly a top-level window answers its window manager: sends
// it a _NET_WM_PING every INTERVAL_MS (default 50) until SIGTERM or SIGINT,
// then prints the pings sent, the replies and the longest reply time. A ping
// still unanswered at the end counts with its age, so a window that froze and
// never came back shows as slow rather than as quiet.
//   trimora_ping_window WINDOW_ID [INTERVAL_MS]
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
#include <map>
#include <memory>

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

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s WINDOW_ID [INTERVAL_MS]\n", argv[0]);
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
    const auto interval = std::chrono::milliseconds(argc == 3 ? std::atoi(argv[2]) : 50);
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

    std::map<long, Clock::time_point> waiting;
    long sent = 0;
    long answered = 0;
    double longestMs = 0;
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
            waiting.emplace(sent, now);
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
            longestMs = std::max(longestMs, msBetween(found->second, Clock::now()));
            waiting.erase(found);
            ++answered;
        }
    }
    const Clock::time_point end = Clock::now();
    for (const auto& [id, at] : waiting)
        longestMs = std::max(longestMs, msBetween(at, end));
    std::printf("pings %ld, answered %ld, longest reply %.0f ms\n", sent, answered, longestMs);
    return answered > 0 ? 0 : 1;
}
