// The records the host passes with message codes 1 and 2. Both are the host's: they are valid only
// for the duration of the notify call that carries them, and the panel only reads them.
//
// They are laid out for the deployed 32-bit target (five 4-byte words; four int32); on another
// target the fields keep their order, pointer fields being as wide as a pointer.
#pragma once

#include "decodePropertyString.h"

#include <cstddef>
#include <cstdint>

// Code 2: a control event.
struct zeth_event_record {
    void* hostWord0;                       // the host's own, never read
    void* hostWord1;                       // the host's own, never read
    const char* panel;                     // the panel identifier text
    const char* control;                   // the control name, such as "Take" or "Dest_2"
    const decodePropertyString* parameter; // the parsed control message, built by the host
};

// Code 1: a revertive, a router's report of the source now routed to one destination.
struct zeth_revertive_record {
    std::int32_t device;      // the router's device number
    std::int32_t hostWord;    // the host's own, never read
    std::int32_t destination; // destination number
    std::int32_t source;      // the source now routed there
};

static_assert(sizeof(zeth_revertive_record) == 16, "the revertive record is four int32");
static_assert(offsetof(zeth_revertive_record, device) == 0, "device is the first int32");
static_assert(offsetof(zeth_revertive_record, hostWord) == 4, "the host's word is the second");
static_assert(offsetof(zeth_revertive_record, destination) == 8, "destination is the third");
static_assert(offsetof(zeth_revertive_record, source) == 12, "source is the fourth");
#if INTPTR_MAX == INT32_MAX
static_assert(sizeof(zeth_event_record) == 20, "the event record is five 4-byte words");
static_assert(offsetof(zeth_event_record, hostWord0) == 0, "host word 0 at 0");
static_assert(offsetof(zeth_event_record, hostWord1) == 4, "host word 1 at 4");
static_assert(offsetof(zeth_event_record, panel) == 8, "the panel identifier is word 2");
static_assert(offsetof(zeth_event_record, control) == 12, "the control name is word 3");
static_assert(offsetof(zeth_event_record, parameter) == 16, "the parsed parameter is word 4");
#endif
