// SPDX-License-Identifier: MIT
// The window's random values and date; see QtSources.h.
#include "ui/QtSources.h"

#include <QDate>
#include <QLocale>
#include <QTime>
#include <cstdint>
#include <cstring>

#include "ui/ShortDate.h"

namespace gyrolap {

void QtSources::ReseedRandom() {
    // Seeded from the time of day: the bits of the seconds since midnight as a 32-bit float.
    const float seconds = static_cast<float>(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0f;
    std::uint32_t bits = 0;
    std::memcpy(&bits, &seconds, sizeof bits);
    random_.seed(bits);
}

float QtSources::NextRandom() {
    // 24 random bits give every float step in [0, 1) and never round up to 1.
    return static_cast<float>(random_.bounded(1u << 24)) / 16777216.0f;
}

std::string QtSources::ShortDate() {
    return ShortDateText(QLocale::system(), QDate::currentDate());
}

}  // namespace gyrolap
