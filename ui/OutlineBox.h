// SPDX-License-Identifier: MIT
// A one-pixel olive outline: the score board frame, its dividers (an outline one pixel thick
// is a line) and the marker frame over the current level's preview. Mouse presses go through.
#pragma once

#include <QColor>
#include <QWidget>

namespace gyrolap {

class OutlineBox : public QWidget {
    Q_OBJECT
  public:
    OutlineBox(const QColor& colour, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor colour_;
};

}  // namespace gyrolap
