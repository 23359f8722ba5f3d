// SPDX-License-Identifier: MIT
// The date a submission carries: the user's order and separators, ASCII digits, the year in full
// and nothing invisible, for every locale Qt knows.
#include <gtest/gtest.h>

#include <QDate>
#include <QLocale>
#include <string>
#include <utility>
#include <vector>

#include "game/GameState.h"
#include "submit/SubmissionCheck.h"
#include "submit/ValidationCode.h"
#include "ui/ShortDate.h"

namespace gyrolap {
namespace {

struct DateCase {
    const char* locale;
    int year, month, day;
    const char* text;
};

class ShortDateInLocale : public ::testing::TestWithParam<DateCase> {};

TEST_P(ShortDateInLocale, KeepsTheOrderAndSeparatorsWithAsciiDigits) {
    const DateCase& c = GetParam();
    const QLocale locale(QString::fromLatin1(c.locale));
    EXPECT_EQ(ShortDateText(locale, QDate(c.year, c.month, c.day)), c.text) << c.locale;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ShortDateInLocale,
    ::testing::Values(
        DateCase{"en_US", 2001, 5, 16, "5/16/2001"}, DateCase{"en_US", 2024, 1, 5, "1/5/2024"},
        DateCase{"de_DE", 2001, 5, 16, "16.05.2001"}, DateCase{"de_DE", 2024, 1, 5, "05.01.2024"},
        DateCase{"en_GB", 2001, 5, 16, "16/05/2001"},
        // Arabic-Indic digits and right-to-left marks in the system's own text.
        DateCase{"ar_EG", 2001, 5, 16, "16/5/2001"}, DateCase{"ar_SA", 2024, 12, 31, "31/12/2024"},
        // Extended Arabic-Indic digits.
        DateCase{"fa_IR", 2001, 5, 16, "2001/5/16"},
        DateCase{"hu_HU", 2001, 5, 16, "2001. 05. 16."},
        // A quoted literal after a two-digit year.
        DateCase{"bg_BG", 2001, 5, 16, "16.05.2001 \xD0\xB3."},
        DateCase{"ko_KR", 2001, 5, 16, "2001. 5. 16."},
        // A month name becomes its number.
        DateCase{"C", 2001, 5, 16, "16 05 2001"}));

bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

TEST(ShortDate, EveryLocaleWritesThreeAsciiNumbersAndNoFormatCharacter) {
    const QDate day(2001, 5, 16);
    const auto locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    ASSERT_GT(locales.size(), 100);
    for (const QLocale& locale : locales) {
        const std::string text = ShortDateText(locale, day);
        const QString shown = QString::fromStdString(text);
        std::string numbers;
        for (const QChar c : shown) {
            EXPECT_NE(c.category(), QChar::Other_Format) << locale.name().toStdString();
            // Only ASCII digits may be digits at all.
            if (c.isDigit()) {
                EXPECT_LT(c.unicode(), 0x80) << locale.name().toStdString() << ": " << text;
            }
        }
        // The digits read day, month and year in some order, the year in full.
        for (std::size_t k = 0; k < text.size(); ++k) {
            if (IsAsciiDigit(text[k])) {
                numbers += text[k];
            } else if (!numbers.empty() && numbers.back() != ' ') {
                numbers += ' ';
            }
        }
        while (!numbers.empty() && numbers.back() == ' ') numbers.pop_back();
        const bool knownOrder = numbers == "16 5 2001" || numbers == "16 05 2001" ||
                                numbers == "5 16 2001" || numbers == "05 16 2001" ||
                                numbers == "2001 5 16" || numbers == "2001 05 16";
        EXPECT_TRUE(knownOrder) << locale.name().toStdString() << ": " << text;
        // The numbers end early enough that the 40 sealed bytes of the plain part cover them
        // for any board of scores below 100 ("GY2001.0516.1158x99x99.000x" is 27 bytes); a
        // literal after the year, such as the Bulgarian " \u0433.", may lie beyond.
        const std::size_t lastDigit = text.find_last_of("0123456789");
        EXPECT_LE(lastDigit + 1, 13u) << locale.name().toStdString() << ": " << text;
    }
}

TEST(ShortDate, EveryLocalesDateMakesATextTheCheckerAccepts) {
    const auto locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    for (const QDate& day : {QDate(2001, 5, 16), QDate(2024, 1, 5), QDate(2099, 12, 31)}) {
        for (const QLocale& locale : locales) {
            const std::string date = ShortDateText(locale, day);
            const std::string text = BuildSubmissionText(kVersionText, "27", "19.333", date, 0.5f);
            const SubmissionCheck check = CheckSubmission(text);
            EXPECT_TRUE(check.valid)
                << locale.name().toStdString() << ": " << text << ": " << check.reason;
            EXPECT_EQ(check.date, date);
        }
    }
}

// Days of 2000-2099 with one- and two-digit days and months, and September, the longest month
// name, for the rare short format that names its month.
std::vector<QDate> SampleDaysOfTheCentury() {
    std::vector<QDate> days;
    for (int year = 2000; year <= 2099; ++year) {
        for (const auto& [month, day] : {std::pair{1, 1}, {1, 31}, {10, 1}, {12, 31}, {9, 30}})
            days.emplace_back(year, month, day);
    }
    return days;
}

bool AsciiDigitsAndAFullYear(const QString& text, int year) {
    for (const QChar c : text) {
        if (c.isDigit() && c.unicode() >= 0x80) return false;
    }
    return text.contains(QString::number(year));
}

// The checker's bound on a date holds every short date of this century that the game writes,
// and every one Qt itself writes with ASCII digits and the year in full, in every locale.
TEST(ShortDate, EveryLocalesShortDateOfTheCenturyFitsTheCheckersBound) {
    const auto locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    std::size_t longestWritten = 0, longestQt = 0, qtKept = 0;
    std::string writtenExample, qtExample;
    for (const QDate& day : SampleDaysOfTheCentury()) {
        for (const QLocale& locale : locales) {
            const std::string written = ShortDateText(locale, day);
            EXPECT_LE(written.size(), kMostDateBytes)
                << locale.name().toStdString() << ": " << written;
            if (written.size() > longestWritten) {
                longestWritten = written.size();
                writtenExample = locale.name().toStdString() + " " + written;
            }
            const QString qt = locale.toString(day, QLocale::ShortFormat);
            if (!AsciiDigitsAndAFullYear(qt, day.year())) continue;
            ++qtKept;
            const std::string bytes = qt.toStdString();
            EXPECT_LE(bytes.size(), kMostDateBytes) << locale.name().toStdString() << ": " << bytes;
            if (bytes.size() > longestQt) {
                longestQt = bytes.size();
                qtExample = locale.name().toStdString() + " " + bytes;
            }
        }
    }
    // Most locales write ASCII digits and a full year themselves; the measure means something.
    EXPECT_GT(qtKept, SampleDaysOfTheCentury().size() * 100);
    RecordProperty("LongestWrittenDate",
                   std::to_string(longestWritten) + " bytes, " + writtenExample);
    RecordProperty("LongestQtDate", std::to_string(longestQt) + " bytes, " + qtExample);
}

}  // namespace
}  // namespace gyrolap
