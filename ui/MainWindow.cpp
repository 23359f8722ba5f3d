// SPDX-License-Identifier: MIT
// Lays out the game window's controls at their fixed places, paints the play field from the
// rendered copy of the board and turns the player's input into signals.
#include "ui/MainWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QWindow>

#include "track/LevelLayouts.h"
#include "ui/ActionButton.h"
#include "ui/Artwork.h"
#include "ui/Colours.h"
#include "ui/DesignedSize.h"
#include "ui/Fonts.h"
#include "ui/HelpWindow.h"
#include "ui/OutlineBox.h"
#include "ui/PaintRatio.h"
#include "ui/PictureBox.h"

namespace gyrolap {
namespace {

constexpr int kClientWidth = 544;
constexpr int kClientHeight = 397;
constexpr QSize kScoreTempSize{25, 17};
constexpr QSize kMarkerSize{kPreviewSize, kPreviewSize};

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Labels put their one line of text at the top, centred across: a caption taller than the
// value beside it ("High 3 " is 25 px, its score 17 px) still reads on the same row.
constexpr Qt::Alignment kLabelAlignment = Qt::AlignTop | Qt::AlignHCenter;

QLabel* MakeLabel(QWidget* parent, const QString& name, const QRect& place, const QString& text,
                  const QColor& colour) {
    auto* label = new QLabel(parent);
    // The texts come from the game as numbers; never let one be read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setObjectName(name);
    label->setGeometry(place);
    label->setAlignment(kLabelAlignment);
    label->setFont(ScoreFont());
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, kBlack);
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setAutoFillBackground(true);
    return label;
}

struct ScoreLabelDesign {
    QRect place;
    QColor colour;
    const char* role;
};

// lblScores(1..6) at [1]..[6]; the sixth sits above the fifth on the board.
const std::array<ScoreLabelDesign, kScoreLabelCount + 1> kScoreLabels{{
    {},
    {{464, 40, 70, 17}, kWhite, "Current score"},
    {{464, 56, 70, 17}, kRed, "Best of the high three"},
    {{464, 72, 70, 17}, kDarkRed, "Second of the high three"},
    {{464, 88, 70, 17}, kDeepRed, "Third of the high three"},
    {{464, 120, 70, 17}, kWhite, "Average of the high three"},
    {{464, 104, 70, 17}, kWhite, "High score"},
}};

struct PreviewDesign {
    int index;  // imgPreview(index)
    int level;
    QPoint place;
};

// The grid reads levels 1..3 over 4..6; the right-hand column's indexes do not follow.
constexpr std::array<PreviewDesign, kLevelCount> kPreviews{{
    {1, 1, {421, 176}},
    {2, 2, {453, 176}},
    {6, 3, {485, 176}},
    {4, 4, {421, 208}},
    {5, 5, {453, 208}},
    {3, 6, {485, 208}},
}};

bool IsDrawn(const BallView& ball) {
    return ball.visible && ball.picture >= 1 && ball.picture <= kColourStepCount;
}

QRect BallRect(const BallView& ball) {
    return {ball.pos.left, ball.pos.top, kBallSize, kBallSize};
}

// A picture placed on whole device pixels may reach one device pixel past its logical
// rectangle at fractional scaling; repainting one logical pixel more covers that.
QRect RepaintRect(const QRect& place) {
    return place.adjusted(-1, -1, 1, 1);
}

bool SameBall(const BallView& a, const BallView& b) {
    return a.pos == b.pos && a.visible == b.visible && a.picture == b.picture;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("Form1"));
    HoldDesignedSize(*this, QSize(kClientWidth, kClientHeight));
    setFont(WindowFont());
    setWindowIcon(AppIcon());
    // The whole client area is painted black in paintEvent; nothing needs clearing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    const Board designed;
    buildPanel(designed);
    // Balls start drawn as nothing, so the first render marks every ball that shows.
    for (auto& ball : shownBalls_) ball.visible = false;
    shownTarget_ = designed.imgTarget;
    renderBoard(designed);
}

MainWindow::~MainWindow() {
    delete helpWindow_.data();
}

