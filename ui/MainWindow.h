// SPDX-License-Identifier: MIT
// The game window: renders a Board (balls, ring, labels, marker) beside the fixed side panel
// and reports the player's presses and clicks as signals. It opens the help window itself,
// from the Help button or the F1 key.
#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <array>
#include <string>

#include "game/Board.h"

class QLabel;
class QPushButton;

namespace gyrolap {

class ActionButton;
class HelpWindow;
class OutlineBox;

class MainWindow : public QWidget {
    Q_OBJECT
  public:
    // Shows the board as designed until the first renderBoard.
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Brings the widgets up to date with `board` (a snapshot's: the window never reads the
    // game's own) and schedules the repaint of what changed. Cheap when little changed.
    void renderBoard(const Board& board);
    // Gives the keyboard focus back to the action button, activating the window when it is
    // on the screen.
    void focusActionButton();

    // The recording the player asked for has stopped (a full disk, a closed pipe): the title
    // says so, and why, while the game goes on.
    void showRecordingStopped(const std::string& reason);
    // The session is being recorded into the file at `where`: the title says so, and says
    // the new place when the file changes its name.
    void showRecordingTo(const QString& where);

    // The open help window, or nullptr when none is open.
    HelpWindow* helpWindow() const;

  signals:
    // A key typed at the action button, or a mouse button going down on it or on the ring.
    void actionPressed();
    void submitClicked();
    void logoClicked();
    // The main window is closing; the program ends.
    void closing();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Return and Enter activate a focused Help or Submit Score button, as Space does.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildPanel(const Board& designed);
    void showHelp();
    void ensureArtwork(qreal ratio);
    QRect ringRect() const;

    ActionButton* cmdAction_ = nullptr;
    QPushButton* cmdHelp_ = nullptr;
    QPushButton* cmdSubmitScore_ = nullptr;
    std::array<QLabel*, kScoreLabelCount + 1> lblScores_{};
    QLabel* lblScoreTemp_ = nullptr;
    OutlineBox* shapeCurrentPath_ = nullptr;
    QPointer<HelpWindow> helpWindow_;

    // What the window shows now; the board may run ahead of it until the next renderBoard,
    // and painting always uses this so it matches the regions marked for repaint.
    std::array<BallView, kBallCount + 1> shownBalls_{};
    Point shownTarget_{};
    void showRecordingTitle();

    // The title as it was before the recording spoke in it, and what it says.
    QString plainTitle_;
    QString recordingTo_;
    QString recordingStopped_;
    std::string shownCaption_;
    std::array<std::string, kScoreLabelCount + 1> shownScores_{};
    std::string shownScoreTemp_;
    Point shownScoreTempPos_{};
    Point shownMarker_{};

    // Ball colour steps [1]..[10] and the ring, for the ratio they were drawn at.
    std::array<QPixmap, 11> ballPixmaps_{};
    QPixmap ringPixmap_;
    qreal artworkRatio_ = 0.0;
    bool firstShow_ = true;
    bool rendered_ = false;
};

}  // namespace gyrolap
