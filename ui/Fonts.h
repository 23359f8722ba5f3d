// SPDX-License-Identifier: MIT
// The fonts of both windows, sized in pixels so the windows look the same whatever the
// screen's dots per inch (Arial 8.25 pt and 12 pt, Courier 9.75 pt at 96 dpi).
#pragma once

#include <QFont>

namespace gyrolap {

// Buttons, the in-ring score and the help window's frame.
QFont WindowFont();
// The score board captions and values.
QFont ScoreFont();
// The help text.
QFont HelpTextFont();

}  // namespace gyrolap
