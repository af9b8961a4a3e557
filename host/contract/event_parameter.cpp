#include "event_parameter.h"

#include "decodePropertyString.h"

#include <cstddef>
#include <cstring>

// The panel reads our record as its own decodePropertyString: same fields, same offsets, same size.
static_assert(offsetof(host_property_record, name) == offsetof(decodePropertyString, name));
static_assert(offsetof(host_property_record, parts) == offsetof(decodePropertyString, parts));
static_assert(offsetof(host_property_record, value) == offsetof(decodePropertyString, value));
static_assert(offsetof(host_property_record, partCount) ==
              offsetof(decodePropertyString, partCount));
static_assert(offsetof(host_property_record, hasValue) == offsetof(decodePropertyString, hasValue));
static_assert(offsetof(host_property_record, buffer) == offsetof(decodePropertyString, buffer));
static_assert(sizeof(host_property_record) == sizeof(decodePropertyString));
static_assert(host_property_record::maxParts == decodePropertyString::maxParts);
static_assert(sizeof(host_property_record::hasValue) == sizeof(decodePropertyString::hasValue));

namespace {
const char emptyText[1] = "";
}

event_parameter::event_parameter(const std::string& message) {
    parsed.name = emptyText;
    parsed.value = emptyText;
    for (const char*& part : parsed.parts) {
        part = emptyText;
    }
    parsed.partCount = 0;
    parsed.hasValue = false;
    parsed.buffer = nullptr;
    if (message.empty()) {
        return;
    }
    storage = std::make_unique<char[]>(message.size() + 1);
    std::memcpy(storage.get(), message.c_str(), message.size() + 1);
    char* text = storage.get();
    parsed.buffer = text;
    parsed.name = text;
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (parsed.partCount == host_property_record::maxParts) {
            break;
        }
        if (text[i] == '.') {
            text[i] = '\0';
            parsed.parts[parsed.partCount++] = text + i + 1;
        } else if (text[i] == '=') {
            text[i] = '\0';
            parsed.hasValue = true;
            parsed.value = text + i + 1;
            break;
        }
    }
}

const decodePropertyString* event_parameter::asPanelRecord() const {
    // Same layout, asserted above; the panel only reads through this pointer.
    return reinterpret_cast<const decodePropertyString*>(&parsed);
}
