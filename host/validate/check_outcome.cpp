#include "check_outcome.h"

std::string_view outcomeName(check_outcome outcome) {
    switch (outcome) {
    case check_outcome::passed:
        return "passed";
    case check_outcome::failed:
        return "failed";
    case check_outcome::skipped:
        return "skipped";
    case check_outcome::warning:
        return "warning";
    case check_outcome::crashed:
        return "crashed";
    case check_outcome::timedOut:
        return "timed-out";
    }
    return "failed";
}

bool outcomeFailsRun(check_outcome outcome) {
    return outcome == check_outcome::failed || outcome == check_outcome::crashed ||
           outcome == check_outcome::timedOut;
}
