#include "lockkeys.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

std::optional<LockKeys> ReadLockKeys()
{
    auto* native = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = native ? native->display() : nullptr;
    if (!display)
        return std::nullopt;
    // The locked modifiers first (servers without keyboard lights keep them too), then the
    // indicator of that name: their bit positions differ between keyboard maps.
    XkbStateRec state{};
    const unsigned locked = XkbGetState(display, XkbUseCoreKbd, &state) == Success ? state.locked_mods : 0;
    const auto on = [&](KeySym lockKey, const char* indicator) {
        const unsigned mask = XkbKeysymToModifiers(display, lockKey);
        if (mask != 0 && (locked & mask) == mask)
            return true;
        Bool lit = False;
        const Atom atom = XInternAtom(display, indicator, True);
        return atom != None && XkbGetNamedIndicator(display, atom, nullptr, &lit, nullptr, nullptr) && lit;
    };
    return LockKeys{on(XK_Caps_Lock, "Caps Lock"), on(XK_Num_Lock, "Num Lock"), on(XK_Scroll_Lock, "Scroll Lock")};
}
