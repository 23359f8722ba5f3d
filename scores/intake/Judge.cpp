// SPDX-License-Identifier: MIT
// Judging a submission; see Judge.h.
#include "scores/intake/Judge.h"

#include <istream>
#include <streambuf>
#include <utility>

#include "scores/Limits.h"
#include "scores/intake/FactsJson.h"
#include "scores/intake/Fields.h"
#include "scores/intake/PlayFacts.h"
#include "scores/intake/StoredBoard.h"
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

Judgement Refused(Refusal refusal, std::string reason) {
    Judgement judgement;
    judgement.refusal = refusal;
    judgement.reason = std::move(reason);
    return judgement;
}

}  // namespace

Judgement Judge(const SubmissionForm& form, Replays replays, TimePoint received) {
    Judgement judgement;
    Entry& entry = judgement.entry;
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
            return Refused(Refusal::UnfitField, std::string(field.name) + " is longer than " +
                                                    std::to_string(field.limit) + " characters");
        }
        *field.clean = std::move(*clean);
    }
    if (entry.nickname.empty()) return Refused(Refusal::UnfitField, "nickname is empty");

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
        entry.bestValue = static_cast<std::int64_t>(check.bestValue);
        entry.averageThirds = static_cast<std::int64_t>(check.averageThirds);
    };
    if (!fromRecording) {
        SubmissionCheck pasted = CheckSubmission(form.text);
        if (!pasted.valid) return Refused(Refusal::DoesNotHold, pasted.reason);
        take(std::move(pasted));
    }
    entry.received = std::chrono::floor<std::chrono::seconds>(received);

    if (!form.recording) {
        entry.verdict = Verdict::Sealed;
        entry.facts = FactsJson(std::nullopt);
        return judgement;
    }
    if (!replays.places.Take(replays.wait)) {
        return Refused(Refusal::Busy,
                       "too many recordings are being replayed; try again in a moment");
    }
    SlotHeld held(replays.places);
    BytesBuffer bytes(*form.recording);
    std::istream in(&bytes);
    PlayFactsWatcher watcher;
    bool proved = false;
    // Of the texts the session made, the one with the highest best score; on a tie the higher
    // average, then the later one. Only that one is kept, however many came.
    std::string chosen;
    std::pair<std::uint64_t, std::uint64_t> chosenRank{0, 0};
    bool anyChosen = false;
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
        const std::pair rank{made.bestValue, made.averageThirds};
        if (!anyChosen || rank >= chosenRank) {
            anyChosen = true;
            chosenRank = rank;
            chosen = text;
        }
    };
    options.watcher = &watcher;
    const sim::ReplayOutcome outcome = sim::ReplayThrough(in, options);
    held.Release();
    if (!outcome.Played())
        return Refused(Refusal::DoesNotHold, "cannot replay the recording: " + outcome.reason);
    if (fromRecording) {
        if (chosen.empty()) {
            return Refused(Refusal::DoesNotHold,
                           "the recording holds no submission text: its session never pressed "
                           "Submit Score. Press Submit Score in Gyrolap after a game, then send "
                           "the recording of that session");
        }
        // Checked as a pasted text is.
        SubmissionCheck made = CheckSubmission(chosen);
        if (!made.valid) return Refused(Refusal::DoesNotHold, made.reason);
        take(std::move(made));
        proved = true;
    }
    // The code only says that the text is one the game could write; the recording says
    // whether this game wrote it.
    if (!proved) return Refused(Refusal::DoesNotHold, "not produced by the recorded game");

    PlayFacts& facts = watcher.facts();
    facts.cutAfterLine = outcome.cutAfterLine;
    entry.verdict = Verdict::Replayed;
    entry.facts = FactsJson(facts);
    judgement.proof = Proof{BoardToText(facts.finalBoard), *form.recording};
    return judgement;
}

}  // namespace gyrolap::scores
