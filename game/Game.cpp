// SPDX-License-Identifier: MIT
// Start-up, the action handler with its run loop, and the reset.
#include "game/Game.h"

#include <cmath>
#include <stdexcept>

#include "game/ScoreBoard.h"

namespace gyrolap {

Game::Game(Sources& sources, Effects& effects)
    : sources_(sources), effects_(effects), scheduler_(effects) {
    state_.VersionText = kVersionText;
    for (int i = 1; i <= kBallCount; ++i)
        state_.ColourWave[static_cast<std::size_t>(i)] = ColourWaveAt(i);
}

Snapshot Game::TakeSnapshot() const {
    return Snapshot{board_, state_, MessageOpen(), NextWake(), scheduler_.Depth(), changes_};
}

void Game::SetNow(std::uint64_t now) {
    now_ = now;
    scheduler_.SetClock(static_cast<std::uint32_t>(now));
}

void Game::Load(std::uint64_t now) {
    startedAt_ = now;
    SetNow(now);
    if (log_) log_->Started(Clock(), sources_.ShortDate());
    scheduler_.Start(ResetGame());
    scheduler_.Settle();
    ++changes_;
}

bool Game::Deliver(Input input, std::uint64_t now) {
    if (quitted_) return false;
    SetNow(now);
    // A wait that is over by the time the input arrived ends first, so the input meets the
    // game as it stands at that moment, not as it stood at the last wake-up.
    bool changed = scheduler_.Settle();
    // A message box is modal: presses and clicks do not reach the window while it is open.
    switch (input) {
        case Input::Press:
            if (!MessageOpen()) {
                scheduler_.Start(PressAction());
                changed = true;
            }
            break;
        case Input::Submit:
            if (!MessageOpen()) {
                scheduler_.Start(SubmitScore());
                changed = true;
            }
            break;
        case Input::MessageClosed:
            if (MessageOpen()) {
                scheduler_.MessageClosed();
                changed = true;
            }
            break;
        case Input::WakeUp:
            break;
    }
    changed = scheduler_.Settle() || changed;
    if (changed) ++changes_;
    // A wake-up that found nothing due is nothing to replay.
    if (log_ && (input != Input::WakeUp || changed)) log_->Delivered(SinceStart(now), input);
    return changed;
}

std::optional<std::uint64_t> Game::NextWake() const {
    const auto deadline = scheduler_.Deadline();
    if (!deadline) return std::nullopt;
    // The deadline lies within a few hundred milliseconds of the last reading, either way.
    const auto ahead = static_cast<std::int32_t>(*deadline - static_cast<std::uint32_t>(now_));
    return ahead >= 0 ? now_ + static_cast<std::uint64_t>(ahead)
                      : now_ - static_cast<std::uint64_t>(-static_cast<std::int64_t>(ahead));
}

void Game::Quit(std::uint64_t now) {
    if (quitted_) return;
    quitted_ = true;
    if (log_) log_->Finished(SinceStart(now), board_, MessageOpen());
    scheduler_.Clear();
}

float Game::DrawRandom() {
    const float value = sources_.NextRandom();
    if (log_) log_->Drew(value);
    return value;
}

std::string Game::ReadDate() {
    std::string date = sources_.ShortDate();
    if (log_) log_->ReadDate(SinceStart(now_), date);
    return date;
}

BallView& Game::Ball(std::int32_t index) {
    // The handlers keep every index in 1..kBallCount; a slip must fail loudly, not scribble on
    // memory.
    if (index < 1 || index > kBallCount) throw std::out_of_range("ball index out of range");
    return board_.imgBall[static_cast<std::size_t>(index)];
}

// Not a coroutine on purpose: the board part runs at the call, and the level 1 layout is the
// task handed back, so a reset costs no frame of its own while it animates.
Task Game::ResetGame() {
    EnterScore(board_, state_.LoopIndex);
    board_.lblScoreTemp.clear();
    state_.Level = 1;
    state_.StepsSinceHit = 0;
    state_.HitCount = 0;
    state_.Running = false;
    board_.cmdAction = kStartCaption;
    return SetUpPath();
}

Task Game::PressAction() {
    GameState& s = state_;
    sources_.ReseedRandom();
    s.SubmissionText.clear();

    if (board_.cmdAction == kStartCaption) {
        for (s.LoopIndex = 1; s.LoopIndex <= kBallCount; ++s.LoopIndex)
            Ball(s.LoopIndex).picture = 1;
        // Written as one character: GCC 12 at -O3 misreads a literal copied into this string
        // as an overlapping memcpy (a false -Wrestrict).
        if (s.Level == 1) board_.lblScores[kCurrentScoreLabel].assign(1, '0');
        for (s.LoopIndex = 1; s.LoopIndex <= kBallCount; ++s.LoopIndex)
            Ball(s.LoopIndex).visible = false;
        const float draw = DrawRandom();
        s.BallIndex =
            static_cast<std::int32_t>(std::floor(draw * static_cast<float>(kStartPositions))) + 1;
        s.StepsSinceHit = s.BallIndex - 1;
        s.StepDelay = kFirstStepDelayMs;
        s.Running = true;
        board_.cmdAction = kAccelerateCaption;

        while (s.Running) {
            Ball(s.BallIndex).visible = false;
            s.BallIndex += 1;
            if (s.BallIndex > kBallCount) s.BallIndex = 1;
            Ball(s.BallIndex).visible = true;
            s.StepsSinceHit += 1;
            // A lap without a good press. The step is not abandoned: it still waits once
            // before the loop sees that the reset has stopped the run.
            if (s.StepsSinceHit > s.PathLength) {
                co_await scheduler_.ShowMessage(kGameTitle, kMissText);
                co_await ResetGame();
            }
            s.StepStart = Clock();
            co_await scheduler_.WaitClock(s.StepStart, s.StepDelay);
            s.HitLatch = false;
        }
        co_return;
    }

    if (board_.cmdAction != kAccelerateCaption) co_return;

    if (s.RingFlags.at(static_cast<std::size_t>(s.BallIndex)) && !s.HitLatch) {
        s.HitLatch = true;
        // One colour step further per good press, up to the last colour.
        const int colour =
            s.HitCount < kColourCount ? static_cast<int>(s.HitCount) + 1 : kColourCount;
        for (s.LoopIndex = 1; s.LoopIndex <= kBallCount; ++s.LoopIndex)
            Ball(s.LoopIndex).picture = colour;
        s.StepsSinceHit = 0;
        // Formed in double, then kept as the single-precision delay.
        const float draw = DrawRandom();
        s.StepDelay =
            static_cast<float>(static_cast<double>(s.StepDelay) * kSpeedUpFactor -
                               std::floor(static_cast<double>(draw) * kExtraMillisecondDraw));
        if (s.StepDelay < kShortestStepMs) s.StepDelay = kShortestStepMs;
        s.HitCount += 1;
        const auto finishedLevels = static_cast<std::int16_t>((s.Level - 1) * kHitsPerLevel);
        const std::string score = FormatScore(static_cast<float>(finishedLevels) + s.HitCount);
        board_.lblScores[kCurrentScoreLabel] = score;
        board_.lblScoreTemp = score;
        if (s.HitCount == kHitsPerLevel && s.Level < kLevelCount) {
            s.Running = false;
            s.Level += 1;
            board_.cmdAction = kStartCaption;
            co_await SetUpPath();
        }
    }

    if (board_.cmdAction == kAccelerateCaption &&
        !s.RingFlags.at(static_cast<std::size_t>(s.BallIndex))) {
        co_await scheduler_.ShowMessage(kGameTitle, kMissText);
        co_await ResetGame();
    }
}

}  // namespace gyrolap
