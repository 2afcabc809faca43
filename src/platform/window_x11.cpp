// The window operations on the X Window System. Xlib is loaded at run time (dlopen of
// libX11.so.6), so the module neither links against X nor needs it: without Xlib or
// without a display, find gives 0, the rectangle cannot be read, and retitling and
// closing do nothing. Every call opens its own display connection, so calls from several
// Java threads never share Xlib state.
#include "platform/window.h"

#include <dlfcn.h>

#include <cstring>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/mutex.h"

// The module must load on glibc 2.17: glibc 2.34 moved dlopen and dlsym into libc under a
// new symbol version, which the linker would otherwise record. Bind the original ones
// (libdl's before 2.34, libc's compatibility symbols since).
#if defined(__x86_64__) && defined(__GLIBC__)
__asm__(".symver dlopen,dlopen@GLIBC_2.2.5");
__asm__(".symver dlsym,dlsym@GLIBC_2.2.5");
#endif

namespace vantix::platform {

namespace {

// The Xlib entry points used here, resolved once.
struct Xlib {
    bool ok = false;
    decltype(&XOpenDisplay) open_display = nullptr;
    decltype(&XCloseDisplay) close_display = nullptr;
    decltype(&XDefaultRootWindow) default_root = nullptr;
    decltype(&XQueryTree) query_tree = nullptr;
    decltype(&XFetchName) fetch_name = nullptr;
    decltype(&XGetWindowProperty) get_property = nullptr;
    decltype(&XInternAtom) intern_atom = nullptr;
    decltype(&XFree) free = nullptr;
    decltype(&XGetWindowAttributes) get_attributes = nullptr;
    decltype(&XTranslateCoordinates) translate = nullptr;
    decltype(&XMoveWindow) move_window = nullptr;
    decltype(&XStoreName) store_name = nullptr;
    decltype(&XChangeProperty) change_property = nullptr;
    decltype(&XSendEvent) send_event = nullptr;
    decltype(&XSync) sync = nullptr;
    decltype(&XSetErrorHandler) set_error_handler = nullptr;

    void load() {
        void* h = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (h == nullptr) return;
        ok = bind(h, open_display, "XOpenDisplay") && bind(h, close_display, "XCloseDisplay") &&
             bind(h, default_root, "XDefaultRootWindow") && bind(h, query_tree, "XQueryTree") &&
             bind(h, fetch_name, "XFetchName") && bind(h, get_property, "XGetWindowProperty") &&
             bind(h, intern_atom, "XInternAtom") && bind(h, free, "XFree") &&
             bind(h, get_attributes, "XGetWindowAttributes") && bind(h, translate, "XTranslateCoordinates") &&
             bind(h, move_window, "XMoveWindow") && bind(h, store_name, "XStoreName") &&
             bind(h, change_property, "XChangeProperty") && bind(h, send_event, "XSendEvent") &&
             bind(h, sync, "XSync") && bind(h, set_error_handler, "XSetErrorHandler");
    }

