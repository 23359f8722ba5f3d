// SPDX-License-Identifier: MIT
// Judging a submission; see Submission.h.
#include "scores/Submission.h"

#include <istream>
#include <streambuf>
#include <utility>

#include "scores/Fields.h"
#include "scores/Json.h"
#include "scores/Limits.h"
#include "scores/PlayFacts.h"
#include "scores/StoredBoard.h"
#include "sim/Replay.h"
#include "submit/SubmissionCheck.h"

namespace gyrolap::scores {
namespace {

// The uploaded bytes read in place, without a copy.
class BytesBuffer : public std::streambuf {
  public:
    explicit BytesBuffer(std::string_view bytes) {
        char* begin = const_cast<char*>(bytes.data());  // only ever read
        setg(begin, begin, begin + bytes.size());
    }
};

std::int64_t Whole(std::string_view digits) {
    std::int64_t value = 0;
    for (const char c : digits) value = value * 10 + (c - '0');
    return value;
}

// Three times the average, exactly: the board writes a third as .333 and two as .666.
std::int64_t AverageThirds(std::string_view average) {
    const std::size_t point = average.find('.');
    if (point == std::string_view::npos) return 3 * Whole(average);
    const std::string_view thousandths = average.substr(point + 1);
    const std::int64_t thirds = thousandths == "333" ? 1 : thousandths == "666" ? 2 : 0;
    return 3 * Whole(average.substr(0, point)) + thirds;
}

Judgement Refused(int status, std::string reason) {
    Judgement judgement;
    judgement.refusal = status;
    judgement.reason = std::move(reason);
    return judgement;
}

}  // namespace

Judgement Judge(const SubmissionForm& form, Replays replays, std::string received) {
    Judgement judgement;
    NewEntry& entry = judgement.entry;
    struct Named {
        const char* name;
        std::string_view raw;
        std::size_t limit;
        std::string* clean;
    };
    for (const Named& field : {
             Named{"nickname", form.nickname, kMaxNicknameCharacters, &entry.nickname},
             Named{"city", form.city, kMaxPlaceCharacters, &entry.city},
             Named{"state", form.state, kMaxPlaceCharacters, &entry.state},
             Named{"country", form.country, kMaxPlaceCharacters, &entry.country},
         }) {
        std::optional<std::string> clean = CleanField(field.raw, field.limit);
        if (!clean) {
            return Refused(400, std::string(field.name) + " is longer than " +
                                    std::to_string(field.limit) + " characters");
        }
        *field.clean = std::move(*clean);
    }
    if (entry.nickname.empty()) return Refused(400, "nickname is empty");

    // A recording alone: the text is the best one its session put on the clipboard.
    const bool fromRecording =
        form.recording && form.text.find_first_not_of(" \t\r\n") == std::string_view::npos;
    SubmissionCheck check;
    const auto take = [&](SubmissionCheck taken) {
        check = std::move(taken);
        entry.text = check.text;
        entry.best = check.best;
        entry.average = check.average;
        entry.date = check.date;
        entry.bestValue = Whole(check.best);
        entry.averageThirds = AverageThirds(check.average);
    };
    if (!fromRecording) {
        SubmissionCheck pasted = CheckSubmission(form.text);
        if (!pasted.valid) return Refused(422, pasted.reason);
        take(std::move(pasted));
    }
    entry.received = std::move(received);

    if (!form.recording) {
        entry.verdict = kSealed;
        entry.facts = "{}";
        return judgement;
    }
    if (!replays.places.Take(replays.wait)) {
        return Refused(503, "too many recordings are being replayed; try again in a moment");
    }
    SlotHeld held(replays.places);
    BytesBuffer bytes(*form.recording);
    std::istream in(&bytes);
    PlayFactsWatcher watcher;
    bool proved = false;
    // Of the texts the session made, the one with the highest best score; on a tie the higher
    // average, then the later one. Only that one is kept, however many came.
    std::string chosen;
    std::pair<std::int64_t, std::int64_t> chosenRank{-1, -1};
    sim::ReplayOptions options;
    options.maxBytes = kMaxRecordingBytes;
    // Compared as they come, so a recording full of texts needs no memory for them.
    options.onClipboard = [&](std::string_view text) {
        if (!fromRecording) {
            proved = proved || text == check.text;
            return;
        }
        const SubmissionCheck made = CheckSubmission(text);
        if (!made.valid) return;
        const std::pair rank{Whole(made.best), AverageThirds(made.average)};
        if (rank >= chosenRank) {
            chosenRank = rank;
            chosen = text;
        }
    };
    options.watcher = &watcher;
    const sim::ReplayOutcome outcome = sim::ReplayThrough(in, options);
    held.Release();
    if (!outcome.Played()) return Refused(422, "cannot replay the recording: " + outcome.reason);
    if (fromRecording) {
        if (chosen.empty()) {
            return Refused(422,
                           "the recording holds no submission text: its session never pressed "
                           "Submit Score. Press Submit Score in Gyrolap after a game, then send "
                           "the recording of that session");
        }
        // Checked as a pasted text is.
        SubmissionCheck made = CheckSubmission(chosen);
        if (!made.valid) return Refused(422, made.reason);
        take(std::move(made));
        proved = true;
    }
    // The code only says that the text is one the game could write; the recording says
    // whether this game wrote it.
    if (!proved) return Refused(422, "not produced by the recorded game");

    PlayFacts& facts = watcher.facts();
    facts.cutAfterLine = outcome.cutAfterLine;
    entry.verdict = kReplayed;
    entry.facts = PlayFactsJson(facts);
    entry.board = BoardToText(facts.finalBoard);
    entry.recording = *form.recording;
    return judgement;
}

}  // namespace gyrolap::scores
