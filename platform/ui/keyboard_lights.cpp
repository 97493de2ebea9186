#include "platform/ui/keyboard_lights.h"

#include <QGuiApplication>

#ifdef BELLTALE_HAVE_XKB
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#endif

namespace ui {
namespace {

#ifdef BELLTALE_HAVE_XKB
// The program's own connection to the X display its windows are on, opened at first use and kept.
// Nothing on other platforms (Wayland, offscreen), where a client cannot reach the lights.
Display* display() {
    static Display* const connection = []() -> Display* {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            return nullptr;
        }
        int major = XkbMajorVersion;
        int minor = XkbMinorVersion;
        if (!XkbLibraryVersion(&major, &minor)) {
            return nullptr;
        }
        int event = 0;
        int error = 0;
        int reason = 0;
        return XkbOpenDisplay(nullptr, &event, &error, &major, &minor, &reason);
    }();
    return connection;
}

Atom scrollLockAtom(Display* connection) {
    return XInternAtom(connection, "Scroll Lock", False);
}
#endif

}  // namespace

std::optional<bool> scrollLockLit() {
#ifdef BELLTALE_HAVE_XKB
    if (Display* connection = display()) {
        int index = 0;
        Bool lit = False;
        Bool real = False;
        if (XkbGetNamedIndicator(connection, scrollLockAtom(connection), &index, &lit, nullptr,
                                 &real) &&
            real) {
            return lit != False;
        }
    }
#endif
    return std::nullopt;
}

bool toggleScrollLock() {
#ifdef BELLTALE_HAVE_XKB
    const std::optional<bool> lit = scrollLockLit();
    Display* connection = display();
    if (!lit || connection == nullptr) {
        return false;
    }
    if (!XkbSetNamedIndicator(connection, scrollLockAtom(connection), True, *lit ? False : True,
                              False, nullptr)) {
        return false;
    }
    // Waits until the server has handled the change, as the key press is waited for.
    XSync(connection, False);
    return scrollLockLit() == !*lit;
#else
    return false;
#endif
}

}  // namespace ui
