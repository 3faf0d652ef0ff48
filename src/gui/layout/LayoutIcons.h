#pragma once
// Toolbar icons of the layout view's commands, drawn with the panel's own painter so they
// show the elements as the panel does.

#include <QIcon>

QIcon LayoutCommandIcon(int commandId);
