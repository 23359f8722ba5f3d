// SPDX-License-Identifier: MIT
// A fixed picture on the panel (track preview, logo), drawn once per device pixel ratio and
// drawn again only when the window lands on a screen with another ratio.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <functional>

namespace gyrolap {

class PictureBox : public QWidget {
    Q_OBJECT
  public:
    using Renderer = std::function<QImage(qreal dpr)>;
    PictureBox(Renderer renderer, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    Renderer renderer_;
    QPixmap pixmap_;
    qreal pixmapRatio_ = 0.0;
};

// The logo: a click (press and release on it with the left button) asks for the web site.
class LogoBox : public PictureBox {
    Q_OBJECT
  public:
    explicit LogoBox(QWidget* parent = nullptr);

  signals:
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool pressedHere_ = false;
};

}  // namespace gyrolap
