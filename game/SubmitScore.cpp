// SPDX-License-Identifier: MIT
// Submit Score: build the submission text once per action press, put it on the clipboard,
// tell the player where to send it, and give the keyboard back to the action button.
#include "submit/SubmissionInstructions.h"

#include "game/Game.h"
#include "submit/ValidationCode.h"

namespace gyrolap {

Task Game::SubmitScore() {
    GameState& s = state_;
    if (s.SubmissionText.empty()) {
        const std::string best = board_.lblScores[kBestLabel];
        const std::string average = board_.lblScores[kAverageLabel];
        const std::string date = ReadDate();
        sources_.ReseedRandom();
        const float draw = DrawRandom();
        s.SubmissionText = BuildSubmissionText(s.VersionText, best, average, date, draw);
    }
    effects_.HandOverSubmission(s.SubmissionText);
    // The same three lines every time, so they are made once.
    static const std::string instructions = SubmissionInstructions();
    co_await scheduler_.ShowMessage(kSubmitTitle, instructions);
    effects_.FocusActionButton();
}

}  // namespace gyrolap
