// SPDX-License-Identifier: MIT
// Builds the help window with its text box and centres it on demand.
#include "ui/HelpWindow.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcut>
#include <QWindow>

#include "ui/Artwork.h"
#include "ui/Centring.h"
#include "ui/DesignedSize.h"
#include "ui/Fonts.h"
#include "ui/HelpText.h"

namespace gyrolap {
namespace {

// Every line ends with a line break, the last one too, so the box ends on an empty line
// below the text, as a text file does.
QString HelpText() {
    QString text;
    for (const auto line : kHelpLines) {
        text += QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
        text += QLatin1Char('\n');
    }
    return text;
}

}  // namespace

HelpWindow::HelpWindow()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      text1_(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Gyrolap Help"));
    setWindowIcon(AppIcon());
    setFont(WindowFont());
    HoldDesignedSize(*this, QSize(446, 392));
    setAttribute(Qt::WA_DeleteOnClose);

    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setAccessibleName(QStringLiteral("Gyrolap instructions"));
    text1_->setGeometry(8, 8, 433, 377);
    text1_->setFont(HelpTextFont());
    text1_->setReadOnly(true);
    // Read-only drops the keyboard from the box; keep it so the player can select and copy
    // with the keyboard and the box takes the focus whenever the window is active.
    text1_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text1_->setFocusPolicy(Qt::StrongFocus);
    text1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text1_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text1_->setPlainText(HelpText());
    text1_->setFocus(Qt::OtherFocusReason);

    // Esc closes the window the way its close box does, handing the keyboard back to the game.
    auto* closeKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    closeKey->setContext(Qt::WindowShortcut);
    connect(closeKey, &QShortcut::activated, this, &QWidget::close);
}

void HelpWindow::centreOnScreen(const QScreen* screen, const QMargins& frameHint) {
    if (screen == nullptr) return;
    QMargins frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
    if (frame.isNull()) frame = frameHint;
    // move() places the outer frame's corner for a top-level window.
    move(CentredTopLeft(screen->geometry(), size().grownBy(frame)));
}

void HelpWindow::closeEvent(QCloseEvent* event) {
    emit closedByUser();
    event->accept();
}

}  // namespace gyrolap
