// The records the host passes to the panel, as the host itself lays them out for the 32-bit
// Windows target: the test host builds them from its own declarations, never from the panel's
// headers, so a layout that drifted on the panel's side shows up as a wrong reading in the panel.
// All of them are the host's; the panel may read them only during the notify call that carries
// them.
#pragma once

#include <stddef.h>
#include <stdint.h>

// The parsed control message, word 4 of the event record: 148 bytes.
struct host_parsed_parameter {
    const char* name;
    const char* parts[32];
    const char* value;
    int32_t partCount;
    unsigned char hasValue;
    unsigned char filler[3];
    char* buffer;
};

// Code 2: five 4-byte words.
struct host_event_record {
    const void* hostWord0;
    const void* hostWord1;
    const char* panel;
    const char* control;
    const host_parsed_parameter* parameter;
};

// Code 1: four int32.
struct host_revertive_record {
    int32_t device;
    int32_t hostWord;
    int32_t destination;
    int32_t source;
};

static_assert(sizeof(void*) == 4, "the host is a 32-bit program");
static_assert(offsetof(host_parsed_parameter, name) == 0, "name at 0");
static_assert(offsetof(host_parsed_parameter, parts) == 4, "parts at 4");
static_assert(offsetof(host_parsed_parameter, value) == 132, "value at 132");
static_assert(offsetof(host_parsed_parameter, partCount) == 136, "partCount at 136");
static_assert(offsetof(host_parsed_parameter, hasValue) == 140, "hasValue at 140");
static_assert(offsetof(host_parsed_parameter, buffer) == 144, "buffer at 144");
static_assert(sizeof(host_parsed_parameter) == 148, "the parsed parameter is 148 bytes");
static_assert(sizeof(host_event_record) == 20, "the event record is five 4-byte words");
static_assert(offsetof(host_event_record, parameter) == 16, "the parameter is word 4");
static_assert(sizeof(host_revertive_record) == 16, "the revertive record is four int32");
static_assert(offsetof(host_revertive_record, source) == 12, "the source is the fourth int32");
