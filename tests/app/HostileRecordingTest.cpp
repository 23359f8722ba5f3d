// SPDX-License-Identifier: MIT
// A score keeper takes recordings from anyone: the tools replay the hostile ones in bounded
// memory, whatever their length. Each tool runs as a child process reading the recording from a
// pipe as the test makes it, so neither side ever holds it whole; the child's peak resident
// memory is what the kernel measured.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/CaseName.h"
#include "support/FeedChild.h"
#include "support/HostileRecordings.h"
#include "support/PublishedSubmissions.h"
#include "support/RunCommand.h"
#include "support/Sanitized.h"

namespace gyrolap::testing {
namespace {

namespace fs = std::filesystem;

// The bound a score keeper can size a machine by.
constexpr long kBoundKiB = 64 * 1024;

// Memory is measured only in a plain build; under a sanitizer the tools are held to playing
// (a tenth of) each recording without a fault.
constexpr bool kMemoryMeasured = !kSanitized;

struct Hostile {
    const char* name;
    std::function<void(const InputSink&)> make;
    // What the recording grew to in the tools that held it (for the record): 1.18 GB in the
    // check, 391 MB in the simulator for the submit flood; 152 MB for the wake flood.

    friend void PrintTo(const Hostile& hostile, std::ostream* out) { *out << hostile.name; }
};

class HostileRecording : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileRecording, IsReplayedByBothToolsInBoundedMemory) {
    const fs::path texts =
        fs::temp_directory_path() / ("gyrolap-hostile-texts-" + std::to_string(::getpid()));
    std::ofstream(texts) << kPublishedSubmissions[2].Text() << '\n';
    const Measured sim = Feed({GYROLAP_SIM_BINARY}, GetParam().make);
    EXPECT_EQ(sim.status, 0) << sim.err;
    EXPECT_EQ(sim.err, "");
    if (kMemoryMeasured) {
        EXPECT_LT(sim.peakKiB, kBoundKiB) << "gyrolap-sim peaked at " << sim.peakKiB << " KiB";
    }
    // The check keeps only what its texts ask about: this one the recording never made.
    const Measured check =
        Feed({GYROLAP_CHECK_BINARY, "--replay", "/dev/stdin", texts.string()}, GetParam().make);
    EXPECT_EQ(check.status, 1) << check.err;
    EXPECT_EQ(check.err, "");
    if (kMemoryMeasured) {
        EXPECT_LT(check.peakKiB, kBoundKiB)
            << "gyrolap-check peaked at " << check.peakKiB << " KiB";
    }
    fs::remove(texts);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, HostileRecording,
    ::testing::Values(
        Hostile{"a flood of Submit Score clicks under a 4000 byte date",
                [](const RecordingSink& sink) { WriteSubmitFlood(sink, Volume(100000)); }},
        Hostile{"a flood of wake ups in one millisecond",
                [](const RecordingSink& sink) { WriteWakeFlood(sink, Volume(3000000)); }},
        Hostile{"a long level 6 run",
                [](const RecordingSink& sink) {
                    WriteLongLevelSix(sink, Volume(std::size_t{24} << 20));
                }}),
    [](const ::testing::TestParamInfo<Hostile>& info) {
        return CaseName(info.index, info.param.name);
    });

}  // namespace
}  // namespace gyrolap::testing
