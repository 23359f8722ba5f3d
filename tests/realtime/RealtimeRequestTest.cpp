// SPDX-License-Identifier: MIT
// The game's thread asks for real-time scheduling: directly where the process may, otherwise
// through RealtimeKit (here a stand-in on a private bus), otherwise not at all; and always with
// RLIMIT_RTTIME set before it asks, so that no way of becoming real-time runs without the limit.
// The tests run as root, where the direct way always works, so most cases try it through a
// stand-in that says yes or no and changes nothing; one case tries the real thing on a
// throwaway thread and puts it back.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <string>
#include <thread>

#include "PrivateBus.h"
#include "realtime/RealtimeRequest.h"

namespace gyrolap::realtime {

void PrintTo(Path path, std::ostream* out) {
    *out << (path == Path::Direct        ? "Direct"
             : path == Path::RealtimeKit ? "RealtimeKit"
                                         : "Normal");
}

namespace {

using testing::PrivateBus;
using testing::StandInKit;

std::int64_t HardLimit() {
    rlimit limit{};
    getrlimit(RLIMIT_RTTIME, &limit);
    return limit.rlim_max == RLIM_INFINITY ? INT64_MAX : static_cast<std::int64_t>(limit.rlim_max);
}

// A limit below the one in force, so that each case sees whether the request lowered it: the
// limit can never be raised again (the tests may lack the right to), and cases share a process.
std::int64_t BelowTheCurrentLimit() {
    const std::int64_t now = HardLimit();
    return now == INT64_MAX ? 200'000 : now - 10'000;
}

// What the direct way was asked, and what the limit was as it was asked.
struct DirectSeen {
    int calls = 0;
    pid_t tid = 0;
    int priority = 0;
    std::int64_t limitUs = 0;
};

// A direct way that says yes or no as told and changes nothing.
std::function<int(pid_t, int)> StandInDirect(bool allowed, DirectSeen& seen) {
    return [allowed, &seen](pid_t tid, int priority) {
        ++seen.calls;
        seen.tid = tid;
        seen.priority = priority;
        seen.limitUs = HardLimit();
        return allowed ? 0 : EPERM;
    };
}

// Runs the request on a thread of its own, as the game's thread makes it.
Outcome RequestOnAThread(const Request& request, pid_t& tid) {
    Outcome outcome;
    std::thread thread([&] {
        tid = gettid();
        outcome = MakeThisThreadRealtime(request);
    });
    thread.join();
    return outcome;
}

enum class Kit { Grants, Refuses, Missing, NoBus };

struct Case {
    const char* name;
    bool directAllowed;
    Kit kit;
    int wanted;          // the priority asked for
    int kitMaxPriority;  // the stand-in's bounds: its RLIMIT_RTTIME bound, relative to ours
    std::int64_t kitLimitOffsetUs;  // or, when not 0, as it is
    std::int64_t kitLimitUs;
    Path path;
    int priority;           // the priority got
    const char* described;  // how Describe begins
    const char* reason;     // part of the reason, when normal
};

const Case kCases[] = {
    {"AllowedDirectly", true, Kit::Grants, 1, 20, 1000, 0, Path::Direct, 1, "realtime-direct (",
     ""},
    {"RealtimeKitGrants", false, Kit::Grants, 1, 20, 1000, 0, Path::RealtimeKit, 1,
     "realtime-rtkit (", ""},
    // Its bounds are lower than ours: the priority is cut to its maximum, the limit lowered to
    // its bound before it is asked.
    {"RealtimeKitGrantsWithinItsBounds", false, Kit::Grants, 5, 3, -5000, 0, Path::RealtimeKit, 3,
     "realtime-rtkit (", ""},
    {"RealtimeKitRefuses", false, Kit::Refuses, 1, 20, 1000, 0, Path::Normal, 0, "normal (",
     "SCHED_RR not permitted: Operation not permitted; RealtimeKit: refused: "
     "org.freedesktop.DBus.Error.AccessDenied: Operation not permitted\\x1B[2J"},
    {"RealtimeKitGrantsNoPriority", false, Kit::Grants, 1, 0, 1000, 0, Path::Normal, 0, "normal (",
     "RealtimeKit: grants no real-time priority"},
    // A bound so short that the kernel could end the game for a page fault: not asked.
    {"RealtimeKitGrantsTooShortATime", false, Kit::Grants, 1, 20, 0, 9999, Path::Normal, 0,
     "normal (", "RealtimeKit: would need an RLIMIT_RTTIME of 9999 us, too short"},
    // The shortest bound the game runs with is asked for.
    {"RealtimeKitGrantsTheShortestTime", false, Kit::Grants, 1, 20, 0, 10000, Path::RealtimeKit, 1,
     "realtime-rtkit (", ""},
    {"RealtimeKitMissing", false, Kit::Missing, 1, 20, 1000, 0, Path::Normal, 0, "normal (",
     "RealtimeKit: unavailable: org.freedesktop.DBus.Error.ServiceUnknown"},
    {"NoBus", false, Kit::NoBus, 1, 20, 1000, 0, Path::Normal, 0, "normal (",
     "SCHED_RR not permitted: Operation not permitted; RealtimeKit: unavailable: "},
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class TheRequest : public ::testing::TestWithParam<Case> {};

TEST_P(TheRequest, TakesTheFirstWayOpenWithTheLimitSetBeforeAsking) {
    const Case& c = GetParam();
    PrivateBus bus;
    ASSERT_FALSE(bus.Address().empty())
        << "cannot start dbus-daemon (scripts/deps.sh test installs it)";
    const std::int64_t limit = BelowTheCurrentLimit();
    ASSERT_GT(limit, 50'000);
    const std::int64_t kitLimit = c.kitLimitUs ? c.kitLimitUs : limit + c.kitLimitOffsetUs;
    // Whether the stand-in is asked: only when the direct way is closed and it grants something.
    const bool kitAsked = !c.directAllowed && (c.kit == Kit::Grants || c.kit == Kit::Refuses) &&
                          c.kitMaxPriority >= 1 && kitLimit >= 10'000;
    std::unique_ptr<StandInKit> kit;
    if (c.kit == Kit::Grants || c.kit == Kit::Refuses) {
        kit = std::make_unique<StandInKit>(bus, c.kit == Kit::Grants, c.kitMaxPriority, kitLimit);
        ASSERT_TRUE(kit->Ready());
    }

    DirectSeen direct;
    Request request;
    request.priority = c.wanted;
    request.limitUs = limit;
    request.busAddress =
        c.kit == Kit::NoBus ? "unix:path=/nonexistent/gyrolap-no-bus" : bus.Address();
    request.direct = StandInDirect(c.directAllowed, direct);
    pid_t tid = 0;
    const Outcome outcome = RequestOnAThread(request, tid);

    EXPECT_EQ(outcome.path, c.path) << outcome.reason;
    EXPECT_EQ(outcome.priority, c.priority);
    EXPECT_EQ(Describe(outcome).rfind(c.described, 0), 0u) << Describe(outcome);
    // The direct way is always tried first, for the requesting thread, with the limit set.
    EXPECT_EQ(direct.calls, 1);
    EXPECT_EQ(direct.tid, tid);
    EXPECT_EQ(direct.priority, c.wanted);
    EXPECT_EQ(direct.limitUs, limit);
    const std::int64_t expectedLimit = kitAsked ? std::min(limit, kitLimit) : limit;
    if (outcome.path != Path::Normal) {
        EXPECT_EQ(outcome.limitUs, expectedLimit);
    }
    EXPECT_EQ(HardLimit(), expectedLimit);

    if (c.path == Path::Normal) {
        EXPECT_NE(outcome.reason.find(c.reason), std::string::npos) << outcome.reason;
        EXPECT_EQ(outcome.reason.find('\x1b'), std::string::npos);
    }
    if (!kit) return;
    // When asked, the stand-in was asked by this process, for this thread, with the limit
    // already within its bound.
    const std::vector<std::string> requests = kit->Requests();
    if (!kitAsked) {
        EXPECT_TRUE(requests.empty()) << requests.front();
        return;
    }
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0],
              "request pid=" + std::to_string(getpid()) + " thread=" + std::to_string(tid) +
                  " priority=" + std::to_string(c.kit == Kit::Grants ? c.priority : c.wanted) +
                  " rttime=" + std::to_string(expectedLimit));
}

INSTANTIATE_TEST_SUITE_P(EachWay, TheRequest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TheRequestsLimit, IsNeverRaised) {
    // A limit already lower than the request's stays as it is, and is the one reported.
    const std::int64_t lower = BelowTheCurrentLimit();
    const rlimit set{static_cast<rlim_t>(lower), static_cast<rlim_t>(lower)};
    ASSERT_EQ(setrlimit(RLIMIT_RTTIME, &set), 0);
    DirectSeen direct;
    Request request;
    request.limitUs = lower + 100'000;
    request.direct = StandInDirect(true, direct);
    pid_t tid = 0;
    const Outcome outcome = RequestOnAThread(request, tid);
    EXPECT_EQ(outcome.path, Path::Direct);
    EXPECT_EQ(outcome.limitUs, lower);
    EXPECT_EQ(direct.limitUs, lower);
    EXPECT_EQ(HardLimit(), lower);
}

// Whether this process may set a real-time policy itself: CAP_SYS_NICE, or an RLIMIT_RTPRIO
// that allows priority 1.
bool MaySetRealtime() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("CapEff:", 0) == 0 && (std::stoull(line.substr(7), nullptr, 16) >> 23) & 1)
            return true;
    rlimit rtprio{};
    return getrlimit(RLIMIT_RTPRIO, &rtprio) == 0 && rtprio.rlim_cur >= 1;
}