    template <class F>
    static bool bind(void* h, F& fn, const char* name) {
        fn = reinterpret_cast<F>(dlsym(h, name));
        return fn != nullptr;
    }
};

// Xlib is resolved at the first connection, under g_connection_lock.
Mutex g_connection_lock;
Xlib g_xlib;
bool g_xlib_loaded = false;

const Xlib& xlib() {
    if (!g_xlib_loaded) {
        g_xlib.load();
        g_xlib_loaded = true;
    }
    return g_xlib;
}

// A bad window id makes Xlib report an error; Xlib's default handler then ends the
// process. While an operation runs, an error handler is in place that ignores the errors
// of our own connection (the operation simply has no effect) and hands every other
// connection's errors to the handler that was there before, for example the JVM's or
// AWT's. Xlib's handler is process-wide, so operations are serialised under one lock: two
// overlapping calls would otherwise save and restore each other's handler in the wrong
// order. On the way out the previous handler is put back, unless the host replaced ours in
// the meantime, in which case the host's choice is kept.
Display* g_ours = nullptr;           // under g_connection_lock
XErrorHandler g_previous = nullptr;  // under g_connection_lock

int filter_errors(Display* d, XErrorEvent* e) {
    if (d == g_ours) return 0;
    return g_previous != nullptr ? g_previous(d, e) : 0;
}

// One display connection for the duration of an operation.
class Connection {
public:
    Connection() : guard_(g_connection_lock) {
        const Xlib& x = xlib();
        if (!x.ok) return;
        display_ = x.open_display(nullptr);
        if (display_ == nullptr) return;
        g_ours = display_;
        g_previous = x.set_error_handler(filter_errors);
    }
    ~Connection() {
        if (display_ == nullptr) return;
        const Xlib& x = xlib();
        x.sync(display_, False);  // deliver any error while the filtering handler is in place
        const XErrorHandler current = x.set_error_handler(g_previous);
        if (current != filter_errors) x.set_error_handler(current);  // the host's own change stays
        x.close_display(display_);
        g_ours = nullptr;
        g_previous = nullptr;
    }
    Display* get() const { return display_; }

private:
    MutexLock guard_;
    Display* display_ = nullptr;
};

bool name_matches(Display* d, Window w, const char* title) {
    const Xlib& x = xlib();
    char* name = nullptr;
    bool match = false;
    if (x.fetch_name(d, w, &name) && name != nullptr) {
        match = std::strcmp(name, title) == 0;
        x.free(name);
    }
    if (match) return true;
    // _NET_WM_NAME (UTF-8): for the single-byte titles compared here, ASCII titles agree.
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    const Atom net_name = x.intern_atom(d, "_NET_WM_NAME", True);
    if (net_name != None &&
        x.get_property(d, w, net_name, 0, 1024, False, AnyPropertyType, &type, &format, &count, &after, &data) ==
            Success &&
        data != nullptr) {
        match = format == 8 && std::strlen(title) == count && std::memcmp(data, title, count) == 0;
        x.free(data);
    }
    return match;
}

// Depth-first search below `w`, so that windows inside window-manager frames are found.
Window find_below(Display* d, Window w, const char* title, int depth) {
    const Xlib& x = xlib();
    Window root, parent, *children = nullptr;
    unsigned int n = 0;
    if (!x.query_tree(d, w, &root, &parent, &children, &n)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < n && found == 0; ++i)
        if (name_matches(d, children[i], title)) found = children[i];
    for (unsigned int i = 0; i < n && found == 0 && depth < 4; ++i)
        found = find_below(d, children[i], title, depth + 1);
    if (children != nullptr) x.free(children);
    return found;
}

}  // namespace

uint32_t window_find(const char* title) {
    Connection c;
    if (c.get() == nullptr) return 0;
    return static_cast<uint32_t>(find_below(c.get(), xlib().default_root(c.get()), title, 0));
}

bool window_rect(uint32_t window, WindowRect* rect) {
    Connection c;
    if (c.get() == nullptr || window == 0) return false;
    const Xlib& x = xlib();
    XWindowAttributes a;
    if (!x.get_attributes(c.get(), window, &a)) return false;
    int rx, ry;
    Window child;
    if (!x.translate(c.get(), window, a.root, 0, 0, &rx, &ry, &child)) return false;
    *rect = {rx, ry, rx + a.width, ry + a.height};
    return true;
}

bool window_move(uint32_t window, int32_t x_pos, int32_t y_pos, int32_t, int32_t) {
    Connection c;
    if (c.get() == nullptr || window == 0) return false;
    const Xlib& x = xlib();
    x.move_window(c.get(), window, x_pos, y_pos);
    x.sync(c.get(), False);
    return true;
}

void window_set_title(uint32_t window, const char* title) {
    Connection c;
    if (c.get() == nullptr || window == 0) return;
    const Xlib& x = xlib();
    // WM_NAME holds the Latin-1 bytes as they are; _NET_WM_NAME takes them as UTF-8.
    unsigned char utf8[8192];
    size_t n = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(title); *p && n + 2 < sizeof utf8; ++p) {
        if (*p < 0x80) {
            utf8[n++] = *p;
        } else {
            utf8[n++] = static_cast<unsigned char>(0xC0 | (*p >> 6));
            utf8[n++] = static_cast<unsigned char>(0x80 | (*p & 0x3F));
        }
    }
    x.store_name(c.get(), window, title);
    x.change_property(c.get(), window, x.intern_atom(c.get(), "_NET_WM_NAME", False),
                      x.intern_atom(c.get(), "UTF8_STRING", False), 8, PropModeReplace, utf8, int(n));
    x.sync(c.get(), False);
}

int32_t window_close(uint32_t window) {
    Connection c;
    if (c.get() == nullptr || window == 0) return 0;
    const Xlib& x = xlib();
    // What a window manager's close button does: a WM_DELETE_WINDOW client message.
    XEvent e;
    std::memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = x.intern_atom(c.get(), "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(x.intern_atom(c.get(), "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    const Status sent = x.send_event(c.get(), window, False, NoEventMask, &e);
    x.sync(c.get(), False);
    return sent ? 1 : 0;
}

}  // namespace vantix::platform
