// SPDX-License-Identifier: MIT
// The three ways to real-time scheduling, tried in order; see RealtimeRequest.h.
#include "realtime/RealtimeRequest.h"

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>

#include "realtime/RealtimeKit.h"
#include "submit/SafeText.h"

namespace gyrolap::realtime {
namespace {

// What a bus service says is shown cut short and escaped: it comes from another program.
constexpr std::size_t kQuotedBytes = 200;

// The shortest RLIMIT_RTTIME the thread runs in real time with. The kernel counts a thread's
// time in ticks (1 to 10 ms), and ends it once a count goes over the limit: a limit much
// shorter than that could end the game for a page fault, not a fault of its own.
constexpr std::int64_t kShortestLimitUs = 10'000;

std::string TooShort(std::int64_t us) {
    return "an RLIMIT_RTTIME of " + std::to_string(us) + " us, too short to run in real time";
}

std::int64_t Microseconds(rlim_t limit) {
    return limit == RLIM_INFINITY ? INT64_MAX : static_cast<std::int64_t>(limit);
}

// Lowers RLIMIT_RTTIME, soft and hard, to `us` where it is higher; never raises it. Returns the
// hard limit now in effect, or 0 with `error` set.
std::int64_t LowerRealtimeLimit(std::int64_t us, std::string& error) {
    rlimit limit{};
    if (getrlimit(RLIMIT_RTTIME, &limit) != 0) {
        error = std::string("cannot read RLIMIT_RTTIME: ") + std::strerror(errno);
        return 0;
    }
    const auto wanted = static_cast<rlim_t>(std::max<std::int64_t>(us, 1));
    const rlimit lowered{std::min(limit.rlim_cur, wanted), std::min(limit.rlim_max, wanted)};
    if ((lowered.rlim_cur != limit.rlim_cur || lowered.rlim_max != limit.rlim_max) &&
        setrlimit(RLIMIT_RTTIME, &lowered) != 0) {
        error = std::string("cannot set RLIMIT_RTTIME: ") + std::strerror(errno);
        return 0;
    }
    return Microseconds(lowered.rlim_max);
}

Outcome Normal(std::string reason) {
    Outcome outcome;
    outcome.reason = std::move(reason);
    return outcome;
}

Outcome ThroughRealtimeKit(const Request& request, pid_t tid, std::int64_t limitUs,
                           const std::string& directRefusal) {
    const std::string prefix = directRefusal + "; RealtimeKit: ";
    const RealtimeKit kit(request.busAddress, request.timeoutMs);
    std::string error;
    KitLimits limits;
    if (!kit.ReadLimits(limits, error))
        return Normal(prefix + "unavailable: " + Shortened(error, kQuotedBytes));
    if (limits.maxPriority < 1) return Normal(prefix + "grants no real-time priority");
    if (limits.rtTimeUsecMax < kShortestLimitUs)
        return Normal(prefix + "would need " + TooShort(limits.rtTimeUsecMax));
    // It grants nothing to a process whose limit is larger than its own bound.
    if (limits.rtTimeUsecMax < limitUs) {
        limitUs = LowerRealtimeLimit(limits.rtTimeUsecMax, error);
        if (limitUs == 0) return Normal(prefix + error);
    }
    const int priority =
        static_cast<int>(std::min<std::int64_t>(request.priority, limits.maxPriority));
    if (!kit.MakeThreadRealtime(static_cast<std::uint64_t>(tid),
                                static_cast<std::uint32_t>(priority), error))
        return Normal(prefix + "refused: " + Shortened(error, kQuotedBytes));
    Outcome outcome;
    outcome.path = Path::RealtimeKit;
    outcome.priority = priority;
    outcome.limitUs = limitUs;
    return outcome;
}

}  // namespace

int SetRoundRobin(pid_t tid, int priority) {
    sched_param param{};
    param.sched_priority = priority;
    return sched_setscheduler(tid, SCHED_RR | SCHED_RESET_ON_FORK, &param) == 0 ? 0 : errno;
}

Outcome MakeThisThreadRealtime(const Request& request) {
    try {
        const pid_t tid = gettid();
        // The limit comes first, so that no way of becoming real-time can run without it.
        std::string error;
        const std::int64_t limitUs = LowerRealtimeLimit(request.limitUs, error);
        if (limitUs == 0) return Normal(error);
        if (limitUs < kShortestLimitUs) return Normal(TooShort(limitUs));
        if (const int refused = request.direct(tid, request.priority); refused == 0) {
            Outcome outcome;
            outcome.path = Path::Direct;
            outcome.priority = request.priority;
            outcome.limitUs = limitUs;
            return outcome;
        } else {
            return ThroughRealtimeKit(
                request, tid, limitUs,
                std::string("SCHED_RR not permitted: ") + std::strerror(refused));
        }
    } catch (const std::exception& error) {
        // Out of memory, most likely: the game plays on at its ordinary priority.
        return Normal(std::string("the request failed: ") + error.what());
    }
}

std::string Describe(const Outcome& outcome) {
    const std::string terms = "SCHED_RR priority " + std::to_string(outcome.priority);
    const std::string limit = "RLIMIT_RTTIME " + std::to_string(outcome.limitUs) + " us";
    switch (outcome.path) {
        case Path::Direct:
            return "realtime-direct (" + terms + ", " + limit + ")";
        case Path::RealtimeKit:
            return "realtime-rtkit (" + terms + " granted by RealtimeKit, " + limit + ")";
        case Path::Normal:
            break;
    }
    return "normal (" + outcome.reason + ")";
}

}  // namespace gyrolap::realtime
