// The wrappers that give handlers access to what a host message carries. Each holds only the
// pointer it wraps and lives on notify's stack for the duration of one handler call; the record
// it wraps stays the host's (or notify's, for a query). The zeth_string accessors return fresh
// copies; the ...Text accessors read the same texts in place, without a copy, and stay valid only
// during the handler call (compare them with literal names: the lengths are known where compiled).
//
// A null word where a text or a parsed parameter belongs reads as the empty text, so a handler
// can never be led into reading through a null pointer the host passed.
#pragma once

#include "decodePropertyString.h"
#include "zeth_records.h"
#include "zeth_string.h"

#include <cstdint>
#include <string_view>

class controlEvent {
public:
    explicit controlEvent(const zeth_event_record* wrapped) noexcept : record(wrapped) {}
    zeth_string panel() const;   // word 2
    zeth_string control() const; // word 3
    zeth_string command() const; // the parsed parameter's name
    zeth_string value() const;   // the parsed parameter's value

    std::string_view panelText() const noexcept { return view(record->panel); }
    std::string_view controlText() const noexcept { return view(record->control); }
    std::string_view commandText() const noexcept {
        return view(record->parameter != nullptr ? record->parameter->name : nullptr);
    }
    std::string_view valueText() const noexcept {
        return view(record->parameter != nullptr ? record->parameter->value : nullptr);
    }

private:
    static std::string_view view(const char* text) noexcept {
        return text != nullptr ? std::string_view(text) : std::string_view();
    }

    const zeth_event_record* record;
};

class queryEvent {
public:
    explicit queryEvent(const decodePropertyString* wrapped) noexcept : parsed(wrapped) {}
    zeth_string name() const;
    zeth_string value() const;

private:
    const decodePropertyString* parsed;
};

class revertiveEvent {
public:
    explicit revertiveEvent(const zeth_revertive_record* wrapped) noexcept : record(wrapped) {}
    std::int32_t device() const noexcept { return record->device; }
    std::int32_t destination() const noexcept { return record->destination; }
    std::int32_t source() const noexcept { return record->source; }

private:
    const zeth_revertive_record* record;
};
