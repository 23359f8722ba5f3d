// SPDX-License-Identifier: MIT
// Writing the JSON answers; see Json.h.
#include "scores/Json.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace gyrolap::scores {
namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Written(const QJsonDocument& document) {
    return document.toJson(QJsonDocument::Compact).toStdString();
}

// The best score is written as a number, as scores are; the checker holds it to nine digits.
QJsonValue BestNumber(const std::string& best) {
    bool ok = false;
    const qint64 value = QByteArray::fromStdString(best).toLongLong(&ok);
    return ok ? QJsonValue(value) : QJsonValue(Q(best));
}

QJsonObject ListedObject(const Entry& entry) {
    return QJsonObject{
        {"id", QJsonValue(static_cast<qint64>(entry.id))},
        {"nickname", Q(entry.nickname)},
        {"city", Q(entry.city)},
        {"state", Q(entry.state)},
        {"country", Q(entry.country)},
        {"best", BestNumber(entry.best)},
        {"average", Q(entry.average)},
        {"date", Q(entry.date)},
        {"verdict", Q(entry.verdict)},
        {"received", Q(entry.received)},
    };
}

QJsonObject SpreadObject(const MillisecondSpread& spread, std::initializer_list<double> shares) {
    QJsonObject object{{"count", QJsonValue(static_cast<qint64>(spread.Count()))}};
    if (spread.Count() == 0) return object;
    object["min"] = QJsonValue(static_cast<qint64>(spread.Min()));
    object["max"] = QJsonValue(static_cast<qint64>(spread.Max()));
    object["mean"] = spread.Mean();
    for (const double share : shares) {
        const QString name =
            share == 0.5 ? QString("median") : QString("p%1").arg(static_cast<int>(share * 100));
        object[name] = QJsonValue(static_cast<qint64>(spread.Quantile(share)));
    }
    return object;
}

}  // namespace

std::string ErrorJson(std::string_view reason) {
    return Written(QJsonDocument(QJsonObject{{"error", Q(reason)}}));
}

std::string CreatedJson(const Entry& entry) {
    return Written(QJsonDocument(QJsonObject{
        {"id", QJsonValue(static_cast<qint64>(entry.id))},
        {"verdict", Q(entry.verdict)},
        {"best", BestNumber(entry.best)},
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

std::string PlayFactsJson(const PlayFacts& facts) {
    QJsonArray byTenth;
    for (const std::uint64_t count : facts.randoms.byTenth)
        byTenth.append(QJsonValue(static_cast<qint64>(count)));
    QJsonObject randoms{{"count", QJsonValue(static_cast<qint64>(facts.randoms.count))}};
    if (facts.randoms.count > 0) {
        randoms["min"] = facts.randoms.min;
        randoms["max"] = facts.randoms.max;
        randoms["mean"] = facts.randoms.mean;
        randoms["stdDev"] = facts.randoms.StdDev();
        randoms["byTenth"] = byTenth;
    }
    QJsonObject wakes = SpreadObject(facts.wakeLateMs, {0.5, 0.9, 0.99});
    wakes["onTime"] = QJsonValue(static_cast<qint64>(facts.wakeLateMs.CountOf(0)));
    QJsonObject object{
        {"games", QJsonValue(static_cast<qint64>(facts.games))},
        {"presses", QJsonValue(static_cast<qint64>(facts.presses))},
        {"goodPresses", QJsonValue(static_cast<qint64>(facts.goodPresses))},
        {"submits", QJsonValue(static_cast<qint64>(facts.submits))},
        {"highestLevel", facts.highestLevel},
        {"lastInputMs", QJsonValue(static_cast<qint64>(facts.lastInputMs))},
        {"reactionMs", SpreadObject(facts.reactionMs, {0.1, 0.5, 0.9})},
        {"wakeLateMs", wakes},
        {"randomValues", randoms},
    };
    if (facts.cutAfterLine)
        object["cutAfterLine"] = QJsonValue(static_cast<qint64>(*facts.cutAfterLine));
    return Written(QJsonDocument(object));
}

std::string EntryDetailJson(const Entry& entry, const DateFacts& date) {
    QJsonObject object = ListedObject(entry);
    object["text"] = Q(entry.text);
    QJsonObject played = QJsonDocument::fromJson(QByteArray::fromStdString(entry.facts)).object();
    played["recording"] = entry.verdict == kReplayed;
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
