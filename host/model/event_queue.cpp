#include "event_queue.h"

void event_queue::push(pending_delivery delivery) {
    delivery.sequence = nextSequence++;
    pending.push(delivery);
}

std::optional<std::int64_t> event_queue::nextDue() const {
    if (pending.empty()) {
        return std::nullopt;
    }
    return pending.top().due;
}

std::optional<pending_delivery> event_queue::popDueBy(std::int64_t time) {
    if (pending.empty() || pending.top().due > time) {
        return std::nullopt;
    }
    pending_delivery next = pending.top();
    pending.pop();
    return next;
}
