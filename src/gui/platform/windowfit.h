#pragma once
// The window manager's frame (title bar, borders) exists only once a window is on screen, so a
// window placed from its saved size may still reach below the screen by the frame's height. For
// its first seconds on screen the window is fitted again with the frame it really has.
class QWidget;

namespace ruvo::gui {

// Watches the top-level main window for `forMs` milliseconds from now; whenever its frame lies off the
// screens' work areas in that time, it is shrunk and moved onto the monitor that holds most of it.
void FitOnScreenOnceFramed(QWidget* window, int forMs = 3000);

}  // namespace ruvo::gui
