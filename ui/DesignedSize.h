// SPDX-License-Identifier: MIT
// Keeps a window of fixed design at its designed size, whatever the window system asks of it.
// On X11 a fixed size is enough: the window manager offers no maximise and no resizing. A
// Wayland compositor may still maximise, fullscreen or resize a window (its decorations offer
// it, or the desktop decides), and one that cannot take the size it is given breaks the
// protocol and is disconnected: the game would end. There the window takes whatever size comes
// (at least its own), and when it is maximised or made fullscreen it asks at once to be itself
// again.
#pragma once

#include <QSize>

class QWidget;

namespace gyrolap {

// `window` is a top-level window; `designed` its size (its client area).
void HoldDesignedSize(QWidget& window, QSize designed);

}  // namespace gyrolap
