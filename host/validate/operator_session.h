// operator_session: a seeded random operator at desk 1, who acts on what the desk shows.
//
// Each action is written as a line of the scenario language, so that a session that breaks the
// contract can be saved as a scenario file and replayed with "zeth-host run". The operator clicks
// enabled buttons, picks items (or no item) in enabled lists, lets time pass so that ticks fall
// due, makes the facility's routers report sources, and asks queries. Disabled controls are left
// alone: a click on one is the operator's mistake, not the panel's.
//
// The same seed, the same facility and a plug-in that behaves the same give the same session:
// the choices use the 64-bit Mersenne Twister with the host's own reduction to a range, not the
// standard library's distributions, whose results differ between implementations.
//
// The validate checks make one per session and ask it for each line in turn, on the thread that
// drives the emulator; it holds only its generator.
#pragma once

#include "emulator.h"

#include <cstdint>
#include <random>
#include <string>

class operator_session {
public:
    explicit operator_session(std::uint64_t seed) : random(seed) {}

    // The next action for desk 1 of host, as it stands now; empty when the desk shows no enabled
    // control and the facility has no router, so that nothing but waiting is left to do.
    std::string nextLine(const emulator& host);

private:
    // A number from 0 to count - 1 (count > 0).
    std::uint64_t below(std::uint64_t count) { return random() % count; }

    std::mt19937_64 random;
};
