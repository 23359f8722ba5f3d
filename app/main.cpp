// gyrolap: the game in its window.
#include <QApplication>

#include "game/Game.h"
#include "ui/MainWindow.h"
#include "ui/QtDriver.h"
#include "ui/QtPlatform.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Gyrolap"));
    QApplication::setDesktopFileName(QStringLiteral(GYROLAP_APP_ID));

    gyrolap::QtPlatform platform;
    gyrolap::Game game(platform);
    gyrolap::MainWindow window(game.board());
    gyrolap::QtDriver driver(game, platform, window);
    driver.Load();
    return QApplication::exec();
}