void MainWindow::buildPanel(const Board& designed) {
    // Buttons first, in tab order; the action button holds the focus.
    cmdAction_ = new ActionButton(this);
    cmdAction_->setObjectName(QStringLiteral("cmdAction"));
    cmdAction_->setAccessibleDescription(
        QStringLiteral("Starts the particle, or accelerates it while it is in the ring"));
    cmdAction_->setGeometry(400, 8, 65, 25);
    cmdAction_->setAutoDefault(false);
    connect(cmdAction_, &ActionButton::actionPressed, this, &MainWindow::actionPressed);

    cmdHelp_ = new QPushButton(QStringLiteral("Help"), this);
    cmdHelp_->setObjectName(QStringLiteral("cmdHelp"));
    cmdHelp_->setAccessibleName(QStringLiteral("Help"));
    cmdHelp_->setGeometry(472, 8, 65, 25);
    connect(cmdHelp_, &QPushButton::clicked, this, &MainWindow::showHelp);
    // F1 asks for help from anywhere in the window. It types no character, so the action
    // button would never have taken it as a press anyway.
    auto* helpKey = new QShortcut(QKeySequence(Qt::Key_F1), this);
    helpKey->setContext(Qt::WindowShortcut);
    connect(helpKey, &QShortcut::activated, this, &MainWindow::showHelp);

    cmdSubmitScore_ = new QPushButton(QStringLiteral("Submit Score"), this);
    cmdSubmitScore_->setObjectName(QStringLiteral("cmdSubmitScore"));
    cmdSubmitScore_->setAccessibleName(QStringLiteral("Submit Score"));
    cmdSubmitScore_->setGeometry(424, 144, 81, 25);
    connect(cmdSubmitScore_, &QPushButton::clicked, this, &MainWindow::submitClicked);

    cmdHelp_->installEventFilter(this);
    cmdSubmitScore_->installEventFilter(this);
    setTabOrder(cmdAction_, cmdHelp_);
    setTabOrder(cmdHelp_, cmdSubmitScore_);

    MakeLabel(this, QStringLiteral("Label1"), {400, 40, 65, 17}, QStringLiteral("Current"), kWhite);
    MakeLabel(this, QStringLiteral("Label2"), {400, 72, 65, 25}, QStringLiteral("High 3 "),
              kDarkRed);
    // "High" overlaps "Avg " by two rows; it lies on top so its descender stays whole.
    MakeLabel(this, QStringLiteral("Label3"), {400, 120, 65, 18}, QStringLiteral("Avg "), kWhite);
    MakeLabel(this, QStringLiteral("Label4"), {400, 104, 65, 18}, QStringLiteral("High"), kWhite);
    for (int i = 1; i <= kScoreLabelCount; ++i) {
        const auto& design = kScoreLabels[static_cast<std::size_t>(i)];
        lblScores_[static_cast<std::size_t>(i)] = MakeLabel(
            this, QStringLiteral("lblScores%1").arg(i), design.place, QString(), design.colour);
    }

    // The frame and dividers lie over the labels' black grounds, which they border.
    struct OutlineDesign {
        const char* name;
        QRect place;
    };
    const OutlineDesign outlines[] = {
        {"Shape1", {400, 40, 135, 100}}, {"Line1", {400, 57, 135, 1}},
        {"Line2", {400, 104, 135, 1}},   {"Line3", {464, 40, 1, 100}},
        {"Line4", {388, 0, 1, 393}},
    };
    for (const auto& outline : outlines) {
        auto* box = new OutlineBox(kOlive, this);
        box->setObjectName(QString::fromLatin1(outline.name));
        box->setGeometry(outline.place);
    }

    for (const auto& preview : kPreviews) {
        const int level = preview.level;
        auto* box =
            new PictureBox([level](qreal dpr) { return TrackPreviewImage(level, dpr); }, this);
        box->setObjectName(QStringLiteral("imgPreview%1").arg(preview.index));
        box->setAccessibleName(QStringLiteral("Track of level %1").arg(level));
        box->setGeometry(QRect(preview.place, QSize(kPreviewSize, kPreviewSize)));
    }
    shapeCurrentPath_ = new OutlineBox(kOlive, this);
    shapeCurrentPath_->setObjectName(QStringLiteral("shapeCurrentPath"));
    shapeCurrentPath_->setGeometry(
        QRect(QPoint(designed.shapeCurrentPath.left, designed.shapeCurrentPath.top), kMarkerSize));
    shownMarker_ = designed.shapeCurrentPath;

    auto* logo = new LogoBox(this);
    logo->setObjectName(QStringLiteral("imgLogo"));
    logo->setAccessibleName(QStringLiteral("Gyrolap web site"));
    logo->setGeometry(392, 248, kLogoWidth, kLogoHeight);
    connect(logo, &LogoBox::clicked, this, &MainWindow::logoClicked);

    // The in-ring score: window font, no ground of its own, and presses fall through to the
    // ring beneath it.
    lblScoreTemp_ = new QLabel(this);
    lblScoreTemp_->setTextFormat(Qt::PlainText);
    lblScoreTemp_->setObjectName(QStringLiteral("lblScoreTemp"));
    lblScoreTemp_->setAccessibleName(QStringLiteral("Score in the ring"));
    lblScoreTemp_->setAlignment(kLabelAlignment);
    lblScoreTemp_->setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette palette = lblScoreTemp_->palette();
    palette.setColor(QPalette::WindowText, kWhite);
    lblScoreTemp_->setPalette(palette);
    shownScoreTempPos_ = designed.lblScoreTempPos;
    lblScoreTemp_->setGeometry(
        QRect(QPoint(shownScoreTempPos_.left, shownScoreTempPos_.top), kScoreTempSize));

    cmdAction_->setFocus(Qt::OtherFocusReason);
}

