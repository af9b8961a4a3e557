// The scenario language: what each line means, and the messages for lines that are wrong, each
// with the file, the line and what was expected there.
#include "scenario_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include <fstream>

using ::testing::HasSubstr;

namespace {

scenario_step only(const std::string& line) {
    const scenario play = parseScenario(line, "play.zeth");
    EXPECT_EQ(play.steps.size(), 1u) << line;
    return play.steps.empty() ? scenario_step{} : play.steps[0];
}

TEST(scenario_parser, actions) {
    scenario_step step = only("select 5");
    EXPECT_EQ(step.what, scenario_step::kind::select);
    EXPECT_EQ(step.number, 5);
    EXPECT_EQ(step.list, "");

    step = only("select \"Studio A\" in Sources");
    EXPECT_EQ(step.what, scenario_step::kind::selectNamed);
    EXPECT_EQ(step.name, "Studio A");
    EXPECT_EQ(step.list, "Sources");

    step = only("select -1");
    EXPECT_EQ(step.what, scenario_step::kind::select);
    EXPECT_EQ(step.number, -1);

    step = only("  click Dest_2   # the second button");
    EXPECT_EQ(step.what, scenario_step::kind::click);
    EXPECT_EQ(step.name, "Dest_2");
    EXPECT_EQ(step.text, "click Dest_2");
    EXPECT_EQ(step.line, 1);

    step = only("route \"R7 SDI Router\" 102 7");
    EXPECT_EQ(step.what, scenario_step::kind::route);
    EXPECT_EQ(step.name, "R7 SDI Router");
    EXPECT_EQ(step.destination, 102);
    EXPECT_EQ(step.source, 7);

    step = only("revertive 21 202 0");
    EXPECT_EQ(step.what, scenario_step::kind::revertive);
    EXPECT_EQ(step.name, "21");

    step = only("query \"return=all\"");
    EXPECT_EQ(step.what, scenario_step::kind::query);
    EXPECT_EQ(step.name, "return=all");

    EXPECT_EQ(only("desk 2").number, 2);
    EXPECT_EQ(only("view").what, scenario_step::kind::view);
    EXPECT_EQ(only("close").what, scenario_step::kind::close);

    step = only("revertive \"R7 SDI Router\" -2147483648 2147483647");
    EXPECT_EQ(step.destination, -2147483647 - 1) << "a revertive reports any 32-bit numbers";
    EXPECT_EQ(step.source, 2147483647);
    EXPECT_TRUE(only("click Take anyway").anyway);
    EXPECT_FALSE(only("click Take").anyway);
    step = only("tick -3");
    EXPECT_EQ(step.what, scenario_step::kind::tick);
    EXPECT_EQ(step.number, -3);
    step = only("event \"2\" Take \"index=3\"");
    EXPECT_EQ(step.what, scenario_step::kind::event);
    EXPECT_EQ(step.texts, (std::vector<std::string>{"2", "Take", "index=3"}));
    step = only("message 7 \"\"");
    EXPECT_EQ(step.what, scenario_step::kind::message);
    EXPECT_EQ(step.number, 7);
    EXPECT_EQ(step.name, "");

    step = only("host answers \"SD 'R7 SDI Router'\" with \"12 34\"");
    EXPECT_EQ(step.what, scenario_step::kind::hostAnswers);
    EXPECT_EQ(step.name, "SD 'R7 SDI Router'");
    EXPECT_EQ(step.value, "12 34");
    EXPECT_FALSE(step.null || step.prefix || step.once);
    step = only("host answers starting \"TG '1'\" with null once");
    EXPECT_TRUE(step.null && step.prefix && step.once);
    EXPECT_FALSE(only("host answers \"AS\" with \"null\"").null) << "a quoted null is a text";
    EXPECT_EQ(only("host answers normally").what, scenario_step::kind::hostAnswersNormally);
}

TEST(scenario_parser, durations) {
    const std::vector<std::pair<std::string, std::int64_t>> durations = {
        {"3s", 3000}, {"1500ms", 1500}, {"2.5s", 2500}, {"0.125s", 125}, {"0s", 0}};
    for (const auto& [text, milliseconds] : durations) {
        const scenario_step step = only("wait " + text);
        EXPECT_EQ(step.what, scenario_step::kind::wait) << text;
        EXPECT_EQ(step.number, milliseconds) << text;
    }
}

TEST(scenario_parser, expectations) {
    scenario_step step = only("expect crosspoint \"R7 Audio Router\" 202 = 5");
    EXPECT_EQ(step.what, scenario_step::kind::expectCrosspoint);
    EXPECT_EQ(step.name, "R7 Audio Router");
    EXPECT_EQ(step.destination, 202);
    EXPECT_EQ(step.source, 5);

    step = only("expect disabled Take");
    EXPECT_EQ(step.what, scenario_step::kind::expectEnabled);
    EXPECT_FALSE(step.enabled);

    step = only("expect property Take statesheet = KX_TakeLow");
    EXPECT_EQ(step.property, "statesheet");
    EXPECT_EQ(step.value, "KX_TakeLow");
    EXPECT_EQ(only("expect property Take text = \"\"").value, "");

    step = only("expect no command starting \"RC \"");
    EXPECT_EQ(step.what, scenario_step::kind::expectCommand);
    EXPECT_TRUE(step.negated);
    EXPECT_TRUE(step.prefix);
    EXPECT_EQ(step.name, "RC ");

    step = only("expect command \"TP 'say \\\"hi\\\"' '1' 'Take'\"");
    EXPECT_FALSE(step.negated);
    EXPECT_EQ(step.name, "TP 'say \"hi\"' '1' 'Take'");
    EXPECT_EQ(step.text, "expect command \"TP 'say \\\"hi\\\"' '1' 'Take'\"");

    step = only("expect commands \"ET 1\" \"CD '1' 'Take'\"");
    EXPECT_EQ(step.what, scenario_step::kind::expectCommands);
    EXPECT_EQ(step.place, scenario_step::run_place::whole);
    EXPECT_EQ(step.texts, (std::vector<std::string>{"ET 1", "CD '1' 'Take'"}));
    EXPECT_EQ(only("expect commands first \"AS\"").place, scenario_step::run_place::first);
    EXPECT_EQ(only("expect commands last \"AS\"").place, scenario_step::run_place::last);
    EXPECT_EQ(only("expect commands including \"AS\"").place, scenario_step::run_place::including);

    EXPECT_TRUE(only("expect answer null").null);
    step = only("expect answer \"null\"");
    EXPECT_FALSE(step.null);
    EXPECT_EQ(step.name, "null");
    EXPECT_EQ(only("expect timers 2").number, 2);
    EXPECT_EQ(only("expect refused").what, scenario_step::kind::expectRefused);

    step = only("expect violation double-hand-back");
    EXPECT_EQ(step.violation, violation_kind::doubleHandBack);

    step = only("expect commands none");
    EXPECT_EQ(step.what, scenario_step::kind::expectCommands);
    EXPECT_TRUE(step.texts.empty());
    EXPECT_EQ(only("expect commands \"none\"").texts, std::vector<std::string>{"none"});
    step = only("expect debug starting \"a \\\\ \\\"b\\\"\"");
    EXPECT_EQ(step.what, scenario_step::kind::expectDebug);
    EXPECT_TRUE(step.prefix);
    EXPECT_FALSE(step.negated);
    EXPECT_EQ(step.name, "a \\ \"b\"");
    step = only("expect no debug");
    EXPECT_EQ(step.what, scenario_step::kind::expectDebug);
    EXPECT_TRUE(step.negated && step.prefix && step.name.empty()) << "no line at all";
    step = only("expect no debug \"x\"");
    EXPECT_TRUE(step.negated);
    EXPECT_FALSE(step.prefix);
}

TEST(scenario_parser, panelsMayFollowCommentsAndBlankLinesAreSkipped) {
    const scenario play = parseScenario("# two desks\n\npanels 2\n  \nclick Take\n", "p.zeth");
    EXPECT_EQ(play.panels, 2);
    ASSERT_EQ(play.steps.size(), 2u);
    EXPECT_EQ(play.steps[0].what, scenario_step::kind::comment);
    EXPECT_EQ(play.steps[1].line, 5);
}

// The facility file is found from the scenario file's folder.
TEST(scenario_parser, facilityIsAnOpeningLineRelativeToTheScenario) {
    const std::string folder = ::testing::TempDir() + "zeth_own_" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/play.zeth") << "# own plant\nfacility \"plant/f.toml\"\nclick Take\n";
    const scenario play = readScenarioFile(folder + "/play.zeth");
    EXPECT_EQ(play.facilityLine, "plant/f.toml");
    EXPECT_EQ(play.facilityFile,
              (std::filesystem::path(folder) / "plant/f.toml").lexically_normal().string());
    EXPECT_EQ(play.facilityAt, 2);
    EXPECT_THROW(parseScenarioLine("facility \"f.toml\"", "input", 1), scenario_error);
}

TEST(scenario_parser, wholeLineCommentsAreNarrationInParagraphs) {
    const scenario play = parseScenario("# exit status: 1\n# One.\n  ## Two.  \n\n# Three.\n"
                                        "click Take # not narration\n#\n",
                                        "p.zeth");
    ASSERT_EQ(play.steps.size(), 5u);
    EXPECT_EQ(play.steps[0].text, "One.");
    EXPECT_FALSE(play.steps[0].continues);
    EXPECT_EQ(play.steps[1].text, "Two.");
    EXPECT_TRUE(play.steps[1].continues);
    EXPECT_EQ(play.steps[2].text, "Three.");
    EXPECT_FALSE(play.steps[2].continues);
    EXPECT_EQ(play.steps[3].what, scenario_step::kind::click);
    EXPECT_EQ(play.steps[4].text, "");
}

struct wrong_line {
    std::string line;
    std::string message; // after "play.zeth:1: "
};

void PrintTo(const wrong_line& value, std::ostream* out) {
    *out << value.line;
}

class scenario_parser_refuses : public ::testing::TestWithParam<wrong_line> {};

// Each line is read from a file, as a user's scenario is.
TEST_P(scenario_parser_refuses, namingFileLineAndWhatWasExpected) {
    const wrong_line& wrong = GetParam();
    // A folder of this process's own: ctest runs the rows in parallel processes.
    const std::string folder = ::testing::TempDir() + "zeth_play_" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/play.zeth";
    std::ofstream(path, std::ios::binary) << wrong.line;
    try {
        readScenarioFile(path);
        FAIL() << "accepted: " << wrong.line;
    } catch (const scenario_error& error) {
        EXPECT_THAT(error.what(), HasSubstr("play.zeth:1: " + wrong.message)) << wrong.line;
    }
}

INSTANTIATE_TEST_SUITE_P(
    wrongLines, scenario_parser_refuses,
    ::testing::Values(
        wrong_line{"jump", "expected an action (panels, facility, host, desk, select, click, "
                           "wait, route, revertive, query, tick, event, message, close, view) or "
                           "'expect', found 'jump'"},
        wrong_line{"close 2", "expected the end of the line after 'close', found '2'"},
        wrong_line{"facility plant.toml", "expected a facility file in double quotes after "
                                          "'facility', found 'plant.toml'"},
        wrong_line{"expect commands", "expected a command text in double quotes at the end"},
        wrong_line{"expect commands last AS", "expected a command text in double quotes, found "
                                              "'AS'"},
        wrong_line{"expect answer maybe", "expected null or an answer text in double quotes "
                                          "after 'answer', found 'maybe'"},
        wrong_line{"expect timers -1", "expected a number of timers after 'timers' (a whole "
                                       "number from 0 to"},
        wrong_line{"expect refused now", "expected the end of the line after 'refused', found "
                                         "'now'"},
        wrong_line{"click", "expected a control name after 'click' at the end of the line"},
        wrong_line{"click Take now", "expected the end of the line after the control name, "
                                     "found 'now'"},
        wrong_line{"click \"Take", "a text opened with \" is never closed"},
        wrong_line{"wait 3", "expected a duration such as 3s, 2.5s or 1500ms, found '3'"},
        wrong_line{"wait 1.5ms", "expected a duration"},
        wrong_line{"wait 1.2345s", "expected at most three decimals"},
        wrong_line{"wait soon", "expected a duration such as 3s, 2.5s or 1500ms, found 'soon'"},
        wrong_line{"desk 0", "expected a desk number after 'desk' (a whole number from 1 to 1000), "
                             "found '0'"},
        wrong_line{"panels 1001", "expected the number of desks"},
        wrong_line{"route \"R7 SDI Router\" 102", "expected a source number at the end"},
        wrong_line{"route \"R7 SDI Router\" x 5", "expected a destination number"},
        wrong_line{"expect", "expected what to expect"},
        wrong_line{"expect nothing", "expected crosspoint, enabled, disabled, property, command, "
                                     "commands, debug, answer, timers, refused, violation after "
                                     "'expect', found 'nothing'"},
        wrong_line{"expect crosspoint 20 102 5", "expected '=' between the destination and the "
                                                 "source, found '5'"},
        wrong_line{"expect property Take statesheet KX_TakeLow", "expected '=' between the "
                                                                 "property and its value"},
        wrong_line{"expect command RC", "expected a command text in double quotes, found 'RC'"},
        wrong_line{"expect no Take", "expected 'command' or 'debug' after 'expect no', found "
                                     "'Take'"},
        wrong_line{"expect commands none \"AS\"", "expected the end of the line after 'none', "
                                                  "found \"AS\""},
        wrong_line{"expect commands first none", "expected a command text in double quotes, "
                                                 "found 'none'"},
        wrong_line{"expect debug", "expected a debug text in double quotes at the end"},
        wrong_line{"expect debug starting textGet", "expected a debug text in double quotes, "
                                                    "found 'textGet'"},
        wrong_line{"expect no debug \"a\" \"b\"", "expected the end of the line after the debug "
                                                  "text, found \"b\""},
        wrong_line{"click Take anyway now", "expected the end of the line after 'anyway', found "
                                            "'now'"},
        wrong_line{"revertive 20 102", "expected a source number at the end"},
        wrong_line{"revertive 20 102 2147483648", "expected a source number (a whole number from "
                                                  "-2147483648 to 2147483647)"},
        wrong_line{"route 20 -1 5", "expected a destination number (a whole number from 1 to"},
        wrong_line{"tick", "expected a timer id after 'tick' at the end of the line"},
        wrong_line{"tick one", "expected a timer id after 'tick' (a whole number from "
                               "-2147483648 to 2147483647), found 'one'"},
        wrong_line{"event \"2\" \"Take\"", "expected the control's message after its name, such "
                                           "as \"click\" or \"index=3\" at the end"},
        wrong_line{"event \"2\" Take click now", "expected the end of the line after the message, "
                                                 "found 'now'"},
        wrong_line{"message 5 \"x\"", "expected a message code after 'message' (a whole number "
                                      "from 6 to 7), found '5'"},
        wrong_line{"message 6", "expected a text after the message code at the end"},
        wrong_line{"host", "expected 'answers' after 'host' at the end of the line"},
        wrong_line{"host says \"x\"", "expected 'answers' after 'host', found 'says'"},
        wrong_line{"host answers SD", "expected a command text in double quotes after 'answers' "
                                      "(or 'starting', or 'normally'), found 'SD'"},
        wrong_line{"host answers \"SD 'x'\"", "expected 'with' after the command text at the end"},
        wrong_line{"host answers \"SD 'x'\" as \"1\"", "expected 'with' after the command text, "
                                                       "found 'as'"},
        wrong_line{"host answers \"SD 'x'\" with 12", "expected a reply in double quotes, or null, "
                                                      "after 'with', found '12'"},
        wrong_line{"host answers \"SD 'x'\" with \"1\" twice", "expected 'once' or the end of the "
                                                               "line after the reply, found "
                                                               "'twice'"},
        wrong_line{"host answers \"SD 'x'\" with null once more", "expected the end of the line "
                                                                  "after 'once', found 'more'"},
        wrong_line{"host answers normally now", "expected the end of the line after 'normally', "
                                                "found 'now'"},
        wrong_line{"expect violation oops", "expected a violation id (reply-not-handed-back, "},
        wrong_line{"\xEF\xBB\xBFjump", "expected an action (panels, facility, host, desk, "
                                       "select, click, wait, route, revertive, query, tick, "
                                       "event, message, close, view) or 'expect', found 'jump'"},
        wrong_line{std::string("click\0Take", 10), "a NUL byte: this is not a text file"},
        wrong_line{"click \"T\xC3\"", "the byte 0xC3 is not UTF-8"},
        wrong_line{"click \"\xED\xA0\x80\"", "the byte 0xED is not UTF-8"}));

TEST(scenario_parser, reportsEveryWrongLineAndWherePanelsMayStand) {
    try {
        parseScenario("click Take\njump\npanels 2\nwait\nfacility \"f.toml\"\n", "play.zeth");
        FAIL();
    } catch (const scenario_error& error) {
        const std::string message = error.what();
        EXPECT_THAT(message, HasSubstr("play.zeth:2: expected an action"));
        EXPECT_THAT(message, HasSubstr("play.zeth:3: 'panels' must come before every other line"));
        EXPECT_THAT(message, HasSubstr("play.zeth:4: expected a duration"));
        EXPECT_THAT(message,
                    HasSubstr("play.zeth:5: 'facility' must come before every other line"));
        EXPECT_EQ(message.find("play.zeth:1"), std::string::npos);
    }
    EXPECT_THROW(parseScenario("panels 2\npanels 3\n", "p"), scenario_error);
    EXPECT_THROW(parseScenario("facility \"a\"\nfacility \"b\"\n", "p"), scenario_error);
}

TEST(scenario_parser, showsAScreenfulOfErrorsAndHowManyMore) {
    std::string lines;
    for (int i = 0; i < 25; ++i) {
        lines += "jump\n";
    }
    try {
        parseScenario(lines, "play.zeth");
        FAIL();
    } catch (const scenario_error& error) {
        const std::string message = error.what();
        EXPECT_THAT(message, HasSubstr("play.zeth:20: expected an action"));
        EXPECT_EQ(message.find("play.zeth:21:"), std::string::npos);
        EXPECT_THAT(message, ::testing::EndsWith("\n... and 5 more errors"));
    }
}

TEST(scenario_parser, theShellReadsOneLineAndRefusesPanels) {
    EXPECT_EQ(parseScenarioLine("   # nothing", "input", 1), std::nullopt);
    EXPECT_EQ(parseScenarioLine("click Undo", "input", 3)->name, "Undo");
    try {
        parseScenarioLine("panels 2", "input", 4);
        FAIL();
    } catch (const scenario_error& error) {
        EXPECT_THAT(error.what(), HasSubstr("input:4: 'panels' can only begin a scenario file"));
    }
}

TEST(scenario_parser, aFileThatIsNoneIsNamed) {
    for (const auto& [path, message] :
         {std::pair<std::string, std::string>{"/nonexistent/play.zeth", ": no such file"},
          {"/dev/zero", ": a device, not a regular file"}}) {
        try {
            readScenarioFile(path);
            FAIL() << path;
        } catch (const scenario_error& error) {
            EXPECT_EQ(error.what(), path + message);
        }
    }
}

} // namespace
