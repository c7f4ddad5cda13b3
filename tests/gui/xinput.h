#pragma once
// Input as a user gives it, through the X server's test extension, and the windows it shows.

#include <QString>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <xcb/xcb.h>

// The keycode of a keysym in the server's keyboard mapping, or 0.
xcb_keycode_t keycodeOf(xcb_connection_t* c, xcb_keysym_t keysym);
void fakeKey(xcb_connection_t* c, xcb_keycode_t key, bool press);

// xwininfo's list of every window, with their names and places.
QString windowTree();

// Pointer to (x, y) on the screen and a left click there.
void clickAt(int x, int y);

// Presses the keys (keysyms) in order, then lets them go in reverse order: a chord.
void pressKeys(std::initializer_list<std::uint32_t> keysyms);

// Types lower-case ASCII letters, digits and blanks, at a hand's pace.
void typeText(const char* text);

struct WindowPlace
{
    int x, y, width, height;
    std::uint32_t id = 0;
};
// Where the window whose name is exactly that shows, from windowTree().
std::optional<WindowPlace> findWindow(const QString& name);

// Gives the window the keyboard, as a window manager would on a click.
void focusWindow(std::uint32_t id);
