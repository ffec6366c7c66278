#include "XWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <thread>

namespace apptest {

namespace {

// One connection to the X server for the length of a call.
class Connection {
public:
    Connection() : m_display(XOpenDisplay(nullptr)) {}
    ~Connection() {
        if (m_display != nullptr) {
            XCloseDisplay(m_display);
        }
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    Display* get() const { return m_display; }

private:
    Display* m_display;
};

long pidOf(Display* d, Window w) {
    Atom pidAtom = XInternAtom(d, "_NET_WM_PID", True);
    if (pidAtom == None) {
        return -1;
    }
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(d, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
            Success &&
        data != nullptr) {
        if (format == 32 && count == 1) {
            pid = *reinterpret_cast<long*>(data);
        }
        XFree(data);
    }
    return pid;
}

std::optional<WindowGeometry> lookOnce(Display* d, int pid) {
    Window root = DefaultRootWindow(d), parent = 0, *children = nullptr;
    unsigned int count = 0;
    std::optional<WindowGeometry> found;
    if (!XQueryTree(d, root, &root, &parent, &children, &count)) {
        return found;
    }
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes a;
        if (pidOf(d, children[i]) != pid || !XGetWindowAttributes(d, children[i], &a) ||
            a.map_state != IsViewable) {
            continue;
        }
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(d, children[i], root, 0, 0, &x, &y, &child);
        found = WindowGeometry{x, y, a.width, a.height};
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

}  // namespace

std::optional<WindowGeometry> findWindowOf(int pid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    Connection c;
    if (c.get() == nullptr) {
        return std::nullopt;
    }
    do {
        if (auto g = lookOnce(c.get(), pid)) {
            return g;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

bool clickAt(int x, int y) {
    Connection c;
    int event = 0, error = 0, major = 0, minor = 0;
    if (c.get() == nullptr || !XTestQueryExtension(c.get(), &event, &error, &major, &minor)) {
        return false;
    }
    Display* d = c.get();
    XTestFakeMotionEvent(d, DefaultScreen(d), x, y, CurrentTime);
    XSync(d, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XSync(d, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XSync(d, False);
    return true;
}

}  // namespace apptest
