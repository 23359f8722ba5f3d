// SPDX-License-Identifier: MIT
// Font faces with fallbacks: Arial and Courier New resolve to the metric-compatible
// Liberation faces where Arial and Courier New themselves are not installed.
#include "ui/Fonts.h"

#include <QStringList>

namespace gyrolap {

QFont WindowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

QFont ScoreFont() {
    QFont font = WindowFont();
    font.setPixelSize(16);
    font.setBold(true);
    return font;
}

QFont HelpTextFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(13);
    return font;
}

}  // namespace gyrolap
