// SPDX-License-Identifier: MIT
// Writing a board down and reading it back; see StoredBoard.h.
#include "scores/intake/StoredBoard.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace gyrolap::scores {
namespace {

QJsonArray FromPoint(Point point) {
    return QJsonArray{point.left, point.top};
}

std::optional<Point> ToPoint(const QJsonValue& value) {
    const QJsonArray pair = value.toArray();
    if (pair.size() != 2 || !pair[0].isDouble() || !pair[1].isDouble()) return std::nullopt;
    return Point{pair[0].toInt(), pair[1].toInt()};
}

QString FromText(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

std::string BoardToText(const Board& board) {
    QJsonArray balls;
    for (const BallView& ball : board.imgBall)
        balls.append(QJsonArray{ball.pos.left, ball.pos.top, ball.visible, ball.picture});
    QJsonArray scores;
    for (const std::string& label : board.lblScores) scores.append(FromText(label));
    const QJsonObject object{
        {"imgBall", balls},
        {"imgTarget", FromPoint(board.imgTarget)},
        {"lblScores", scores},
        {"lblScoreTemp", FromText(board.lblScoreTemp)},
        {"lblScoreTempPos", FromPoint(board.lblScoreTempPos)},
        {"shapeCurrentPath", FromPoint(board.shapeCurrentPath)},
        {"cmdAction", FromText(board.cmdAction)},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

std::optional<Board> BoardFromText(std::string_view text) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray(text.data(), static_cast<qsizetype>(text.size())), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    const QJsonObject object = document.object();
    Board board;
    const QJsonArray balls = object["imgBall"].toArray();
    const QJsonArray scores = object["lblScores"].toArray();
    if (balls.size() != static_cast<qsizetype>(board.imgBall.size()) ||
        scores.size() != static_cast<qsizetype>(board.lblScores.size()))
        return std::nullopt;
    for (qsizetype i = 0; i < balls.size(); ++i) {
        const QJsonArray ball = balls[i].toArray();
        if (ball.size() != 4 || !ball[2].isBool()) return std::nullopt;
        const int picture = ball[3].toInt(-1);
        if (picture < 0 || picture > kColourCount) return std::nullopt;
        BallView& view = board.imgBall[static_cast<std::size_t>(i)];
        view.pos = {ball[0].toInt(), ball[1].toInt()};
        view.visible = ball[2].toBool();
        view.picture = picture;
    }
    for (qsizetype i = 0; i < scores.size(); ++i)
        board.lblScores[static_cast<std::size_t>(i)] = scores[i].toString().toStdString();
    const auto target = ToPoint(object["imgTarget"]);
    const auto tempPos = ToPoint(object["lblScoreTempPos"]);
    const auto marker = ToPoint(object["shapeCurrentPath"]);
    if (!target || !tempPos || !marker || !object["lblScoreTemp"].isString() ||
        !object["cmdAction"].isString())
        return std::nullopt;
    board.imgTarget = *target;
    board.lblScoreTempPos = *tempPos;
    board.shapeCurrentPath = *marker;
    board.lblScoreTemp = object["lblScoreTemp"].toString().toStdString();
    board.cmdAction = object["cmdAction"].toString().toStdString();
    return board;
}

}  // namespace gyrolap::scores
