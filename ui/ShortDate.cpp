// SPDX-License-Identifier: MIT
// Writing the submission date from the user's short date format; see ShortDate.h.
#include "ui/ShortDate.h"

#include <QString>

namespace gyrolap {
namespace {

// Locales that write their own digits would make the date up to three times longer, and the
// validation code only covers the first 40 bytes of the text: the year could then be changed
// unnoticed. ASCII digits keep the date short and the same for every reader.
QString Number(int value, int width) {
    return QString::number(value).rightJustified(width, QLatin1Char('0'));
}

// Marks such as U+200F do not show, but change the bytes sent and the order a reader sees.
void AppendVisible(QString& out, QStringView literal) {
    for (const QChar c : literal) {
        if (c.category() != QChar::Other_Format) out += c;
    }
}

}  // namespace

std::string ShortDateText(const QLocale& locale, const QDate& date) {
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QString out;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            // Two quotes stand for one; otherwise a quoted literal, in which two quotes again
            // stand for one.
            if (i + 1 < format.size() && format[i + 1] == QLatin1Char('\'')) {
                out += QLatin1Char('\'');
                i += 2;
                continue;
            }
            QString literal;
            qsizetype j = i + 1;
            while (j < format.size()) {
                if (format[j] == QLatin1Char('\'')) {
                    if (j + 1 < format.size() && format[j + 1] == QLatin1Char('\'')) {
                        literal += QLatin1Char('\'');
                        j += 2;
                        continue;
                    }
                    break;
                }
                literal += format[j++];
            }
            AppendVisible(out, literal);
            i = j + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c) ++run;
        if (c == QLatin1Char('d')) {
            // A weekday name would add letters that say nothing the day number does not.
            if (run <= 2) out += Number(date.day(), static_cast<int>(run));
        } else if (c == QLatin1Char('M')) {
            out += Number(date.month(), run == 1 ? 1 : 2);
        } else if (c == QLatin1Char('y')) {
            // "5/16/01" could be any century: the year is always written in full.
            out += Number(date.year(), 4);
        } else {
            AppendVisible(out, QStringView(format).mid(i, run));
        }
        i += run;
    }
    return out.trimmed().toStdString();
}

}  // namespace gyrolap