void MainWindow::renderBoard(const Board& board) {
    if (!rendered_ || board.cmdAction != shownCaption_) {
        shownCaption_ = board.cmdAction;
        cmdAction_->setText(ToQString(shownCaption_));
        // A screen reader names the button as it reads: Start, or Accelerate.
        cmdAction_->setAccessibleName(ToQString(shownCaption_));
    }
    for (std::size_t i = 1; i <= kScoreLabelCount; ++i) {
        if (rendered_ && board.lblScores[i] == shownScores_[i]) continue;
        shownScores_[i] = board.lblScores[i];
        const QString text = ToQString(shownScores_[i]);
        lblScores_[i]->setText(text);
        lblScores_[i]->setAccessibleName(
            QStringLiteral("%1: %2").arg(QString::fromLatin1(kScoreLabels[i].role), text));
    }
    if (!rendered_ || board.lblScoreTemp != shownScoreTemp_) {
        shownScoreTemp_ = board.lblScoreTemp;
        lblScoreTemp_->setText(ToQString(shownScoreTemp_));
    }
    if (board.lblScoreTempPos != shownScoreTempPos_) {
        shownScoreTempPos_ = board.lblScoreTempPos;
        lblScoreTemp_->move(shownScoreTempPos_.left, shownScoreTempPos_.top);
    }
    if (board.shapeCurrentPath != shownMarker_) {
        shownMarker_ = board.shapeCurrentPath;
        shapeCurrentPath_->move(shownMarker_.left, shownMarker_.top);
    }
    for (std::size_t i = 1; i <= kBallCount; ++i) {
        const BallView& now = board.imgBall[i];
        BallView& shown = shownBalls_[i];
        if (SameBall(now, shown)) continue;
        if (IsDrawn(shown)) update(RepaintRect(BallRect(shown)));
        if (IsDrawn(now)) update(RepaintRect(BallRect(now)));
        shown = now;
    }
    if (board.imgTarget != shownTarget_) {
        update(RepaintRect(ringRect()));
        shownTarget_ = board.imgTarget;
        update(RepaintRect(ringRect()));
    }
    rendered_ = true;
}

void MainWindow::showRecordingStopped(const std::string& reason) {
    if (plainTitle_.isEmpty()) plainTitle_ = windowTitle();
    recordingStopped_ = QString::fromStdString(reason);
    showRecordingTitle();
}

void MainWindow::showRecordingTo(const QString& where) {
    if (plainTitle_.isEmpty()) plainTitle_ = windowTitle();
    recordingTo_ = where;
    showRecordingTitle();
}

void MainWindow::showRecordingTitle() {
    QString title = plainTitle_;
    if (!recordingTo_.isEmpty()) title += QStringLiteral(" - recording to ") + recordingTo_;
    if (!recordingStopped_.isEmpty())
        title += QStringLiteral(" - recording stopped: ") + recordingStopped_;
    setWindowTitle(title);
}

