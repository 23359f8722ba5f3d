// SPDX-License-Identifier: MIT
// Reading and writing the score board's texts; see ScoreBoard.h.
#include "game/ScoreBoard.h"

#include <cmath>
#include <cstdio>

namespace gyrolap {

double LabelNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    double value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        value = value * 10 + (text[i++] - '0');
    if (i < text.size() && text[i] == '.') {
        double scale = 0.1;
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, scale /= 10)
            value += (text[i] - '0') * scale;
    }
    return negative ? -value : value;
}

std::string FormatAverage(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", value);
    std::string text = buffer;
    // "#" prints no digit for a zero whole part.
    if (text.rfind("0.", 0) == 0) text.erase(0, 1);
    return text;
}

std::string FormatScore(double score) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.0f", score);
    return buffer;
}

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

    // Always divided by all three, empty slots counting 0.
    const std::string& best = labels[kFirstBestLabel];
    if (best != "0") {
        double sum = LabelNumber(labels[kFirstBestLabel + 1]) +
                     LabelNumber(labels[kFirstBestLabel + 2]) + LabelNumber(best);
        labels[kAverageLabel] = FormatAverage(sum / kBestScoreCount);
    }

    // Thirds are shown cut, not rounded: x.667 reads x.666.
    std::string& average = labels[kAverageLabel];
    if (!average.empty() && average.back() == '7') average.back() = '6';

    // The best of the three is the best of the session.
    if (best != "0") labels[kBestLabel] = best;
}

}  // namespace gyrolap
