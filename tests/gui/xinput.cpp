#include "xinput.h"

#include <QProcess>
#include <QRegularExpression>

#include <cstdlib>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

xcb_keycode_t keycodeOf(xcb_connection_t* c, xcb_keysym_t keysym)
{
    const xcb_setup_t* setup = xcb_get_setup(c);
    const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    auto* mapping = xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, setup->min_keycode, count), nullptr);
    if (!mapping)
        return 0;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping);
    xcb_keycode_t found = 0;
    for (int i = 0; i < count * mapping->keysyms_per_keycode && found == 0; ++i)
        if (syms[i] == keysym)
            found = static_cast<xcb_keycode_t>(setup->min_keycode + i / mapping->keysyms_per_keycode);
    free(mapping);
    return found;
}

void fakeKey(xcb_connection_t* c, xcb_keycode_t key, bool press)
{
    xcb_test_fake_input(c, press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

QString windowTree()
{
    QProcess xwininfo;
    xwininfo.start(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    xwininfo.waitForFinished(10000);
    return QString::fromUtf8(xwininfo.readAllStandardOutput());
}

void clickAt(int x, int y)
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, screen->root, static_cast<std::int16_t>(x),
                        static_cast<std::int16_t>(y), 0);
    xcb_test_fake_input(c, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(c, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(c);
    xcb_disconnect(c);
}

void pressKeys(std::initializer_list<std::uint32_t> keysyms)
{
    xcb_connection_t* keyboard = xcb_connect(nullptr, nullptr);
    std::vector<xcb_keycode_t> keys;
    for (xcb_keysym_t sym : keysyms)
        keys.push_back(keycodeOf(keyboard, sym));
    for (xcb_keycode_t key : keys)
        fakeKey(keyboard, key, true);
    for (auto it = keys.rbegin(); it != keys.rend(); ++it)
        fakeKey(keyboard, *it, false);
    xcb_flush(keyboard);
    xcb_disconnect(keyboard);
}

void typeText(const char* text)
{
    // Lower-case letters, digits and the blank are their own keysyms.
    for (const char* p = text; *p; ++p) {
        pressKeys({static_cast<std::uint32_t>(static_cast<unsigned char>(*p))});
        ::usleep(80000); // keys sent faster than a hand types can be lost on a busy machine
    }
}

std::optional<WindowPlace> findWindow(const QString& name)
{
    // 0x600005 "Story - Scrivel": ("scrivel" "Scrivel")  800x600+0+0  +0+0
    const QRegularExpression line(QStringLiteral("(0x[0-9a-f]+) \"%1\".*\\s(\\d+)x(\\d+)\\+(-?\\d+)\\+(-?\\d+)\\s+\\+(-?\\d+)\\+(-?\\d+)")
                                      .arg(QRegularExpression::escape(name)));
    const QRegularExpressionMatch m = line.match(windowTree());
    if (!m.hasMatch())
        return std::nullopt;
    return WindowPlace{m.captured(6).toInt(), m.captured(7).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                       m.captured(1).toUInt(nullptr, 16)};
}

void focusWindow(std::uint32_t id)
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, id, XCB_CURRENT_TIME);
    xcb_flush(c);
    xcb_disconnect(c);
}
