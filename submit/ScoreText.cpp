// SPDX-License-Identifier: MIT
// The score board's number format; see ScoreText.h.
#include "submit/ScoreText.h"

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

std::string FormatScore(double score) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.0f", score);
    return buffer;
}

std::string FormatAverage(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", value);
    std::string text = buffer;
    // "#" prints no digit for a zero whole part.
    if (text.rfind("0.", 0) == 0) text.erase(0, 1);
    return text;
}

void CutRoundedThird(std::string& average) {
    if (!average.empty() && average.back() == '7') average.back() = '6';
}

std::string AverageText(double best, double second, double third) {
    // Always divided by all three, empty slots counting 0.
    const double sum = second + third + best;
    std::string text = FormatAverage(sum / 3);
    CutRoundedThird(text);
    return text;
}

}  // namespace gyrolap
