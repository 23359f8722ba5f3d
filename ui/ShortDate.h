// SPDX-License-Identifier: MIT
// The date a submission carries: the user's short date order and separators, written with ASCII
// digits and the year in full, so that the whole date is sealed by the validation code.
#pragma once

#include <QDate>
#include <QLocale>
#include <string>

namespace gyrolap {

// `date` in the order and with the separators of `locale`'s short date format. Day and month are
// numbers (a month name becomes its number), the year has four digits, every digit is ASCII and
// invisible format characters (such as the right-to-left marks of Arabic locales) are left out.
std::string ShortDateText(const QLocale& locale, const QDate& date);

}  // namespace gyrolap
