// SPDX-License-Identifier: MIT
// The statements the store runs, written once for both databases with numbered parameters ($1,
// $2, ...) so that no value ever becomes part of a statement's text (SQLite reads them as ?1,
// ?2, ...), and the schema's numbered steps.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "scores/store/Store.h"

namespace gyrolap::scores::sql {

// The columns of an entry, in the order ReadEntry reads them (facts last, where asked).
inline constexpr std::string_view kEntryColumns =
    "id, nickname, city, state, country, text, best, average, date, best_value, "
    "average_thirds, verdict, received";

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
// The board in its order; the proofs and the claims each have one, and so has all of it, every
// replayed entry first.
inline const std::string kOrder = " ORDER BY best_value DESC, average_thirds DESC, id";
inline const std::string kListed = "SELECT " + std::string(kEntryColumns) + " FROM submissions";
inline const std::string kScoresReplayed =
    kListed + " WHERE verdict = 'replayed'" + kOrder + " LIMIT $1 OFFSET $2";
inline const std::string kScoresSealed =
    kListed + " WHERE verdict = 'sealed'" + kOrder + " LIMIT $1 OFFSET $2";
inline const std::string kScoresAll = kListed +
                                      " ORDER BY CASE verdict WHEN 'replayed' THEN 0 ELSE 1 END, "
                                      "best_value DESC, average_thirds DESC, id "
                                      "LIMIT $1 OFFSET $2";
inline const std::string& ScoresOf(Listing listing) {
    return listing == Listing::Replayed ? kScoresReplayed
           : listing == Listing::Sealed ? kScoresSealed
                                        : kScoresAll;
}
inline std::string_view CountOf(Listing listing) {
    return listing == Listing::Replayed
               ? "SELECT COUNT(*) FROM submissions WHERE verdict = 'replayed'"
           : listing == Listing::Sealed
               ? "SELECT COUNT(*) FROM submissions WHERE verdict = 'sealed'"
               : "SELECT COUNT(*) FROM submissions";
}
inline constexpr std::string_view kBoard =
    "SELECT board FROM submissions WHERE id = $1 AND board IS NOT NULL";
inline constexpr std::string_view kRecording =
    "SELECT recording FROM recordings WHERE submission_id = $1";

// The schema's version, a table of one row: a database without it was made before the steps
// were numbered, and holds step 1 or nothing.
inline constexpr std::string_view kVersionTable =
    "CREATE TABLE IF NOT EXISTS gyrolap_schema (version INTEGER NOT NULL)";
inline constexpr std::string_view kVersion = "SELECT COALESCE(MAX(version), 0) FROM gyrolap_schema";
inline constexpr std::string_view kSetVersion =
    "DELETE FROM gyrolap_schema; INSERT INTO gyrolap_schema (version) VALUES ";

// The columns of the submissions table after the key, as step 1 made them.
inline constexpr std::string_view kSubmissionColumns =
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
    "board TEXT";
inline constexpr std::string_view kSubmissionNames =
    "id, text, nickname, city, state, country, best, average, date, best_value, "
    "average_thirds, verdict, received, facts, board";
inline constexpr std::string_view kScoreIndex =
    "CREATE INDEX IF NOT EXISTS submissions_by_score "
    "ON submissions (best_value DESC, average_thirds DESC, id)";

// Step 1: the entries and their recordings.
inline std::string Step1(bool sqlite) {
    return "CREATE TABLE IF NOT EXISTS submissions (id " +
           std::string(sqlite ? "INTEGER PRIMARY KEY"
                              : "BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY") +
           ", " + std::string(kSubmissionColumns) + "); " + std::string(kScoreIndex) +
           "; CREATE TABLE IF NOT EXISTS recordings ("
           "submission_id BIGINT PRIMARY KEY REFERENCES submissions (id), "
           "recording " +
           (sqlite ? "BLOB" : "BYTEA") + " NOT NULL);";
}

// Step 2: a recording goes with its entry, and an id is never given twice. Without it, an entry
// removed by hand left its recording behind, and SQLite gave the removed entry's id to the next
// one, which then showed the other's recording. PostgreSQL never gives an identity twice; only
// its recordings need the tie. SQLite changes neither in place, so both tables are made anew.
inline std::string Step2(bool sqlite) {
    if (!sqlite) {
        return "DELETE FROM recordings WHERE submission_id NOT IN (SELECT id FROM submissions); "
               "ALTER TABLE recordings DROP CONSTRAINT IF EXISTS "
               "recordings_submission_id_fkey; "
               "ALTER TABLE recordings ADD CONSTRAINT recordings_submission_id_fkey "
               "FOREIGN KEY (submission_id) REFERENCES submissions (id) ON DELETE CASCADE;";
    }
    return "CREATE TABLE submissions_next (id INTEGER PRIMARY KEY AUTOINCREMENT, " +
           std::string(kSubmissionColumns) + "); INSERT INTO submissions_next (" +
           std::string(kSubmissionNames) + ") SELECT " + std::string(kSubmissionNames) +
           " FROM submissions; "
           "CREATE TABLE recordings_next ("
           "submission_id INTEGER PRIMARY KEY "
           "REFERENCES submissions_next (id) ON DELETE CASCADE, "
           "recording BLOB NOT NULL); "
           "INSERT INTO recordings_next (submission_id, recording) "
           "SELECT submission_id, recording FROM recordings "
           "WHERE submission_id IN (SELECT id FROM submissions); "
           "DROP TABLE recordings; DROP TABLE submissions; "
           "ALTER TABLE submissions_next RENAME TO submissions; "
           "ALTER TABLE recordings_next RENAME TO recordings; " +
           std::string(kScoreIndex) + ";";
}

// Step 3: the proofs and the claims are listed apart, each in the board's order.
inline std::string Step3(bool) {
    return "CREATE INDEX IF NOT EXISTS submissions_by_verdict_and_score "
           "ON submissions (verdict, best_value DESC, average_thirds DESC, id);";
}

// Every step in order: step n is at n - 1. A database is carried from the step it holds to the
// last in one transaction with the version it leaves.
inline std::vector<std::string> Steps(bool sqlite) {
    return {Step1(sqlite), Step2(sqlite), Step3(sqlite)};
}

}  // namespace gyrolap::scores::sql