TEST(TheDirectWay, MakesOnlyTheGivenThreadRoundRobinWhereTheProcessMay) {
    // On a throwaway thread, put back as it was before the thread ends.
    int result = -1, policy = -1, priority = -1, afterwards = -1;
    std::thread thread([&] {
        result = SetRoundRobin(gettid(), 1);
        policy = sched_getscheduler(0);
        sched_param param{};
        sched_getparam(0, &param);
        priority = param.sched_priority;
        const sched_param normal{};
        if (result == 0) sched_setscheduler(0, SCHED_OTHER, &normal);
        afterwards = sched_getscheduler(0);
    });
    thread.join();
    if (MaySetRealtime()) {
        EXPECT_EQ(result, 0);
        // Threads and processes this one starts do not inherit it.
        EXPECT_EQ(policy, SCHED_RR | SCHED_RESET_ON_FORK);
        EXPECT_EQ(priority, 1);
    } else {
        EXPECT_EQ(result, EPERM);
        EXPECT_EQ(policy, SCHED_OTHER);
    }
    EXPECT_EQ(afterwards, SCHED_OTHER);
    // The thread that asked for nothing was never touched.
    EXPECT_EQ(sched_getscheduler(0), SCHED_OTHER);
}

}  // namespace
}  // namespace gyrolap::realtime
