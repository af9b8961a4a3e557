// The contract checks, each caught in the act with the scripted plug-in that breaks one rule on
// request, and the checker's own bookkeeping.
#include "contract_checker.h"
#include "desk.h"
#include "scripted_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <thread>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

struct breach {
    std::string control; // clicked on the scripted panel
    std::string id;      // the violation reported
    std::string cause;   // a part of the cause it names
    // How the scenario makes the host answer first: a reply in place of the host's own is
    // checked all the same.
    std::optional<reply_override> answered = std::nullopt;
};

void PrintTo(const breach& value, std::ostream* out) {
    *out << value.control;
}

class contract_breach : public ::testing::TestWithParam<breach> {};

TEST_P(contract_breach, isReportedWithItsIdAndCause) {
    const breach& expected = GetParam();
    scripted_host test("<built-in>", {expected.control});
    if (expected.answered) {
        test.host->answer(*expected.answered);
    }
    test.captured.mark();
    test.host->click(1, expected.control);
    const std::vector<transcript_entry> violations = test.captured.of(entry_kind::violation);
    ASSERT_EQ(violations.size(), 1u) << expected.control;
    EXPECT_EQ(violations[0].id, expected.id);
    EXPECT_THAT(violations[0].cause, HasSubstr(expected.cause));
    EXPECT_FALSE(violations[0].detail.empty());
    EXPECT_EQ(test.host->log().unexpectedViolations(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    eachKind, contract_breach,
    ::testing::Values(
        breach{"fault:keep-reply", "reply-not-handed-back", "SD 'R7 SDI Router'"},
        breach{"fault:keep-null-rn", "reply-not-handed-back", "RN 11 0 99"},
        breach{"fault:double-hand-back", "double-hand-back", "SD 'R7 SDI Router'"},
        breach{"fault:foreign-hand-back", "foreign-hand-back", "notify(pointer, 5)"},
        breach{"fault:kept-reply-handed-back", "kept-reply-handed-back",
               "PS '1' '<built-in>/test.zeth_ui'"},
        breach{"fault:unmatched-null-hand-back", "unmatched-null-hand-back", "notify(null, 5)"},
        breach{"fault:unknown-message-code", "unknown-message-code", "notify(data, 9)"},
        breach{"fault:null-command", "unknown-command", "(null)"},
        breach{"fault:throw", "exception-from-panel", "the host's call"},
        breach{"XX 1", "unknown-command", "XX 1"},
        breach{"RN 11 0 five", "malformed-command", "RN 11 0 five"},
        breach{"fault:keep-reply", "reply-not-handed-back", "SD 'R7 SDI Router'",
               reply_override{"SD 'R7 SDI Router'", false, "12 34", false}},
        breach{"fault:double-hand-back", "double-hand-back", "SD 'R7 SDI Router'",
               reply_override{"SD ", true, "", true}},
        breach{"fault:kept-reply-handed-back", "unmatched-null-hand-back", "notify(null, 5)",
               reply_override{"PS '1'", true, std::nullopt, false}}));

TEST(contract_checker, aWellBehavedPanelBreaksNothingAndItsRepliesAreMarkedHandedBack) {
    const std::vector<std::string> controls = {"TG '1' 'Take' 'statesheet'", "SD 'R7 SDI Router'",
                                               "RN 11 0 5", "RN 11 0 99", "CD '1' 'Undo'"};
    scripted_host test("<built-in>", controls);
    for (const std::string& control : controls) {
        test.host->click(1, control);
    }
    test.host->finish();
    EXPECT_THAT(test.captured.violations(), IsEmpty());
    for (const char* returned :
         {"TG '1' 'Take' 'statesheet'", "SD 'R7 SDI Router'", "RN 11 0 5", "RN 11 0 99"}) {
        ASSERT_NE(test.captured.command(returned), nullptr) << returned;
        EXPECT_TRUE(test.captured.command(returned)->handedBack) << returned;
    }
    EXPECT_FALSE(test.captured.command("CD '1' 'Undo'")->handedBack);
}

TEST(contract_checker, aClickOnADisabledControlIsRefusedAndNamesTheCommandThatDisabledIt) {
    scripted_host test("<built-in>", {"CD '1' 'Take'", "CE '1' 'Take'"});
    test.host->click(1, "CD '1' 'Take'");
    test.captured.mark();
    test.host->click(1, "Take");
    const std::vector<transcript_entry> violations = test.captured.of(entry_kind::violation);
    ASSERT_EQ(violations.size(), 1u);
    EXPECT_EQ(violations[0].id, "click-on-disabled-control");
    EXPECT_EQ(violations[0].cause, "CD '1' 'Take'");
    EXPECT_THAT(test.captured.commands(), IsEmpty()) << "the click never reached the panel";

    EXPECT_TRUE(test.host->log().claimViolation(1, violation_kind::clickOnDisabledControl));
    EXPECT_EQ(test.host->log().unexpectedViolations(), 0u) << "an expected violation is claimed";

    test.host->click(1, "CE '1' 'Take'");
    test.captured.mark();
    test.host->click(1, "Take");
    EXPECT_THAT(test.captured.commands(), ElementsAre("Take")) << "delivered once enabled again";
}

TEST(contract_checker, aPanelDeletedWithoutClosingNoticeIsReported) {
    scripted_host test("no-closing-notice");
    test.host->finish();
    EXPECT_THAT(test.captured.violations(), ElementsAre("missing-closing-notice"));
}

TEST(contract_checker, aCommandAfterTheClosingNoticeIsIgnoredAndReported) {
    scripted_host test("command-after-closing");
    test.captured.mark();
    test.host->finish();
    EXPECT_THAT(test.captured.violations(), ElementsAre("command-after-closing"));
    EXPECT_THAT(test.captured.commands(), ElementsAre("AS", "CD '1' 'Take'"));
    EXPECT_THAT(test.captured.command("CD '1' 'Take'")->effect, HasSubstr("ignored"));
}

TEST(contract_checker, aFactoryThatGivesNoObjectOrThrowsStopsTheStart) {
    EXPECT_THROW(scripted_host("null-object"), plugin_error);
    try {
        scripted_host test("throw-on-create");
        FAIL() << "the start should have failed";
    } catch (const plugin_error& error) {
        EXPECT_THAT(error.what(), HasSubstr("gave no panel object"));
    }
}

TEST(contract_checker, aCommandBetweenTheHostsCallsIsReportedAndNotCarriedOut) {
    facility plant = builtinFacility();
    layout_store layouts = builtinLayouts();
    router_bank routers(plant);
    event_queue queue;
    timer_table timers;
    virtual_clock clock;
    command_interpreter interpreter(plant, routers, queue, timers, clock, layouts);
    entry_capture captured;
    transcript record;
    record.attach(captured);
    run_log log(record, clock);
    auto lonely = std::make_unique<desk>(1, interpreter, log, record, clock);

    char command[] = "ET 1 1000";
    EXPECT_EQ(lonely->notify(command, 0), nullptr);
    EXPECT_THAT(captured.violations(), ElementsAre("command-outside-call"));
    std::thread([&] { EXPECT_EQ(lonely->notify(command, 0), nullptr); }).join();
    EXPECT_EQ(captured.violations().size(), 1u) << "reported on the host's thread only";
    lonely.reset();
    EXPECT_THAT(captured.violations(),
                ElementsAre("command-outside-call", "call-from-another-thread"))
        << "a call from another thread between calls is reported at the end at the latest";
    EXPECT_FALSE(timers.running(1, 1));
}

TEST(contract_checker, callsFromThePanelsOwnThreadsAreAnsweredNullReportedAndChangeNothing) {
    // Four threads at start-up and four more on the click, 50 rounds of 4 calls each.
    scripted_host test("hammer", {"hammer"}, 1, ZETH_THREADED_PLUGIN);
    test.host->click(1, "hammer");
    test.host->click(1, "Take");
    test.host->finish();

    std::map<std::string, int> causes;
    for (const transcript_entry& entry : test.captured.of(entry_kind::violation)) {
        EXPECT_EQ(entry.id, "call-from-another-thread") << entry.cause;
        ++causes[entry.cause];
    }
    const std::map<std::string, int> eachFourHundredTimes = {{"CD '1' 'Take'", 400},
                                                             {"SD 'R7 SDI Router'", 400},
                                                             {"notify(pointer, 5)", 400},
                                                             {"notify(null, 5)", 400}};
    EXPECT_EQ(causes, eachFourHundredTimes) << "none lost, each named";
    // Take was never disabled, and the transcript holds the host's thread's commands only.
    EXPECT_THAT(test.captured.commands(), ElementsAre("PS '1' '<built-in>/test.zeth_ui'",
                                                      "TG '1' 'Take' 'statesheet'", "AS"));
    EXPECT_TRUE(test.captured.command("TG '1' 'Take' 'statesheet'")->handedBack);
}

TEST(contract_checker, repliesAreReportedOnceAndPoisonedWhenTheyComeBack) {
    contract_checker checker;
    char* kept = checker.issueReply("SD", "SD 'x'", "12", 7);
    char* returned = checker.issueReply("TG", "TG '1' 'a' 'b'", "b=1", 8);
    const contract_checker::hand_back back = checker.handBack(returned);
    EXPECT_FALSE(back.breach);
    EXPECT_EQ(back.tag, 8u);
    EXPECT_STREQ(returned, "???") << "a panel reading a returned reply reads garbage";

    const std::vector<violation> owed = checker.callReturned();
    ASSERT_EQ(owed.size(), 1u);
    EXPECT_EQ(owed[0].cause, "SD 'x'");
    EXPECT_THAT(checker.callReturned(), IsEmpty()) << "reported once";
    EXPECT_FALSE(checker.handBack(kept).breach) << "a late hand-back is still the host's reply";
    EXPECT_EQ(checker.handBack(kept).breach->kind, violation_kind::doubleHandBack);
}

TEST(contract_checker, onlyRnAllowsANullHandBackAndOnlyOnce) {
    contract_checker checker;
    checker.issueNullReply("TG", "TG '1' 'a' 'b'", 1);
    EXPECT_EQ(checker.handBack(nullptr).breach->kind, violation_kind::unmatchedNullHandBack);
    checker.issueNullReply("RN", "RN 11 0 99", 2);
    EXPECT_FALSE(checker.handBack(nullptr).breach);
    EXPECT_EQ(checker.handBack(nullptr).breach->kind, violation_kind::unmatchedNullHandBack);
}

TEST(violation_kind, idsAreUniqueAndReadBackAndEachHasOneSentence) {
    std::set<std::string> ids;
    for (const violation_kind kind : allViolationKinds()) {
        const std::string id(violationId(kind));
        EXPECT_TRUE(ids.insert(id).second) << id;
        EXPECT_EQ(violationFromId(id), kind);
        const std::string description(violationDescription(kind));
        EXPECT_EQ(description.back(), '.') << id;
    }
    EXPECT_EQ(violationFromId("no-such-violation"), std::nullopt);
}

} // namespace
