// Fuzz target for decodePropertyString. The input, up to its first NUL byte, is the property text
// (an empty input also tries the null text). The record must equal referenceProperty and keep its
// field invariants: no field null, name at the start of the owned copy for a non-empty text,
// parts 0..partCount-1 and a found value inside the copy (its terminating NUL included), every
// other part and a missing value the shared empty text, the input untouched.
#include "decodePropertyString.h"
#include "fuzz_check.h"
#include "reference_property.h"
#include "shared_empty_text.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

bool insideCopy(const char* field, const decodePropertyString& parsed, std::size_t n) {
    return parsed.buffer != nullptr && field >= parsed.buffer && field <= parsed.buffer + n;
}

void checkInvariants(const decodePropertyString& parsed, const std::string& text) {
    // Failure messages are built only when a check fails: describing a long input costs more
    // than checking it.
    const auto where = [&] { return "input " + shown(text); };
    const std::size_t n = text.size();
    FUZZ_CHECK((parsed.buffer == nullptr) == (n == 0), where());
    FUZZ_CHECK(sharedEmptyText[0] == '\0', where() + "\nthe shared empty text was written");
    FUZZ_CHECK(parsed.partCount >= 0 && parsed.partCount <= decodePropertyString::maxParts,
               where() + "\npartCount " + std::to_string(parsed.partCount));
    FUZZ_CHECK(parsed.name != nullptr && parsed.value != nullptr, where() + "\na null field");
    if (n == 0) {
        FUZZ_CHECK(parsed.name == sharedEmptyText && parsed.value == sharedEmptyText &&
                       parsed.partCount == 0 && !parsed.hasValue,
                   where() + "\nan empty text left something filled");
    } else {
        FUZZ_CHECK(parsed.name == parsed.buffer, where() + "\nname is not the start of the copy");
        FUZZ_CHECK(parsed.buffer[n] == '\0', where() + "\nthe copy lost its terminating NUL");
    }
    if (parsed.hasValue) {
        FUZZ_CHECK(insideCopy(parsed.value, parsed, n), where() + "\nvalue outside the copy");
    } else {
        FUZZ_CHECK(parsed.value == sharedEmptyText, where() + "\nvalue without an \"=\"");
    }
    for (int i = 0; i < decodePropertyString::maxParts; ++i) {
        const char* part = parsed.parts[i];
        const auto which = [&] { return where() + "\npart " + std::to_string(i); };
        FUZZ_CHECK(part != nullptr, which() + " is null");
        if (i < parsed.partCount) {
            FUZZ_CHECK(insideCopy(part, parsed, n), which() + " points outside the owned copy");
        } else {
            FUZZ_CHECK(part == sharedEmptyText,
                       which() + " beyond partCount is not the shared empty");
        }
    }
}

void checkAgainstReference(const std::string& text) {
    const std::string input = text;
    const decodePropertyString parsed(input.c_str());
    const auto where = [&] { return "input " + shown(text); };
    FUZZ_CHECK(input == text, where() + "\nthe input text was changed");
    checkInvariants(parsed, text);

    const reference_property expected = referenceProperty(text);
    FUZZ_CHECK(expected.name == parsed.name,
               where() + "\nname " + shown(parsed.name) + ", reference " + shown(expected.name));
    FUZZ_CHECK(expected.hasValue == parsed.hasValue, where() + "\nhasValue differs");
    FUZZ_CHECK(expected.value == parsed.value,
               where() + "\nvalue " + shown(parsed.value) + ", reference " + shown(expected.value));
    FUZZ_CHECK(static_cast<std::size_t>(parsed.partCount) == expected.parts.size(),
               where() + "\npartCount " + std::to_string(parsed.partCount) + ", reference " +
                   std::to_string(expected.parts.size()));
    for (std::size_t i = 0; i < expected.parts.size(); ++i) {
        FUZZ_CHECK(expected.parts[i] == parsed.parts[i],
                   where() + "\npart " + std::to_string(i) + " " + shown(parsed.parts[i]) +
                       ", reference " + shown(expected.parts[i]));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        const decodePropertyString parsed(nullptr);
        checkInvariants(parsed, "");
    }
    const std::string raw(reinterpret_cast<const char*>(data), size);
    checkAgainstReference(raw.substr(0, std::strlen(raw.c_str())));
    return 0;
}
