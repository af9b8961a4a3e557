// The command reader: every command form the panel can send, and the texts the host must refuse
// with the right kind of violation and a message that says what is wrong.
#include "command_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

struct well_formed {
    std::string text;
    std::string name;
    std::vector<std::string> texts;
    std::vector<std::int32_t> numbers;
};

void PrintTo(const well_formed& value, std::ostream* out) {
    *out << value.text;
}

class command_parser_accepts : public ::testing::TestWithParam<well_formed> {};

TEST_P(command_parser_accepts, everyArgumentInOrder) {
    const well_formed& expected = GetParam();
    const command_parse parsed = parseCommand(expected.text);
    ASSERT_TRUE(parsed.command) << parsed.problem;
    EXPECT_EQ(parsed.command->name, expected.name);
    EXPECT_THAT(parsed.command->texts, ElementsAreArray(expected.texts));
    EXPECT_THAT(parsed.command->numbers, ElementsAreArray(expected.numbers));
}

INSTANTIATE_TEST_SUITE_P(
    everyCommand, command_parser_accepts,
    ::testing::Values(
        well_formed{"CD '1' 'Take'", "CD", {"1", "Take"}, {}},
        well_formed{"CE '1' 'Undo'", "CE", {"1", "Undo"}, {}},
        well_formed{"TP 'statesheet=KX_TakeHigh' '1' 'Take'",
                    "TP",
                    {"statesheet=KX_TakeHigh", "1", "Take"},
                    {}},
        well_formed{"TP 'select=-1' '1' 'Sources'", "TP", {"select=-1", "1", "Sources"}, {}},
        well_formed{"TG '1' 'Dest_1' 'video_id'", "TG", {"1", "Dest_1", "video_id"}, {}},
        well_formed{"PS '1' 'R7_DESK.zeth_ui'", "PS", {"1", "R7_DESK.zeth_ui"}, {}},
        well_formed{"PS '1' 'D:/layouts//R7_DESK.zeth_ui' 'x'",
                    "PS",
                    {"1", "D:/layouts//R7_DESK.zeth_ui", "x"},
                    {}},
        well_formed{"SD 'R7 SDI Router'", "SD", {"R7 SDI Router"}, {}},
        well_formed{"SD ''", "SD", {""}, {}},
        well_formed{"SD 'it's here'", "SD", {"it's here"}, {}},
        well_formed{"RN 14 0 3", "RN", {}, {14, 0, 3}},
        well_formed{"RC 12 34 5 ',' 0", "RC", {","}, {12, 34, 5, 0}},
        well_formed{"RC 12 34 5 ',x' 1", "RC", {",x"}, {12, 34, 5, 1}},
        well_formed{"RR 12 101 101", "RR", {}, {12, 101, 101}},
        well_formed{"RR 12 101 101 'ADD'", "RR", {"ADD"}, {12, 101, 101}},
        well_formed{"RP -1 2 2", "RP", {}, {-1, 2, 2}},
        well_formed{"RP -2147483648 0 2147483647", "RP", {}, {-2147483647 - 1, 0, 2147483647}},
        well_formed{"ET 1 1000", "ET", {}, {1, 1000}}, well_formed{"ET 1", "ET", {}, {1}},
        well_formed{"AS", "AS", {}, {}}));

struct refused {
    std::string text;
    violation_kind kind;
    std::string problem; // a part of the message
};

void PrintTo(const refused& value, std::ostream* out) {
    *out << value.text;
}

class command_parser_refuses : public ::testing::TestWithParam<refused> {};

TEST_P(command_parser_refuses, withTheKindAndWhatIsWrong) {
    const refused& expected = GetParam();
    const command_parse parsed = parseCommand(expected.text);
    ASSERT_FALSE(parsed.command) << expected.text;
    EXPECT_EQ(violationId(parsed.problemKind), violationId(expected.kind)) << expected.text;
    EXPECT_THAT(parsed.problem, HasSubstr(expected.problem)) << expected.text;
}

INSTANTIATE_TEST_SUITE_P(
    badTexts, command_parser_refuses,
    ::testing::Values(
        refused{"", violation_kind::unknownCommand, "empty"},
        refused{"XX 1", violation_kind::unknownCommand, "no command begins \"XX \""},
        refused{"cd '1' 'Take'", violation_kind::unknownCommand, "\"cd \""},
        refused{"ASX", violation_kind::unknownCommand, "ASX"},
        refused{"C", violation_kind::unknownCommand, ""},
        refused{"CD '1'", violation_kind::malformedCommand,
                "1 arguments; the form is CD 'text' 'text'"},
        refused{"CD '1' 'Take' 'x'", violation_kind::malformedCommand, "3 arguments"},
        refused{"CD 1 'Take'", violation_kind::malformedCommand,
                "argument 1 must be a quoted text"},
        refused{"CD '1'  'Take'", violation_kind::malformedCommand, "argument 2 is missing"},
        refused{"CD '1' 'Take' ", violation_kind::malformedCommand, "missing"},
        refused{"CD '1' 'Take", violation_kind::malformedCommand, "never closed"},
        refused{"RN 11 0 five", violation_kind::malformedCommand,
                "argument 3 \"five\" must be a decimal number"},
        refused{"RN 11 0 '5'", violation_kind::malformedCommand, "must be a decimal number"},
        refused{"RN 11 00 5", violation_kind::malformedCommand, "\"00\""},
        refused{"RN 11 -0 5", violation_kind::malformedCommand, "\"-0\""},
        refused{"RN 11 0 2147483648", violation_kind::malformedCommand, "2147483648"},
        refused{"RN 11 0 +5", violation_kind::malformedCommand, "+5"},
        refused{"RC 20 5 102 'x' 0", violation_kind::malformedCommand, "must begin with \",\""},
        refused{"RC 20 5 102 ',' 2", violation_kind::malformedCommand, "0 or 1"},
        refused{"RR 20 101 101 'add'", violation_kind::malformedCommand, "only be 'ADD'"},
        refused{"ET 1 0", violation_kind::malformedCommand, "greater than 0"},
        refused{"ET 1 -5", violation_kind::malformedCommand, "greater than 0"},
        refused{"TP 'statesheet' '1' 'Take'", violation_kind::malformedCommand, "has no \"=\""},
        refused{"AS 1", violation_kind::malformedCommand, "the form is AS"}));

} // namespace
