#include "zeth_string.h"
#include "zeth_stringlist.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

std::string text(const zeth_string& value) {
    return static_cast<const char*>(value);
}

TEST(zeth_string, value_semantics_and_concatenation) {
    zeth_string original("abc");
    zeth_string copy(original);
    copy += "d";
    EXPECT_EQ(text(original), "abc");
    EXPECT_EQ(text(copy), "abcd");
    EXPECT_EQ(text("x" + original + zeth_string("y") + "z"), "xabcyz");
    zeth_string fromNull(nullptr);
    EXPECT_EQ(fromNull.length(), 0);
    EXPECT_EQ(text(fromNull), "");
    original = static_cast<const char*>(nullptr);
    EXPECT_EQ(original.length(), 0);
    zeth_string self("self");
    self += self;
    EXPECT_EQ(text(self), "selfself");
}

TEST(zeth_string, number_construction) {
    struct row {
        int value;
        char fill;
        unsigned width;
        int base;
        const char* expected;
    };
    const row rows[] = {
        {1, 0, 0, 10, "1"},
        {0, 0, 0, 10, "0"},
        {-42, 0, 0, 10, "-42"},
        {INT_MAX, 0, 0, 10, "2147483647"},
        {INT_MIN, 0, 0, 10, "-2147483648"},
        {255, 0, 0, 16, "ff"},
        {5, '0', 3, 10, "005"},
        {5, 0, 3, 10, "  5"},
        {7, 0, 0, 99, "7"},
        // Each decimal length has its own path.
        {9, 0, 0, 10, "9"},
        {10, 0, 0, 10, "10"},
        {99, 0, 0, 10, "99"},
        {100, 0, 0, 10, "100"},
        {999, 0, 0, 10, "999"},
        {1000, 0, 0, 10, "1000"},
        {-1000, 0, 0, 10, "-1000"},
        {123456789, 0, 0, 10, "123456789"},
    };
    for (const row& r : rows) {
        EXPECT_EQ(text(zeth_string(r.value, r.fill, r.width, r.base)), r.expected) << r.value;
    }
}

TEST(zeth_string, arg_fills_the_lowest_marker_in_turn) {
    const zeth_string pattern("%2 then %1, again %1");
    EXPECT_EQ(text(pattern.arg("a")), "%2 then a, again a");
    EXPECT_EQ(text(pattern.arg("a").arg("b")), "b then a, again a");
    EXPECT_EQ(text(zeth_string("Dest_%1").arg(3, 0, 0, 10)), "Dest_3");
    EXPECT_EQ(text(zeth_string("no marker").arg("x")), "no marker");
    EXPECT_EQ(text(zeth_string("100%").arg("x")), "100%");
    EXPECT_EQ(text(zeth_string("%0 %1").arg("x")), "%0 x");
    EXPECT_EQ(text(zeth_string("%12 %3").arg("x")), "%12 x");
}

TEST(zeth_string, fillMarkers_never_refills_inserted_text) {
    const zeth_string first("%2");
    const zeth_string second("B");
    EXPECT_EQ(text(fillMarkers("[%1|%2|%3]", {&first, &second})), "[%2|B|%3]");
    EXPECT_EQ(text(fillMarkers(nullptr, {&first})), "");
}

TEST(zeth_string, equality) {
    EXPECT_TRUE(zeth_string("Take") == "Take");
    EXPECT_FALSE(zeth_string("Take") == "take");
    EXPECT_FALSE(zeth_string("Take") == "Take ");
    EXPECT_TRUE(zeth_string("") == static_cast<const char*>(nullptr));

    struct row {
        const char* textValue;
        int number;
        bool equal;
    };
    const row rows[] = {
        {"1", 1, true},
        {"01", 1, false},
        {"+1", 1, false},
        {" 1", 1, false},
        {"1 ", 1, false},
        {"", 0, false},
        {"0", 0, true},
        {"-7", -7, true},
        {"-0", 0, false},
        {"2", 1, false},
        {"-2147483648", INT_MIN, true},
        {"12", 1, false},
    };
    for (const row& r : rows) {
        EXPECT_EQ(zeth_string(r.textValue) == r.number, r.equal)
            << '"' << r.textValue << "\" against " << r.number;
    }
}

