// SPDX-License-Identifier: MIT
// Reading and writing the score board's texts; see ScoreBoard.h.
#include "game/ScoreBoard.h"

namespace gyrolap {

void EnterScore(Board& board, std::int32_t& loopIndex) {
    auto& labels = board.lblScores;
    const std::string& current = labels[kCurrentScoreLabel];
    const double currentScore = LabelNumber(current);

    // At most one insertion; an equal score goes in above the entry it equals.
    bool inserted = false;
    for (loopIndex = kFirstBestLabel; loopIndex <= kLastBestLabel; ++loopIndex) {
        const int i = loopIndex;
        if (!inserted && LabelNumber(labels[i]) <= currentScore && current != "0") {
            inserted = true;
            for (int k = kLastBestLabel; k >= i + 1; --k) labels[k] = labels[k - 1];
            labels[i] = current;
        }
    }

    const std::string& best = labels[kFirstBestLabel];
    if (best != "0") {
        labels[kAverageLabel] =
            AverageText(LabelNumber(best), LabelNumber(labels[kFirstBestLabel + 1]),
                        LabelNumber(labels[kFirstBestLabel + 2]));
    }
    // Cut also when the average was not written anew: it reads as the board shows it.
    CutRoundedThird(labels[kAverageLabel]);

    // The best of the three is the best of the session.
    if (best != "0") labels[kBestLabel] = best;
}

}  // namespace gyrolap
