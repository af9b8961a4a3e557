// event_parameter: the parsed parameter that the host puts in word 4 of a control event.
//
// The panel reads it in place as a decodePropertyString, so host_property_record has exactly that
// layout (checked field by field at compile time against the framework's header; the host links
// none of the framework's code). event_parameter parses a control message such as "index=3" the
// way the panel's own decoder would: name before the first "." or "=", up to 32 dot-separated
// parts, value after the first "=". Every unfilled field points at a constant empty text, never
// at null, because the panel may read any field without looking at a count.
//
// Ownership: the event_parameter owns the cut copy of the message; the record's pointers point
// into it or at the empty text. The host builds one per control event, on its own stack, and it
// must outlive the notify call that carries it. It is neither copied nor moved, since the record
// points into the object's own storage.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct host_property_record {
    static constexpr int maxParts = 32;
    const char* name;
    const char* parts[maxParts];
    const char* value;
    std::int32_t partCount;
    bool hasValue;
    char* buffer;
};

struct decodePropertyString;

class event_parameter {
public:
    explicit event_parameter(const std::string& message);
    event_parameter(const event_parameter&) = delete;
    event_parameter& operator=(const event_parameter&) = delete;

    const host_property_record& record() const { return parsed; }
    // The same record, typed as the panel reads it: for word 4 of the event record.
    const decodePropertyString* asPanelRecord() const;

private:
    std::unique_ptr<char[]> storage;
    host_property_record parsed{};
};
