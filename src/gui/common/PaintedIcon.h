#pragma once
// Icons that the program draws itself, rendered only at the sizes and in the modes that are
// actually shown, when they are first shown: drawing every size up front slowed the start.

#include <QIcon>

#include <functional>

class QPainter;

// `paint` draws the icon on a square of `design` by `design` units; it is scaled to the size
// asked for.
QIcon PaintedIcon(std::function<void(QPainter&)> paint, int design = 32);

// The main window's toolbar icons, for desktops whose icon theme has none: "new", "open",
// "save", "cut", "copy", "paste", "print", "about".
QIcon ToolbarIcon(const char* kind);
