// SPDX-License-Identifier: MIT
// Asks that the calling thread be scheduled in real time, as desktop audio programs do: directly
// where the process may, otherwise through RealtimeKit, otherwise not at all. A thread that
// sleeps between short bursts of work, as the game's does, then wakes on time however busy the
// machine is; the real-time time limit, always set first, makes sure that a fault can never hold
// a processor: the kernel ends a real-time thread that runs on without sleeping.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>

namespace gyrolap::realtime {

// How the thread is scheduled after the request.
enum class Path {
    Direct,       // the process set SCHED_RR itself
    RealtimeKit,  // RealtimeKit set it
    Normal,       // nothing changed
};

struct Outcome {
    Path path = Path::Normal;
    // The real-time priority the thread got; 0 when it stays normal.
    int priority = 0;
    // RLIMIT_RTTIME's hard limit, in microseconds, as the request was made; 0 when none was.
    std::int64_t limitUs = 0;
    // Why the thread stays normal: printable, whatever a bus service answered.
    std::string reason;
};

// SCHED_RR at `priority` for the thread `tid`, which threads and processes it starts do not
// inherit. Returns 0, or the errno of the refusal.
int SetRoundRobin(pid_t tid, int priority);

struct Request {
    // Low: above every ordinary thread, below the system's own real-time threads (interrupts,
    // audio servers), which must not wait for a game.
    int priority = 1;
    // RealtimeKit's usual bound on RLIMIT_RTTIME. The game's thread works for microseconds
    // between sleeps; a thread stuck in a loop is ended after this much processor time.
    std::int64_t limitUs = 200'000;
    // The bus RealtimeKit is looked for on; empty: the system bus, its home.
    std::string busAddress;
    // How long each call to RealtimeKit may take before it counts as unanswered. The game's
    // thread asks before its first step: a running RealtimeKit answers within milliseconds,
    // and one that hangs must not hold the start-up animation for long.
    int timeoutMs = 500;
    // Tries the direct way for thread `tid`; 0 or an errno, as SetRoundRobin.
    std::function<int(pid_t tid, int priority)> direct = SetRoundRobin;
};

// Makes the calling thread real-time if it can, in the order above, and says how it went.
// RLIMIT_RTTIME is lowered to the request's limit (and RealtimeKit's, when it has a lower one)
// before anything else is tried, and is never raised; a limit under 10 ms, too short for the
// kernel to count fairly, leaves the thread as it is. Never throws.
Outcome MakeThisThreadRealtime(const Request& request = {});

// One line for a person: "realtime-direct (...)", "realtime-rtkit (...)" or "normal (why)".
std::string Describe(const Outcome& outcome);

inline bool IsRealtime(const Outcome& outcome) {
    return outcome.path != Path::Normal;
}

}  // namespace gyrolap::realtime
