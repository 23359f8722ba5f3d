// SPDX-License-Identifier: MIT
// Writing the JSON answers; see Json.h.
#include "scores/pages/Json.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "scores/intake/FactsJson.h"

namespace gyrolap::scores {
namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Written(const QJsonDocument& document) {
    return document.toJson(QJsonDocument::Compact).toStdString();
}

QJsonObject ListedObject(const Entry& entry) {
    return QJsonObject{
        {"id", QJsonValue(static_cast<qint64>(entry.id))},
        {"nickname", Q(entry.nickname)},
        {"city", Q(entry.city)},
        {"state", Q(entry.state)},
        {"country", Q(entry.country)},
        {"best", QJsonValue(static_cast<qint64>(entry.bestValue))},
        {"average", Q(entry.average)},
        {"date", Q(entry.date)},
        {"verdict", Q(VerdictName(entry.verdict))},
        {"received", Q(UtcText(entry.received))},
    };
}

}  // namespace

std::string ErrorJson(std::string_view reason) {
    return Written(QJsonDocument(QJsonObject{{"error", Q(reason)}}));
}

std::string CreatedJson(const Entry& entry) {
    return Written(QJsonDocument(QJsonObject{
        {"id", QJsonValue(static_cast<qint64>(entry.id))},
        {"verdict", Q(VerdictName(entry.verdict))},
        {"best", QJsonValue(static_cast<qint64>(entry.bestValue))},
        {"average", Q(entry.average)},
        {"date", Q(entry.date)},
    }));
}

std::string EntryJson(const Entry& entry) {
    return Written(QJsonDocument(ListedObject(entry)));
}

std::string ScoresJson(const std::vector<Entry>& entries) {
    QJsonArray array;
    for (const Entry& entry : entries) array.append(ListedObject(entry));
    return Written(QJsonDocument(array));
}

std::string EntryDetailJson(const Entry& entry, const DateFacts& date) {
    QJsonObject object = ListedObject(entry);
    object["text"] = Q(entry.text);
    QJsonObject played = FactsObject(entry.facts);
    played["recording"] = entry.verdict == Verdict::Replayed;
    QJsonArray readings;
    for (const DateReading& reading : date.readings) {
        readings.append(QJsonObject{
            {"day", Q(IsoDay(reading.day))},
            {"daysBeforeReceived", QJsonValue(static_cast<qint64>(reading.daysBeforeReceived))},
        });
    }
    played["date"] = QJsonObject{
        {"received", Q(IsoDay(date.received))},
        {"readings", readings},
        {"future", date.future},
    };
    object["howPlayed"] = played;
    return Written(QJsonDocument(object));
}

}  // namespace gyrolap::scores
