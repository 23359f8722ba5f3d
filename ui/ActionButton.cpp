// SPDX-License-Identifier: MIT
// Turns key and mouse presses on the action button into the game's press signal.
#include "ui/ActionButton.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace gyrolap {

ActionButton::ActionButton(QWidget* parent) : QPushButton(parent) {}

void ActionButton::keyPressEvent(QKeyEvent* event) {
    // Tab and Backtab move the focus and carry no character for the game; arrows and lone
    // modifiers carry no text at all. Everything that types something is a press.
    const bool typed =
        !event->text().isEmpty() && event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab;
    if (typed) emit actionPressed();
    // The base class still draws the pushed look for Space; the click it ends with has no
    // handler, so the press above is the only one that counts.
    QPushButton::keyPressEvent(event);
    if (typed) event->accept();
}

void ActionButton::mousePressEvent(QMouseEvent* event) {
    // Any button counts, at the moment it goes down: the player times the press, not the
    // release.
    emit actionPressed();
    if (event->button() == Qt::LeftButton) QPushButton::mousePressEvent(event);
    event->accept();
}

void ActionButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // Widgets get the second press of a double click as a double-click event only, with no
    // press of its own before it; it is a button going down like any other.
    mousePressEvent(event);
}

}  // namespace gyrolap
