// The console's icon, drawn from the same SVG that the desktop entry's icon
// theme holds, for the window and the task bar.
#pragma once

#include <QIcon>

// Null when the icon's resource cannot be drawn.
QIcon ConsoleIcon();
