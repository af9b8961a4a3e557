// state_changes: what changed in the state document, numbered, so that a page keeps its copy of
// the state up to date from small changes instead of the whole document (2 MB for 1,000 desks).
//
// Each change that holds anything gets the next version; a change is
//   { "version": 8, "since": 7, <the state's fields before "desks">,
//     "desks": [ the whole document of each desk that changed ],
//     "routers": [ the whole entry of each router whose destinations changed; a router that
//                  nobody listens to any more comes with "destinations": [] ] }
// and the whole state document carries the version it is at. A page applies a change whose
// "since" is its own version (replacing desks by "number", routers by "device") and fetches the
// whole state for any other: it has missed one.
//
// What changed is found without building every desk: a desk is looked at again when an entry of
// the transcript names it as an action's desk or as a command's sender (every change of a desk's
// controls, timers and registrations comes from one of those), and compared with the document
// the page last heard of; the routers' entries are few and compared every time. After anything
// else (the desks started, stopped or were made anew) everything() makes every desk be looked at.
//
// Threads: the emulator's, all of it (write() is called by the transcript through the
// event_stream, which the emulator writes). The desks must outlive the object.
#pragma once

#include "emulator.h"
#include "transcript.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

class state_changes : public transcript_writer {
public:
    // host gives the emulator the desks run on now (a reload makes it anew).
    explicit state_changes(std::function<const emulator&()> host);

    void write(const transcript_entry& entry) override;
    // Every desk is looked at again by the next take().
    void everything() { all = true; }

    // The change since the last one, given the state's fields now (stateFields() with the run's
    // own); nothing when nothing changed.
    std::optional<nlohmann::json> take(const nlohmann::json& fields);
    // The version the whole state is at after the last take().
    std::uint64_t version() const { return current; }

private:
    std::function<const emulator&()> emulatorNow;
    bool all = true;
    std::set<int> touched;
    std::vector<nlohmann::json> desks; // as last taken, by desk number - 1
    std::map<std::int32_t, nlohmann::json> routers;
    nlohmann::json fieldsTaken;
    std::uint64_t current = 0;
};
