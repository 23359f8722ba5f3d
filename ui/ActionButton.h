// SPDX-License-Identifier: MIT
// The action button: a typed character or any mouse button going down on it is the game's
// press, taken at once; its own click is left unanswered so nothing counts twice.
#pragma once

#include <QPushButton>

namespace gyrolap {

class ActionButton : public QPushButton {
    Q_OBJECT
  public:
    explicit ActionButton(QWidget* parent = nullptr);

  signals:
    void actionPressed();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace gyrolap
