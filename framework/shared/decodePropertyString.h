// decodePropertyString: the parsed form of a property text, name{.part}[=value].
//
// The layout is shared byte for byte with the host: the host builds records of this layout itself
// for the parsed parameter of control events and the panel reads them in place. On the deployed
// 32-bit target the record is 148 bytes: name at 0, parts at 4, value at 132, partCount at 136,
// hasValue at 140 (then 3 filler bytes), buffer at 144. On other targets the fields keep this order
// with pointer-wide pointers. No virtual operations, so no hidden table pointer moves the fields.
//
// Who calls it: notify parses every code-3 query text with it; hosts build the same layout for
// control events. Ownership: the record owns buffer and nothing else; every other pointer points
// into buffer or at sharedEmptyText (never null) and is valid while the record lives. The input
// is copied once and may be released as soon as the constructor returns. Records are used in
// place: never copied or assigned. An allocation that fails leaves every field empty.
#pragma once

#include <cstdint>

struct decodePropertyString {
    static constexpr int maxParts = 32;

    explicit decodePropertyString(const char* text);
    decodePropertyString(const decodePropertyString&) = delete;
    decodePropertyString& operator=(const decodePropertyString&) = delete;
    ~decodePropertyString();

    const char* name;            // before the first "." or "="; the whole text without either
    const char* parts[maxParts]; // part i follows the (i+1)-th "."; after 32 parts the scan stops
    const char* value;           // everything after the first "="
    std::int32_t partCount;      // 0 to 32
    bool hasValue;               // an "=" was found
    char* buffer;                // the owned, cut copy; null for a null or empty input
};

#if INTPTR_MAX == INT32_MAX
#include <cstddef>
static_assert(sizeof(bool) == 1, "hasValue is one byte on the deployed target");
static_assert(offsetof(decodePropertyString, name) == 0, "name at 0");
static_assert(offsetof(decodePropertyString, parts) == 4, "parts at 4");
static_assert(offsetof(decodePropertyString, value) == 132, "value at 132");
static_assert(offsetof(decodePropertyString, partCount) == 136, "partCount at 136");
static_assert(offsetof(decodePropertyString, hasValue) == 140, "hasValue at 140");
static_assert(offsetof(decodePropertyString, buffer) == 144, "buffer at 144");
static_assert(sizeof(decodePropertyString) == 148, "the record is 148 bytes");
#endif
