// SPDX-License-Identifier: MIT
// The board as a line of text; see BoardText.h.
#include "sim/BoardText.h"

namespace gyrolap::sim {

std::string DescribeBoard(const Board& board, bool messageOpen) {
    std::string line = "cap=" + board.cmdAction + " shown=";
    bool any = false;
    for (int i = 1; i <= kBallCount; ++i) {
        if (!board.imgBall[static_cast<std::size_t>(i)].visible) continue;
        if (any) line += ',';
        line += std::to_string(i);
        any = true;
    }
    if (!any) line += '-';
    line += " pics=";
    for (int i = 1; i <= kBallCount; ++i) {
        if (i > 1) line += ',';
        line += std::to_string(board.imgBall[static_cast<std::size_t>(i)].picture);
    }
    auto point = [](Point p) { return std::to_string(p.left) + ':' + std::to_string(p.top); };
    line += " pos=";
    for (int i = 1; i <= kBallCount; ++i) {
        if (i > 1) line += ',';
        line += point(board.imgBall[static_cast<std::size_t>(i)].pos);
    }
    line += " ring=" + point(board.imgTarget);
    line += " temp=" + point(board.lblScoreTempPos) + ":\"" + board.lblScoreTemp + '"';
    line += " marker=" + point(board.shapeCurrentPath);
    line += " scores=";
    for (int i = 1; i <= kScoreLabelCount; ++i) {
        if (i > 1) line += '|';
        line += board.lblScores[static_cast<std::size_t>(i)];
    }
    line += messageOpen ? " box=1" : " box=0";
    return line;
}

}  // namespace gyrolap::sim