TEST(zeth_string, toInt) {
    struct row {
        const char* textValue;
        int expected;
    };
    const row rows[] = {
        {"", 0},
        {"101", 101},
        {"-5", -5},
        {"+5", 5},
        {" 7 ", 7},
        {"12abc", 0},
        {"abc", 0},
        {"-", 0},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", 0},
        {"99999999999999999999", 0},
        {"1 2", 0},
        {"123456789", 123456789},
        {"1234567890", 1234567890},
        {"12 ", 12},
        {"0000000000001", 1},
        {"00000000002147483648", 0},
        {"-00000000002147483648", INT_MIN},
        {"-2147483649", 0},
        {"\t-0\n", 0},
    };
    for (const row& r : rows) {
        EXPECT_EQ(zeth_string(r.textValue).toInt(), r.expected) << '"' << r.textValue << '"';
    }
}

TEST(zeth_string, firstInt) {
    struct row {
        const char* textValue;
        int expected;
    };
    const row rows[] = {
        {"Dest_3", 3},
        {"Dest_", 0},
        {"", 0},
        {"Dest_0", 0},
        {"Dest_12x4", 12},
        {"a-3b", -3},
        {"Dest_99999999999", INT_MAX},
        {"x-99999999999", INT_MIN},
        {"007", 7},
        {"Dest_2147483647", INT_MAX},
        {"Dest_2147483648", INT_MAX},
        {"x-2147483648", INT_MIN},
        {"x-2147483647", -2147483647},
    };
    for (const row& r : rows) {
        EXPECT_EQ(zeth_string(r.textValue).firstInt(), r.expected) << '"' << r.textValue << '"';
    }
}

TEST(zeth_string, startsWith) {
    EXPECT_TRUE(zeth_string("Dest_1").startsWith("Dest_"));
    EXPECT_TRUE(zeth_string("Dest_").startsWith("Dest_"));
    EXPECT_TRUE(zeth_string("x").startsWith(""));
    EXPECT_FALSE(zeth_string("Dest").startsWith("Dest_"));
    EXPECT_FALSE(zeth_string("dest_1").startsWith("Dest_"));
}

TEST(zeth_string, split) {
    struct row {
        const char* textValue;
        const char* left;
        const char* right;
        int result;
    };
    const row rows[] = {
        {"video_id=101", "video_id", "101", 1},
        {"video_id=", "video_id", "", 1},
        {"a=b=c", "a", "b=c", 1},
        {"noseparator", "noseparator", "", 0},
        {"", "", "", 0},
        {"=5", "", "5", 1},
    };
    for (const row& r : rows) {
        zeth_string left("old");
        zeth_string right("old");
        EXPECT_EQ(zeth_string(r.textValue).split('=', left, right), r.result) << r.textValue;
        EXPECT_EQ(text(left), r.left) << r.textValue;
        EXPECT_EQ(text(right), r.right) << r.textValue;
    }
    // The source may be one of the outputs.
    zeth_string entry("12,7");
    zeth_string right;
    entry.split(',', entry, right);
    EXPECT_EQ(text(entry), "12");
    EXPECT_EQ(text(right), "7");
}

TEST(zeth_stringlist, cuts_and_joins) {
    const zeth_stringlist empty(zeth_string(""), ',');
    EXPECT_EQ(empty.count(), 0);
    EXPECT_EQ(text(empty.toString('\n')), "");

    const zeth_stringlist list(zeth_string("a,,b"), ',');
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(text(list.at(0)), "a");
    EXPECT_EQ(text(list.at(1)), "");
    EXPECT_EQ(text(list.at(2)), "b");
    EXPECT_EQ(text(list.at(3)), "");
    EXPECT_EQ(text(list.at(-1)), "");
    EXPECT_EQ(text(list.toString('\n')), "a\n\nb");

    const zeth_stringlist trailing(zeth_string("x,"), ',');
    EXPECT_EQ(trailing.count(), 2);
    EXPECT_EQ(text(trailing.toString(';')), "x;");
}

} // namespace
