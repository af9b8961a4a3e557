// event_queue: what the host still has to deliver to its panels, in time order.
//
// Revertives and timer ticks are never delivered from inside a call into a panel: a command that
// causes one (a crosspoint, a poll, a timer start) only queues it, and the event loop delivers it
// after the call has returned. Deliveries come out by due time, and those due at the same time
// in the order they were queued.
#pragma once

#include <cstdint>
#include <optional>
#include <queue>
#include <vector>

struct pending_delivery {
    enum class kind { revertive, tick };

    kind what = kind::revertive;
    std::int64_t due = 0;
    std::uint64_t sequence = 0; // set by the queue
    int deskNumber = 0;
    // A revertive: the router's report of the source now routed to destination.
    std::int32_t device = 0;
    std::int32_t destination = 0;
    std::int32_t source = 0;
    // A tick: which timer, and which start of it (a restarted timer drops older ticks).
    int timer = 0;
    std::uint64_t generation = 0;

    // A revertive for desk, due at due.
    static pending_delivery revertiveFor(int deskNumber, std::int64_t due, std::int32_t device,
                                         std::int32_t destination, std::int32_t source) {
        pending_delivery revertive;
        revertive.what = kind::revertive;
        revertive.due = due;
        revertive.deskNumber = deskNumber;
        revertive.device = device;
        revertive.destination = destination;
        revertive.source = source;
        return revertive;
    }
};

class event_queue {
public:
    void push(pending_delivery delivery);
    // The due time of the next delivery, if any.
    std::optional<std::int64_t> nextDue() const;
    // The next delivery if it is due at or before time.
    std::optional<pending_delivery> popDueBy(std::int64_t time);
    bool empty() const { return pending.empty(); }
    std::size_t size() const { return pending.size(); }

private:
    struct later {
        bool operator()(const pending_delivery& a, const pending_delivery& b) const {
            return a.due != b.due ? a.due > b.due : a.sequence > b.sequence;
        }
    };
    std::priority_queue<pending_delivery, std::vector<pending_delivery>, later> pending;
    std::uint64_t nextSequence = 0;
};
