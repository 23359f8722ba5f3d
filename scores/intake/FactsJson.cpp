// SPDX-License-Identifier: MIT
// Writing and reading the kept facts of a replay; see FactsJson.h.
#include "scores/intake/FactsJson.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>

namespace gyrolap::scores {
namespace {

// The quantiles each spread keeps, by name.
constexpr const char* kReactionLow = "p10";
constexpr const char* kReactionHigh = "p90";
constexpr const char* kWakeLow = "p90";
constexpr const char* kWakeHigh = "p99";

QJsonObject SpreadObject(const MillisecondSpread& spread,
                         std::initializer_list<std::pair<const char*, double>> shares) {
    QJsonObject object{{"count", QJsonValue(static_cast<qint64>(spread.Count()))}};
    if (spread.Count() == 0) return object;
    object["min"] = QJsonValue(static_cast<qint64>(spread.Min()));
    object["max"] = QJsonValue(static_cast<qint64>(spread.Max()));
    object["mean"] = spread.Mean();
    for (const auto& [name, share] : shares)
        object[name] = QJsonValue(static_cast<qint64>(spread.Quantile(share)));
    return object;
}

StoredSpread ReadSpread(const QJsonObject& object, const char* low, const char* high) {
    StoredSpread spread;
    spread.count = object["count"].toInteger();
    spread.min = object["min"].toInteger();
    spread.max = object["max"].toInteger();
    spread.median = object["median"].toInteger();
    spread.low = object[low].toInteger();
    spread.high = object[high].toInteger();
    return spread;
}

}  // namespace

std::string FactsJson(const std::optional<PlayFacts>& played) {
    if (!played) return "{}";
    const PlayFacts& facts = *played;
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
    QJsonObject wakes =
        SpreadObject(facts.wakeLateMs, {{"median", 0.5}, {kWakeLow, 0.9}, {kWakeHigh, 0.99}});
    wakes["onTime"] = QJsonValue(static_cast<qint64>(facts.wakeLateMs.CountOf(0)));
    QJsonObject object{
        {"games", QJsonValue(static_cast<qint64>(facts.games))},
        {"presses", QJsonValue(static_cast<qint64>(facts.presses))},
        {"goodPresses", QJsonValue(static_cast<qint64>(facts.goodPresses))},
        {"submits", QJsonValue(static_cast<qint64>(facts.submits))},
        {"highestLevel", facts.highestLevel},
        {"lastInputMs", QJsonValue(static_cast<qint64>(facts.lastInputMs))},
        {"reactionMs", SpreadObject(facts.reactionMs,
                                    {{kReactionLow, 0.1}, {"median", 0.5}, {kReactionHigh, 0.9}})},
        {"wakeLateMs", wakes},
        {"randomValues", randoms},
    };
    if (facts.cutAfterLine)
        object["cutAfterLine"] = QJsonValue(static_cast<qint64>(*facts.cutAfterLine));
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

QJsonObject FactsObject(std::string_view json) {
    return QJsonDocument::fromJson(QByteArray(json.data(), static_cast<qsizetype>(json.size())))
        .object();
}

StoredFacts ReadFacts(std::string_view json) {
    const QJsonObject object = FactsObject(json);
    StoredFacts facts;
    facts.games = object["games"].toInteger();
    facts.presses = object["presses"].toInteger();
    facts.goodPresses = object["goodPresses"].toInteger();
    facts.highestLevel = object["highestLevel"].toInteger();
    facts.reactionMs = ReadSpread(object["reactionMs"].toObject(), kReactionLow, kReactionHigh);
    const QJsonObject wakes = object["wakeLateMs"].toObject();
    facts.wakeLateMs = ReadSpread(wakes, kWakeLow, kWakeHigh);
    facts.wakesOnTime = wakes["onTime"].toInteger();
    const QJsonObject randoms = object["randomValues"].toObject();
    facts.randomCount = randoms["count"].toInteger();
    facts.randomMean = randoms["mean"].toDouble();
    facts.randomStdDev = randoms["stdDev"].toDouble();
    if (object.contains("cutAfterLine")) facts.cutAfterLine = object["cutAfterLine"].toInteger();
    return facts;
}

}  // namespace gyrolap::scores
