// SPDX-License-Identifier: MIT
// A client of RealtimeKit, the desktop's broker of real-time scheduling, on D-Bus: it grants a
// thread SCHED_RR to processes that may not set it themselves, within bounds it publishes.
#pragma once

#include <cstdint>
#include <string>

namespace gyrolap::realtime {

// The most RealtimeKit grants: a priority, and the largest RLIMIT_RTTIME (microseconds) a
// process may have to be granted anything.
struct KitLimits {
    std::int64_t maxPriority = 0;
    std::int64_t rtTimeUsecMax = 0;
};

class RealtimeKit {
  public:
    // Connects to the bus at `busAddress`, or to the system bus when it is empty. Needs the Qt
    // application object; any thread may use it.
    RealtimeKit(const std::string& busAddress, int timeoutMs);
    ~RealtimeKit();
    RealtimeKit(const RealtimeKit&) = delete;
    RealtimeKit& operator=(const RealtimeKit&) = delete;

    // Empty when the bus was reached; otherwise why not. The texts the calls below return come
    // from the bus and its services: untrusted, not yet escaped.
    const std::string& ConnectError() const { return connectError_; }

    // Reads MaxRealtimePriority and RTTimeUSecMax; false with `error` set when either is unknown.
    bool ReadLimits(KitLimits& limits, std::string& error) const;

    // Asks for SCHED_RR at `priority` for the thread `tid` of this process; false with `error`
    // set when refused or unanswered.
    bool MakeThreadRealtime(std::uint64_t tid, std::uint32_t priority, std::string& error) const;

  private:
    std::string name_;  // the connection's name in Qt's table of connections
    std::string connectError_;
    int timeoutMs_;
};

}  // namespace gyrolap::realtime
