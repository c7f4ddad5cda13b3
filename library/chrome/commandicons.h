#pragma once
// Icons for the commands of the menus and the tool bar: the desktop's icon theme when it
// has a fitting icon, else a glyph of ours from the resources (:/quor/icons).

#include <QIcon>

// The icon for a command of commandids.h; a null icon for a command that has none.
QIcon CommandIcon(int commandId);
