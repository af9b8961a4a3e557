// The host builds and reads the shared records from their byte layout, not from our declarations:
// on the deployed 32-bit target the parsed parameter is 148 bytes (name 0, parts 4, value 132,
// partCount 136, hasValue 140, buffer 144), the event record five 4-byte words and the revertive
// record four int32. These tests play such a host: they lay records out in raw bytes and words,
// hand them to a panel through notify, and read what the panel's decoder wrote at raw offsets.
#include "decodePropertyString.h"
#include "probe_panel.h"
#include "recording_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Where the host reads and writes the fields of a parsed parameter. The 32-bit numbers are the
// deployed layout; on a 64-bit build the same fields in the same order, pointers 8 bytes wide.
struct parameter_layout {
    std::size_t name, parts, value, partCount, hasValue, buffer, size;
};
constexpr parameter_layout hostLayout = sizeof(void*) == 4
                                            ? parameter_layout{0, 4, 132, 136, 140, 144, 148}
                                            : parameter_layout{0, 8, 264, 272, 276, 280, 288};

static_assert(sizeof(decodePropertyString) == hostLayout.size, "the parsed parameter's size");

const char* pointerAt(const unsigned char* bytes, std::size_t offset) {
    const char* pointer = nullptr;
    std::memcpy(&pointer, bytes + offset, sizeof pointer);
    return pointer;
}

void putPointer(unsigned char* bytes, std::size_t offset, const void* pointer) {
    std::memcpy(bytes + offset, &pointer, sizeof pointer);
}

struct parse_case {
    const char* label;
    const char* text;
    const char* name;
    const char* firstPart;
    const char* value;
    std::int32_t partCount;
    unsigned char hasValue;
    bool ownsBuffer;
};

class parsed_parameter_bytes : public ::testing::TestWithParam<parse_case> {};

TEST_P(parsed_parameter_bytes, are_where_the_host_reads_them) {
    const parse_case& c = GetParam();
    const decodePropertyString parsed(c.text);
    unsigned char bytes[sizeof(decodePropertyString)];
    std::memcpy(bytes, &parsed, sizeof bytes);

    EXPECT_STREQ(pointerAt(bytes, hostLayout.name), c.name);
    EXPECT_STREQ(pointerAt(bytes, hostLayout.parts), c.firstPart);
    EXPECT_STREQ(pointerAt(bytes, hostLayout.parts + 31 * sizeof(void*)), "");
    EXPECT_STREQ(pointerAt(bytes, hostLayout.value), c.value);
    std::int32_t partCount = -1;
    std::memcpy(&partCount, bytes + hostLayout.partCount, sizeof partCount);
    EXPECT_EQ(partCount, c.partCount);
    EXPECT_EQ(bytes[hostLayout.hasValue], c.hasValue);
    const char* buffer = pointerAt(bytes, hostLayout.buffer);
    if (c.ownsBuffer) {
        // The name is the start of the owned copy whenever the text is not empty.
        EXPECT_EQ(buffer, pointerAt(bytes, hostLayout.name));
    } else {
        EXPECT_EQ(buffer, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(
    layout, parsed_parameter_bytes,
    ::testing::Values(parse_case{"name_and_value", "index=3", "index", "", "3", 0, 1, true},
                      parse_case{"parts_and_value", "a.b.c=d.e", "a", "b", "d.e", 2, 1, true},
                      parse_case{"name_only", "_events", "_events", "", "", 0, 0, true},
                      parse_case{"empty_text", "", "", "", "", 0, 0, false},
                      parse_case{"null_text", nullptr, "", "", "", 0, 0, false}),
    [](const ::testing::TestParamInfo<parse_case>& testInfo) {
        return std::string(testInfo.param.label);
    });

// A parsed parameter laid out by the host in raw bytes: name and value set, every part at an empty
// text of the host's, count and flag filled, no buffer.
struct raw_parameter {
    alignas(void*) unsigned char bytes[hostLayout.size] = {};

    raw_parameter(const char* name, const char* value) {
        static const char empty[] = "";
        putPointer(bytes, hostLayout.name, name);
        for (std::size_t i = 0; i < 32; ++i) {
            putPointer(bytes, hostLayout.parts + i * sizeof(void*), empty);
        }
        putPointer(bytes, hostLayout.value, value);
        const std::int32_t noParts = 0;
        std::memcpy(bytes + hostLayout.partCount, &noParts, sizeof noParts);
        bytes[hostLayout.hasValue] = 1;
        putPointer(bytes, hostLayout.buffer, nullptr);
    }
};

TEST(layout, an_event_of_five_raw_words_reaches_the_handler_whole) {
    recording_host host;
    probe_panel panel(&host, "");
    const raw_parameter parameter("index", "7");
    const char panelName[] = "1";
    const char control[] = "Sources";
    // Words 0 and 1 are the host's own; the panel must not mistake them for the texts after them.
    std::uintptr_t words[5] = {0xDEAD, 0xBEEF, reinterpret_cast<std::uintptr_t>(panelName),
                               reinterpret_cast<std::uintptr_t>(control),
                               reinterpret_cast<std::uintptr_t>(parameter.bytes)};
    static_assert(sizeof words == 5 * sizeof(void*), "five pointer-sized words");

    EXPECT_EQ(panel.notify(words, 2), nullptr);
    EXPECT_THAT(panel.calls, ElementsAre("button 1 Sources index=7"));
    EXPECT_THAT(host.commands(), IsEmpty());
    EXPECT_THAT(host.violations(), IsEmpty());
}

TEST(layout, a_revertive_of_four_raw_int32_reaches_the_handler_in_order) {
    recording_host host;
    probe_panel panel(&host, "");
    // device, the host's word, destination, source; negative numbers keep their sign.
    const std::int32_t record[4] = {20, 0x7FFFFFFF, 103, -4};
    static_assert(sizeof record == 16, "four int32");

    EXPECT_EQ(panel.notify(const_cast<std::int32_t*>(record), 1), nullptr);
    EXPECT_THAT(panel.calls, ElementsAre("revertive 20 103 -4"));
    EXPECT_THAT(host.violations(), IsEmpty());
}

} // namespace
