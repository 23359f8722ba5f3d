// SPDX-License-Identifier: MIT
// Shared helpers of the window tests: a board laid out by hand, pixel reading and a fixture
// that owns a main window over that board.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QWidget>
#include <QtTest/QTest>
#include <memory>

#include "game/Board.h"
#include "game/GameState.h"
#include "game/PlaceLevel.h"
#include "track/LevelLayouts.h"
#include "ui/MainWindow.h"

namespace gyrolap::testing {

inline QImage Grab(QWidget* widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QColor Pixel(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

// Puts every ball of a level where the level set-up would, all shown with one picture.
inline void LayOutLevel(Board& board, int level, int picture) {
    GameState state;
    PlaceLevel(board, state, kLevelLayouts[static_cast<std::size_t>(level - 1)]);
    for (int i = 1; i <= kBallCount; ++i) {
        auto& ball = board.imgBall[static_cast<std::size_t>(i)];
        ball.visible = true;
        ball.picture = picture;
    }
}

inline void HideAllBalls(Board& board) {
    for (auto& ball : board.imgBall) ball.visible = false;
}

class MainWindowFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        window = std::make_unique<MainWindow>();
        window->renderBoard(board);
    }
    void TearDown() override {
        window.reset();
        // Windows that closed themselves are deleted once the event loop comes round.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void Render() { window->renderBoard(board); }

    template <typename T = QWidget>
    T* Child(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }

    // Shows the window and waits until the (offscreen) window system has made it active.
    void ShowActive() {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // What the test lays out and hands to the window with Render.
    Board board;
    std::unique_ptr<MainWindow> window;
};

}  // namespace gyrolap::testing