void MainWindow::focusActionButton() {
    if (isVisible() && !isMinimized()) {
        raise();
        activateWindow();
    }
    cmdAction_->setFocus(Qt::OtherFocusReason);
}

HelpWindow* MainWindow::helpWindow() const {
    return helpWindow_.data();
}

QRect MainWindow::ringRect() const {
    return {shownTarget_.left, shownTarget_.top, kRingSize, kRingSize};
}

void MainWindow::ensureArtwork(qreal ratio) {
    if (ratio == artworkRatio_) return;
    // Kept in device pixels (ratio 1): paintEvent places them on whole device pixels itself.
    const auto devicePixmap = [](QImage image) {
        image.setDevicePixelRatio(1.0);
        return QPixmap::fromImage(image);
    };
    for (int step = 1; step <= kColourStepCount; ++step)
        ballPixmaps_[static_cast<std::size_t>(step)] = devicePixmap(ColourStepImage(step, ratio));
    ringPixmap_ = devicePixmap(TargetRingImage(ratio));
    artworkRatio_ = ratio;
}

void MainWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.fillRect(dirty, kBlack);
    const qreal ratio = PaintRatio(painter);
    ensureArtwork(ratio);
    // Each picture goes unscaled onto whole device pixels. At 150 % a logical pixel edge can
    // fall mid-pixel; scaling the picture into it would cut a sliver off the sphere's rim.
    painter.save();
    painter.scale(1.0 / ratio, 1.0 / ratio);
    const auto draw = [&](const Point& at, const QPixmap& pixmap) {
        // A quarter pixel in, so that rounding noise of the scale and back cannot tip the
        // picture onto the neighbouring device pixel, whichever way the engine rounds.
        painter.drawPixmap(QPointF(qRound(at.left * ratio) + 0.25, qRound(at.top * ratio) + 0.25),
                           pixmap);
    };
    // Later balls lie over earlier ones where two positions share a point; the ring lies over
    // every ball, and its see-through middle shows the ball in it.
    for (std::size_t i = 1; i <= kBallCount; ++i) {
        const BallView& ball = shownBalls_[i];
        if (!IsDrawn(ball) || !dirty.intersects(RepaintRect(BallRect(ball)))) continue;
        draw(ball.pos, ballPixmaps_[static_cast<std::size_t>(ball.picture)]);
    }
    if (dirty.intersects(RepaintRect(ringRect()))) draw(shownTarget_, ringPixmap_);
    painter.restore();
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    // The ring takes presses anywhere on its square, the score label over it included
    // (the label lets presses through). The rest of the ground does nothing.
    if (ringRect().contains(event->position().toPoint())) emit actionPressed();
    event->accept();
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click comes as this event alone: it counts like a press.
    mousePressEvent(event);
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (firstShow_) {
        firstShow_ = false;
        cmdAction_->setFocus(Qt::OtherFocusReason);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == cmdHelp_ || watched == cmdSubmitScore_)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            static_cast<QPushButton*>(watched)->animateClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The program ends: the help window goes with it, without handing the focus back.
    delete helpWindow_.data();
    emit closing();
    event->accept();
}

void MainWindow::showHelp() {
    if (helpWindow_ != nullptr) {
        // Already open: bring it to the front where it is.
        if (helpWindow_->isMinimized())
            helpWindow_->setWindowState(helpWindow_->windowState() & ~Qt::WindowMinimized);
        helpWindow_->show();
        helpWindow_->raise();
        helpWindow_->activateWindow();
        return;
    }
    auto* help = new HelpWindow;
    helpWindow_ = help;
    connect(help, &HelpWindow::closedByUser, this, [this] {
        // The window deletes itself once back in the event loop; a Help press from now on
        // opens a fresh one.
        helpWindow_ = nullptr;
        focusActionButton();
    });
    // Until the help window has been on the screen its frame is unknown; the main window's
    // frame has the same title bar and borders.
    const QMargins frameHint =
        windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
    help->centreOnScreen(screen(), frameHint);
    help->show();
}

}  // namespace gyrolap
