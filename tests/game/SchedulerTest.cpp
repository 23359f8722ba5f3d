// SPDX-License-Identifier: MIT
// The activity stack on its own, with small handlers: who resumes when, what quitting does,
// and that nesting costs no native stack.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "game/Scheduler.h"
#include "support/StandIn.h"

namespace gyrolap {
namespace {

struct Fixture : ::testing::Test {
    testing::StandIn ports;
    Scheduler scheduler{ports};
    std::vector<std::string> log;

    // Waits `delay` ms from its own start, logging when it starts and ends.
    Task Waiter(std::string name, float delay) {
        std::uint32_t start = scheduler.Clock();
        log.push_back(name + " starts at " + std::to_string(scheduler.Clock()));
        co_await scheduler.WaitClock(start, delay);
        log.push_back(name + " ends at " + std::to_string(scheduler.Clock()));
    }
    // The clock moves on one millisecond at a time, checking the top wait at each.
    void SetClock(std::uint32_t now) { scheduler.SetClock(now); }
    void RunTo(std::uint32_t time) {
        while (scheduler.Clock() < time) {
            SetClock(scheduler.Clock() + 1);
            scheduler.Settle();
        }
    }
};

TEST_F(Fixture, AHandlerThatNeverWaitsLeavesNothingBehind) {
    scheduler.Start([](std::vector<std::string>& log) -> Task {
        log.push_back("ran");
        co_return;
    }(log));
    EXPECT_TRUE(scheduler.Idle());
    EXPECT_EQ(log, std::vector<std::string>{"ran"});
}

TEST_F(Fixture, OnlyTheTopActivityResumesAndTheOneBelowFollowsAtOnceWhenDue) {
    scheduler.Start(Waiter("outer", 10));  // due at 10
    RunTo(3);
    scheduler.Start(Waiter("inner", 20));  // due at 23: the outer waits for it
    RunTo(30);
    EXPECT_EQ(log, (std::vector<std::string>{"outer starts at 0", "inner starts at 3",
                                             "inner ends at 23", "outer ends at 23"}));
    EXPECT_TRUE(scheduler.Idle());
}

TEST_F(Fixture, AFractionalDelayEndsAtTheNextWholeMillisecond) {
    scheduler.Start(Waiter("step", 32.6f));
    EXPECT_EQ(scheduler.Deadline(), 33u);
    RunTo(32);
    EXPECT_EQ(log.back(), "step starts at 0");
    RunTo(33);
    EXPECT_EQ(log.back(), "step ends at 33");
}

TEST_F(Fixture, WaitsMeasureOnTheWrappingClock) {
    SetClock(0xFFFFFFF0u);
    scheduler.Start(Waiter("wrap", 50));
    EXPECT_EQ(scheduler.Deadline(), 0x22u);  // 50 ms on, past the wrap
    SetClock(0xFFFFFFF0u + 49);              // past the wrap
    scheduler.Settle();
    EXPECT_FALSE(scheduler.Idle());
    SetClock(0xFFFFFFF0u + 50);
    scheduler.Settle();
    EXPECT_TRUE(scheduler.Idle());
}

TEST_F(Fixture, AWaitReadsItsStartAndDelayAfreshAtEveryCheck) {
    std::uint32_t start = 0;
    float delay = 100;
    scheduler.Start([](Scheduler& s, std::uint32_t& start, float& delay) -> Task {
        co_await s.WaitClock(start, delay);
    }(scheduler, start, delay));
    SetClock(60);
    delay = 50;  // a nested press shortened it: over already at 60
    EXPECT_EQ(scheduler.Deadline(), 50u);
    start = 40;  // a nested handler moved the start
    EXPECT_EQ(scheduler.Deadline(), 90u);
    scheduler.Settle();
    EXPECT_FALSE(scheduler.Idle());
}

TEST_F(Fixture, MessageBoxBlocksTheActivityUntilClosed) {
    scheduler.Start([](Scheduler& s, std::vector<std::string>& log) -> Task {
        co_await s.ShowMessage("Title", "Text");
        log.push_back("closed");
    }(scheduler, log));
    EXPECT_TRUE(scheduler.WaitingForMessage());
    EXPECT_EQ(ports.messages, std::vector<std::string>{"Text"});
    EXPECT_EQ(scheduler.Deadline(), std::nullopt);
    RunTo(1000);
    EXPECT_TRUE(log.empty());
    scheduler.MessageClosed();
    EXPECT_EQ(log, std::vector<std::string>{"closed"});
    EXPECT_TRUE(scheduler.Idle());
}

struct Witness {
    std::vector<std::string>& log;
    std::string name;
    ~Witness() { log.push_back(name + " destroyed"); }
};

TEST_F(Fixture, QuittingDestroysEverySuspendedHandlerWithoutResumingAny) {
    auto child = [](Fixture& f) -> Task {
        Witness w{f.log, "child"};
        const std::uint32_t start = f.scheduler.Clock();
        const float delay = 1;
        co_await f.scheduler.WaitClock(start, delay);
        f.log.push_back("child resumed");
    };
    auto parent = [&child](Fixture& f, std::string name) -> Task {
        Witness w{f.log, name};
        co_await child(f);
        f.log.push_back(name + " resumed");
    };
    scheduler.Start(parent(*this, "lower"));
    scheduler.Start(parent(*this, "upper"));
    EXPECT_EQ(scheduler.Depth(), 2u);
    scheduler.Clear();
    EXPECT_TRUE(scheduler.Idle());
    // Top first, each handler's child before the handler itself; nobody resumed.
    EXPECT_EQ(log, (std::vector<std::string>{"child destroyed", "upper destroyed",
                                             "child destroyed", "lower destroyed"}));
}

TEST_F(Fixture, AnExceptionInANestedTaskComesOutWhereTheActivityRuns) {
    auto failing = [](Fixture& f) -> Task {
        const std::uint32_t start = f.scheduler.Clock();
        const float delay = 5;
        co_await f.scheduler.WaitClock(start, delay);
        throw std::runtime_error("broken");
    };
    auto outer = [&failing](Fixture& f) -> Task { co_await failing(f); };
    scheduler.Start(outer(*this));
    SetClock(5);
    EXPECT_THROW(scheduler.Settle(), std::runtime_error);
    EXPECT_TRUE(scheduler.Idle());
}

TEST_F(Fixture, AHandlerThatSuspendsOutsideAWaitIsRefusedAndDropped) {
    // At once, or after a wait: either way nothing is left on the stack to resume later.
    auto stray = [](Fixture& f, bool waitFirst) -> Task {
        Witness w{f.log, "stray"};
        if (waitFirst) {
            const std::uint32_t start = f.scheduler.Clock();
            const float delay = 1;
            co_await f.scheduler.WaitClock(start, delay);
        }
        co_await std::suspend_always{};
    };
    EXPECT_THROW(scheduler.Start(stray(*this, false)), std::logic_error);
    EXPECT_TRUE(scheduler.Idle());
    scheduler.Start(stray(*this, true));
    SetClock(1);
    EXPECT_THROW(scheduler.Settle(), std::logic_error);
    EXPECT_TRUE(scheduler.Idle());
    EXPECT_EQ(log, (std::vector<std::string>{"stray destroyed", "stray destroyed"}));
}

TEST_F(Fixture, TenThousandNestedActivitiesNeedNoNativeStack) {
    // Each would be a native call frame inside the one below in a busy-wait design; here they
    // are heap frames, and unwinding them is a loop, not a recursion.
    std::uint32_t start = 0;
    const float delay = 1;
    auto waiter = [](Scheduler& s, const std::uint32_t& start, const float& delay) -> Task {
        co_await s.WaitClock(start, delay);
    };
    for (int i = 0; i < 10000; ++i) scheduler.Start(waiter(scheduler, start, delay));
    EXPECT_EQ(scheduler.Depth(), 10000u);
    SetClock(1);
    scheduler.Settle();
    EXPECT_TRUE(scheduler.Idle());
}

}  // namespace
}  // namespace gyrolap
