// The event loop on the virtual clock: timer ticks in time order, restarts and stops,
// revertives delivered after the call that caused them (never re-entrantly), several desks on
// shared routers, and the real-time clock.
#include "event_queue.h"
#include "scripted_host.h"
#include "virtual_clock.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

TEST(event_loop, ticksComeOneIntervalApartFromTheStart) {
    scripted_host test("<built-in>", {"ET 1 1000"});
    test.host->advance(250);
    test.host->click(1, "ET 1 1000");
    test.captured.mark();
    test.host->advance(3000);
    EXPECT_THAT(test.captured.deliveries(),
                ElementsAre("[1.250s] tick of timer 1", "[2.250s] tick of timer 1",
                            "[3.250s] tick of timer 1"));
    EXPECT_EQ(test.host->clock().now(), 3250);
}

TEST(event_loop, aRestartDropsThePendingTickAndAStopEndsTheTicks) {
    scripted_host test("<built-in>", {"ET 1 1000", "ET 1"});
    test.host->click(1, "ET 1 1000");
    test.host->advance(1500);
    test.captured.mark();
    test.host->click(1, "ET 1 1000");
    test.host->advance(2000);
    EXPECT_THAT(test.captured.deliveries(),
                ElementsAre("[2.500s] tick of timer 1", "[3.500s] tick of timer 1"));
    test.captured.mark();
    test.host->click(1, "ET 1");
    test.host->advance(5000);
    EXPECT_THAT(test.captured.deliveries(), IsEmpty());
}

TEST(event_loop, deliveriesDueTogetherComeInTheOrderTheyWereQueued) {
    scripted_host test("<built-in>", {"ET 2 500", "ET 3 1000"});
    test.host->click(1, "ET 2 500");
    test.host->click(1, "ET 3 1000");
    test.captured.mark();
    test.host->advance(1000);
    EXPECT_THAT(test.captured.deliveries(),
                ElementsAre("[0.500s] tick of timer 2", "[1.000s] tick of timer 3",
                            "[1.000s] tick of timer 2"));
}

TEST(event_loop, aRevertiveArrivesAfterTheCallThatCausedItHasReturned) {
    scripted_host test("<built-in>", {"RR 20 101 101", "RC 20 5 101 ',' 0"});
    test.host->click(1, "RR 20 101 101");
    test.captured.mark();
    test.host->click(1, "RC 20 5 101 ',' 0");
    // The scripted panel sends "XX re-entered" if the host calls it while it is still busy.
    EXPECT_THAT(test.captured.commands(), ElementsAre("RC 20 5 101 ',' 0"));
    EXPECT_THAT(test.captured.deliveries(),
                ElementsAre("[0.000s] revertive: R7 SDI Router (20) 101 <- 5"));
    std::vector<entry_kind> order;
    for (const transcript_entry& entry : test.captured.entries) {
        if (entry.kind == entry_kind::command || entry.kind == entry_kind::delivery) {
            order.push_back(entry.kind);
        }
    }
    ASSERT_GE(order.size(), 2u);
    EXPECT_EQ(order.back(), entry_kind::delivery);
    EXPECT_EQ(order[order.size() - 2], entry_kind::command);
}

TEST(event_loop, desksShareTheRoutersAndHearOnlyWhatTheyRegisteredFor) {
    scripted_host test("<built-in>", {"RR 20 101 102", "RR 20 102 102", "RC 20 7 102 ',' 0"}, 2);
    test.host->click(1, "RR 20 101 102");
    test.host->click(2, "RR 20 102 102");
    test.captured.mark();
    test.host->click(2, "RC 20 7 102 ',' 0");
    const std::vector<transcript_entry> deliveries = test.captured.of(entry_kind::delivery);
    ASSERT_EQ(deliveries.size(), 2u);
    EXPECT_EQ(deliveries[0].deskNumber, 1);
    EXPECT_EQ(deliveries[1].deskNumber, 2);

    test.captured.mark();
    EXPECT_TRUE(test.host->routeBehind(20, 101, 9).done);
    EXPECT_EQ(test.host->routers().source(20, 101), 9);
    ASSERT_EQ(test.captured.of(entry_kind::delivery).size(), 1u);
    EXPECT_EQ(test.captured.of(entry_kind::delivery)[0].deskNumber, 1);

    test.captured.mark();
    EXPECT_TRUE(test.host->injectRevertive(20, 102, 3).done);
    EXPECT_EQ(test.host->routers().source(20, 102), 7) << "a revertive alone routes nothing";
    EXPECT_THAT(test.captured.deliveries(),
                ElementsAre("[0.000s] revertive: R7 SDI Router (20) 102 <- 3",
                            "[0.000s] revertive: R7 SDI Router (20) 102 <- 3"));
    EXPECT_FALSE(test.host->routeBehind(20, 101, 99).done) << "no source 99 on the router";

    // A report that the router could not make (no destination 999, a negative source) is
    // delivered all the same: to every desk, since none registered for it.
    test.captured.mark();
    EXPECT_TRUE(test.host->injectRevertive(20, 999, -1).done);
    EXPECT_THAT(test.captured.deliveries(),
                ElementsAre("[0.000s] revertive: R7 SDI Router (20) 999 <- -1",
                            "[0.000s] revertive: R7 SDI Router (20) 999 <- -1"));
}

TEST(event_loop, aClosedDeskGetsNothingMore) {
    scripted_host test("<built-in>", {"ET 1 100", "RR 20 101 101", "AS"});
    test.host->click(1, "ET 1 100");
    test.host->click(1, "RR 20 101 101");
    test.host->click(1, "AS");
    test.captured.mark();
    test.host->advance(1000);
    test.host->routeBehind(20, 101, 5);
    EXPECT_THAT(test.captured.deliveries(), IsEmpty());
    EXPECT_FALSE(test.host->click(1, "Take").done);
}

TEST(event_loop, theQueueOrdersByTimeThenByArrival) {
    event_queue queue;
    for (const std::int64_t due : {30, 10, 20, 10}) {
        pending_delivery delivery;
        delivery.due = due;
        delivery.deskNumber = static_cast<int>(queue.size());
        queue.push(delivery);
    }
    EXPECT_EQ(queue.nextDue(), 10);
    std::vector<int> desks;
    while (const auto next = queue.popDueBy(25)) {
        desks.push_back(next->deskNumber);
    }
    EXPECT_THAT(desks, ElementsAre(1, 3, 2));
    EXPECT_EQ(queue.size(), 1u);
}

TEST(virtual_clock, virtualTimeMovesOnlyForwardAndOnlyWhenTold) {
    virtual_clock clock;
    clock.advanceTo(1000);
    clock.advanceTo(500);
    EXPECT_EQ(clock.now(), 1000);
    EXPECT_EQ(clock.wallTime(), 1000);
}

TEST(virtual_clock, realTimeWaitsForTheWallClock) {
    virtual_clock clock(true);
    const auto before = std::chrono::steady_clock::now();
    clock.advanceTo(60);
    const auto waited = std::chrono::steady_clock::now() - before;
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count(), 55);
    EXPECT_EQ(clock.now(), 60);
    EXPECT_GE(clock.wallTime(), 60);
}

} // namespace
