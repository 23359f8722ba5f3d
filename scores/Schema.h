// SPDX-License-Identifier: MIT
// The statements both stores run, written once with numbered parameters ($1, $2, ...) so that no
// value ever becomes part of a statement's text. SQLite reads them with ?1, ?2, ... instead.
#pragma once

#include <string>
#include <string_view>

namespace gyrolap::scores::sql {

// The columns of an entry, in the order Entry lists them (facts last).
inline constexpr std::string_view kEntryColumns =
    "id, nickname, city, state, country, text, best, average, date, verdict, received";

inline constexpr std::string_view kInsert =
    "INSERT INTO submissions (text, nickname, city, state, country, best, average, date, "
    "best_value, average_thirds, verdict, received, facts, board) "
    "VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14) "
    "ON CONFLICT (text) DO NOTHING RETURNING id";

// Only a sealed entry is upgraded; one that is replayed already keeps its first proof.
inline constexpr std::string_view kUpgrade =
    "UPDATE submissions SET verdict = 'replayed', nickname = $2, city = $3, state = $4, "
    "country = $5, facts = $6, board = $7 WHERE text = $1 AND verdict = 'sealed' RETURNING id";

inline constexpr std::string_view kInsertRecording =
    "INSERT INTO recordings (submission_id, recording) VALUES ($1, $2) "
    "ON CONFLICT (submission_id) DO NOTHING";

inline const std::string kFindByText =
    "SELECT " + std::string(kEntryColumns) + ", facts FROM submissions WHERE text = $1";
inline const std::string kFindById =
    "SELECT " + std::string(kEntryColumns) + ", facts FROM submissions WHERE id = $1";
inline const std::string kScores = "SELECT " + std::string(kEntryColumns) +
                                   " FROM submissions "
                                   "ORDER BY best_value DESC, average_thirds DESC, id "
                                   "LIMIT $1 OFFSET $2";
inline constexpr std::string_view kCount = "SELECT COUNT(*) FROM submissions";
inline constexpr std::string_view kBoard =
    "SELECT board FROM submissions WHERE id = $1 AND board IS NOT NULL";
inline constexpr std::string_view kRecording =
    "SELECT recording FROM recordings WHERE submission_id = $1";

// The tables, with what differs between the two databases filled in: the type of a generated
// key and of a blob.
inline std::string CreateTables(std::string_view idColumn, std::string_view blobType) {
    return "CREATE TABLE IF NOT EXISTS submissions ("
           "id " +
           std::string(idColumn) +
           ", "
           "text TEXT NOT NULL UNIQUE, "
           "nickname TEXT NOT NULL, "
           "city TEXT NOT NULL, "
           "state TEXT NOT NULL, "
           "country TEXT NOT NULL, "
           "best TEXT NOT NULL, "
           "average TEXT NOT NULL, "
           "date TEXT NOT NULL, "
           "best_value BIGINT NOT NULL, "
           "average_thirds BIGINT NOT NULL, "
           "verdict TEXT NOT NULL CHECK (verdict IN ('sealed', 'replayed')), "
           "received TEXT NOT NULL, "
           "facts TEXT NOT NULL, "
           "board TEXT); "
           "CREATE INDEX IF NOT EXISTS submissions_by_score "
           "ON submissions (best_value DESC, average_thirds DESC, id); "
           "CREATE TABLE IF NOT EXISTS recordings ("
           "submission_id BIGINT PRIMARY KEY REFERENCES submissions (id), "
           "recording " +
           std::string(blobType) + " NOT NULL);";
}

}  // namespace gyrolap::scores::sql
