#include "decodePropertyString.h"
#include "decodeZETHString.h"
#include "shared_empty_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAreArray;

// True when field is the shared empty text or points inside buffer (NUL included).
bool pointsIntoOrShared(const char* field, const char* buffer, const char* source) {
    if (field == sharedEmptyText) {
        return true;
    }
    if (field == nullptr || buffer == nullptr || source == nullptr) {
        return false;
    }
    return field >= buffer && field <= buffer + std::strlen(source);
}

std::vector<std::string> tokensOf(const decodeZETHString& decoded) {
    std::vector<std::string> found;
    for (int i = 0; i < decoded.count; ++i) {
        found.emplace_back(decoded.tokens[i]);
    }
    return found;
}

std::string words(int count) {
    std::string joined;
    for (int i = 0; i < count; ++i) {
        joined += (i == 0 ? "w" : " w") + std::to_string(i);
    }
    return joined;
}

struct tokenRow {
    std::optional<std::string> input; // nullopt: a null pointer
    std::vector<std::string> tokens;
};

TEST(decodeZETHString, tokenises_by_the_quote_and_space_rules) {
    std::vector<std::string> first32;
    for (int i = 0; i < 32; ++i) {
        first32.push_back("w" + std::to_string(i));
    }
    const std::vector<tokenRow> rows = {
        {std::nullopt, {}},
        {"", {}},
        {"12", {"12"}},
        {"12 34", {"12", "34"}},
        {"a   b ", {"a", "b"}},
        {"a 'b c' d", {"a", "b c", "d"}},
        {"a '' b", {"a", "", "b"}},
        {"'x' y", {"", "x", "y"}},
        {" 12", {"", "12"}},
        {"''", {"", ""}},
        {"   ", {""}},
        {"a 'b", {"a", "b"}},
        {"ab'cd'ef", {"ab", "cd", "ef"}},
        {"'R7 SDI Router' 12", {"", "R7 SDI Router", "12"}},
        {std::string(63, 'x'), {std::string(63, 'x')}}, // the longest kept inline
        {std::string(64, 'x'), {std::string(64, 'x')}}, // the shortest copied to the heap
        {words(40), first32},
        {words(32), first32},
    };
    for (const tokenRow& row : rows) {
        const char* input = row.input ? row.input->c_str() : nullptr;
        const decodeZETHString decoded(input, '\'');
        const std::string label = row.input ? '"' + *row.input + '"' : "null";
        EXPECT_THAT(tokensOf(decoded), ElementsAreArray(row.tokens)) << label;
        EXPECT_EQ(decoded.count, static_cast<int>(row.tokens.size())) << label;
        EXPECT_EQ(decoded.quote, '\'');
        EXPECT_EQ(decoded.buffer == nullptr, !row.input || row.input->empty()) << label;
        for (int i = 0; i < decodeZETHString::maxTokens; ++i) {
            EXPECT_TRUE(pointsIntoOrShared(decoded.tokens[i], decoded.buffer, input))
                << label << " token " << i;
            if (i >= decoded.count) {
                EXPECT_EQ(decoded.tokens[i], sharedEmptyText) << label << " token " << i;
            }
        }
    }
}

TEST(decodeZETHString, copies_its_input) {
    std::string input = "12 34";
    const decodeZETHString decoded(input.c_str(), '\'');
    input = "99 99";
    EXPECT_STREQ(decoded.tokens[0], "12");
    EXPECT_STREQ(decoded.tokens[1], "34");
}

struct propertyRow {
    std::optional<std::string> input;
    std::string name;
    std::vector<std::string> parts;
    std::string value;
    bool hasValue;
};

TEST(decodePropertyString, parses_name_parts_and_value) {
    std::string manyParts = "n";
    std::vector<std::string> expected32;
    for (int i = 1; i <= 33; ++i) {
        manyParts += ".p" + std::to_string(i);
        if (i < 32) {
            expected32.push_back("p" + std::to_string(i));
        }
    }
    manyParts += "=v";
    expected32.push_back("p32.p33=v");

    const std::vector<propertyRow> rows = {
        {std::nullopt, "", {}, "", false},
        {"", "", {}, "", false},
        {"index=3", "index", {}, "3", true},
        {"_events", "_events", {}, "", false},
        {"a.b.c=d.e", "a", {"b", "c"}, "d.e", true},
        {"a=b=c", "a", {}, "b=c", true},
        {"=5", "", {}, "5", true},
        {".x", "", {"x"}, "", false},
        {"a..b", "a", {"", "b"}, "", false},
        {"a.b=", "a", {"b"}, "", true},
        {manyParts, "n", expected32, "", false},
    };
    for (const propertyRow& row : rows) {
        const char* input = row.input ? row.input->c_str() : nullptr;
        const decodePropertyString parsed(input);
        const std::string label = row.input ? '"' + *row.input + '"' : "null";
        EXPECT_STREQ(parsed.name, row.name.c_str()) << label;
        EXPECT_STREQ(parsed.value, row.value.c_str()) << label;
        EXPECT_EQ(parsed.hasValue, row.hasValue) << label;
        ASSERT_EQ(parsed.partCount, static_cast<int>(row.parts.size())) << label;
        for (int i = 0; i < parsed.partCount; ++i) {
            EXPECT_STREQ(parsed.parts[i], row.parts[static_cast<std::size_t>(i)].c_str())
                << label << " part " << i;
        }
        EXPECT_TRUE(pointsIntoOrShared(parsed.name, parsed.buffer, input)) << label;
        EXPECT_TRUE(pointsIntoOrShared(parsed.value, parsed.buffer, input)) << label;
        for (int i = 0; i < decodePropertyString::maxParts; ++i) {
            EXPECT_TRUE(pointsIntoOrShared(parsed.parts[i], parsed.buffer, input)) << label;
            if (i >= parsed.partCount) {
                EXPECT_EQ(parsed.parts[i], sharedEmptyText) << label << " part " << i;
            }
        }
        if (!row.input || row.input->empty()) {
            EXPECT_EQ(parsed.buffer, nullptr);
            EXPECT_EQ(parsed.name, sharedEmptyText);
            EXPECT_EQ(parsed.value, sharedEmptyText);
        } else {
            EXPECT_EQ(parsed.name, parsed.buffer) << label;
        }
    }
}

TEST(decodePropertyString, layout_keeps_the_field_order) {
    EXPECT_LT(offsetof(decodePropertyString, name), offsetof(decodePropertyString, parts));
    EXPECT_EQ(offsetof(decodePropertyString, value),
              offsetof(decodePropertyString, parts) + 32 * sizeof(char*));
    EXPECT_EQ(offsetof(decodePropertyString, partCount),
              offsetof(decodePropertyString, value) + sizeof(char*));
    EXPECT_EQ(offsetof(decodePropertyString, hasValue),
              offsetof(decodePropertyString, partCount) + 4);
    EXPECT_EQ(offsetof(decodePropertyString, buffer) % sizeof(char*), 0U);
    EXPECT_GT(offsetof(decodePropertyString, buffer), offsetof(decodePropertyString, hasValue));
}

} // namespace
