// SPDX-License-Identifier: MIT
// Recordings a hostile sender might post to a score keeper, made as they are written so that
// none is ever held whole: a flood of Submit Score clicks under a long date, a flood of wake-ups
// in one millisecond, and a long level 6 run at the fastest step. The memory tests and the
// replay bench feed them to the tools.
#pragma once

#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "game/Game.h"
#include "game/VirtualDriver.h"
#include "sim/ScriptWriter.h"
#include "support/HandPlayed.h"

namespace gyrolap::testing {

// Takes the recording a piece at a time.
using RecordingSink = std::function<void(std::string_view piece)>;

// `pairs` Submit Score clicks, each closed at once, all at 2000 ms, under a date of `dateBytes`
// digits: every click puts a text of over `dateBytes` bytes on the clipboard.
inline void WriteSubmitFlood(const RecordingSink& sink, std::size_t pairs = 100000,
                             std::size_t dateBytes = 4000) {
    sink("recorded\nclock 0\ndate " + std::string(dateBytes, '1') + "\nrandom 0.5\n");
    std::string chunk;
    for (std::size_t i = 0; i < pairs; ++i) {
        chunk += "at 2000 submit\nat 2000 ok\n";
        if (chunk.size() > 60000) sink(std::exchange(chunk, {}));
    }
    sink(chunk + "end 2000\n");
}

// `count` wake-ups at 0 ms.
inline void WriteWakeFlood(const RecordingSink& sink, std::size_t count = 3000000) {
    sink("recorded\nclock 0\n");
    std::string chunk;
    for (std::size_t i = 0; i < count; ++i) {
        chunk += "at 0 wake\n";
        if (chunk.size() > 60000) sink(std::exchange(chunk, {}));
    }
    sink(chunk + "end 0\n");
}

// A perfect player's game, written down as the window writes it, through levels 1 to 5 and on
// into level 6 until the particle steps every millisecond; from there each circuit of the 32
// balls is the one before it 32 ms later (the delay stays at its floor whatever is drawn), so
// the run goes on, circuit after circuit, until the recording holds about `bytes` bytes.
inline void WriteLongLevelSix(const RecordingSink& sink, std::uint64_t bytes) {
    sim::Script settings;
    for (int i = 0; i < 400; ++i) settings.randoms.push_back(i % 2 ? 0.75f : 0.25f);
    HandPlayed played(settings);
    sim::Playback& session = played.playback;
    std::vector<std::string> lines;
    sim::ScriptWriter writer([&lines](std::string line) { lines.push_back(std::move(line)); });
    session.game().SetLog(&writer);
    session.Load();
    const Game& game = session.game();
    const GameState& s = game.state();
    std::uint64_t written = 0;
    const auto flush = [&] {
        std::string chunk;
        for (const std::string& line : lines) chunk += line + '\n';
        written += chunk.size();
        sink(chunk);
        lines.clear();
    };
    // Plays until level 6 runs at its floor and the particle stands on ball 1: a circuit starts.
    for (std::uint64_t t = 1; !(s.Level == 6 && s.StepDelay <= 1.0f && s.BallIndex == 1 &&
                                game.board().cmdAction == kAccelerateCaption);
         ++t) {
        if (game.board().cmdAction == kAccelerateCaption &&
            s.RingFlags[static_cast<std::size_t>(s.BallIndex)] && !s.HitLatch) {
            session.Deliver(Input::Press);
        } else if (game.board().cmdAction == kStartCaption && game.scheduler().Idle()) {
            session.Deliver(Input::Press);
        }
        session.AdvanceTo(t);
    }
    flush();
    // One circuit more, played, with the time it starts.
    const std::uint64_t start = session.Now();
    for (std::uint64_t t = start + 1; t <= start + 32; ++t) {
        if (s.RingFlags[static_cast<std::size_t>(s.BallIndex)] && !s.HitLatch)
            session.Deliver(Input::Press);
        session.AdvanceTo(t);
    }
    const std::vector<std::string> circuit = std::exchange(lines, {});
    // The same circuit again and again, each 32 ms after the one before.
    std::uint64_t last = start;
    for (std::uint64_t lap = 0; written < bytes; ++lap) {
        std::string chunk;
        for (const std::string& line : circuit) {
            if (line.rfind("at ", 0) != 0) {
                chunk += line + '\n';
                continue;
            }
            const std::size_t space = line.find(' ', 3);
            const std::uint64_t time = std::stoull(line.substr(3, space - 3)) + lap * 32;
            last = time;
            chunk += "at " + std::to_string(time) + line.substr(space) + '\n';
        }
        written += chunk.size();
        sink(chunk);
    }
    sink("end " + std::to_string(last) + "\n");
}

}  // namespace gyrolap::testing
