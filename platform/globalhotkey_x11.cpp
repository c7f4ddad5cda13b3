#include "globalhotkey.h"

#include <QGuiApplication>

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

namespace {

// Super, alone and with the lock modifiers that must not stop the key.
constexpr std::uint16_t kModifierSets[] = {
    XCB_MOD_MASK_4, XCB_MOD_MASK_4 | XCB_MOD_MASK_LOCK, XCB_MOD_MASK_4 | XCB_MOD_MASK_2,
    XCB_MOD_MASK_4 | XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

QNativeInterface::QX11Application* x11()
{
    return qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
}

} // namespace

CGlobalHotKey::CGlobalHotKey(QObject* parent) : QObject(parent) {}

CGlobalHotKey::~CGlobalHotKey()
{
    Unregister();
}

bool CGlobalHotKey::Register()
{
    Unregister();
    auto* native = x11();
    if (!native || !native->display() || !native->connection())
        return false;
    xcb_connection_t* c = native->connection();
    const KeyCode keycode = XKeysymToKeycode(native->display(), XK_v);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (keycode == 0 || !screen)
        return false;

    bool ok = true;
    for (const auto mods : kModifierSets) {
        const auto cookie = xcb_grab_key_checked(c, 1, screen->root, mods, keycode,
                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
            free(error);
            ok = false;
        }
    }
    m_keycode = keycode;
    m_root = screen->root;
    if (!ok) {
        Unregister(); // another program owns the key
        return false;
    }
    qApp->installNativeEventFilter(this);
    return true;
}

void CGlobalHotKey::Unregister()
{
    if (m_keycode == 0)
        return;
    if (auto* native = x11(); native && native->connection()) {
        for (const auto mods : kModifierSets)
            xcb_ungrab_key(native->connection(), static_cast<xcb_keycode_t>(m_keycode), m_root, mods);
        xcb_flush(native->connection());
    }
    if (qApp)
        qApp->removeNativeEventFilter(this);
    m_keycode = 0;
}

bool CGlobalHotKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (m_keycode == 0 || eventType != "xcb_generic_event_t" || !message)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & ~0x80) != XCB_KEY_PRESS)
        return false;
    const auto* key = static_cast<const xcb_key_press_event_t*>(message);
    if (key->detail != m_keycode || !(key->state & XCB_MOD_MASK_4))
        return false;
    emit activated();
    return true;
}
