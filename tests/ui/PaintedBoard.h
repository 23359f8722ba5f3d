// SPDX-License-Identifier: MIT
// What the game window really paints, read back from its widgets and its pixels, and a wait
// until it paints a given board: for the tests that hold the window to the game's latest board.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <string>

#include "game/Board.h"
#include "ui/MainWindow.h"

namespace gyrolap::testing {

// The action button's caption and the score board as the window's widgets hold them, where the
// in-ring score and the marker stand, and a fingerprint of the play field's pixels (the balls,
// the ring and the score over it).
inline std::string Painted(QWidget& window) {
    std::string painted = window.findChild<QPushButton*>("cmdAction")->text().toStdString();
    for (int i = 1; i <= kScoreLabelCount; ++i)
        painted +=
            "|" +
            window.findChild<QLabel*>(QStringLiteral("lblScores%1").arg(i))->text().toStdString();
    const auto* temp = window.findChild<QLabel*>("lblScoreTemp");
    const auto* marker = window.findChild<QWidget*>("shapeCurrentPath");
    painted += " temp=" + temp->text().toStdString() + "@" + std::to_string(temp->x()) + ":" +
               std::to_string(temp->y());
    painted += " marker=" + std::to_string(marker->x()) + ":" + std::to_string(marker->y());
    const QImage field =
        window.grab(QRect(0, 0, 388, 397)).toImage().convertToFormat(QImage::Format_RGB32);
    painted += " field=" + std::to_string(qHashBits(field.constBits(),
                                                    static_cast<std::size_t>(field.sizeInBytes())));
    return painted;
}

// What a window that shows nothing else paints for `board`.
inline std::string PaintedFor(const Board& board) {
    MainWindow window;
    window.renderBoard(board);
    return Painted(window);
}

// Waits, without hurrying the paint on, until `window` paints `board`: the frame a player sees
// once the screen has caught up, not the one before it.
inline ::testing::AssertionResult PaintsTheBoard(QWidget& window, const Board& board) {
    const std::string expected = PaintedFor(board);
    if (QTest::qWaitFor([&] { return Painted(window) == expected; }, 5000))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the window paints\n  " << Painted(window)
                                         << "\nwhile the game's board is\n  " << expected;
}

}  // namespace gyrolap::testing
