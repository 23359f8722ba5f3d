// SPDX-License-Identifier: MIT
// The help window: a separate top-level window with the instructions in a read-only,
// scrolling text box. It tells its opener when the player closes it.
#pragma once

#include <QWidget>

class QPlainTextEdit;
class QScreen;

namespace gyrolap {

class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    // No parent: the window has no owner and may lie behind the main window.
    HelpWindow();

    // Puts the middle of the outer frame on the middle of the whole screen (CentredTopLeft),
    // unclamped, so a screen smaller than the window leaves it partly off the screen.
    // frameHint stands in for the window's own frame margins while the window system has
    // not told them yet (before the first showing).
    void centreOnScreen(const QScreen* screen, const QMargins& frameHint);

    QPlainTextEdit* textBox() const { return text1_; }

  signals:
    // The player closed the window (close box, system menu, Alt+F4, Esc).
    void closedByUser();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QPlainTextEdit* text1_;
};

}  // namespace gyrolap
