// The host's side of every command, on the built-in facility and layout: replies, what changes
// in the layout, the routers and the timers, and what is queued for delivery.
#include "builtin_files.h"
#include "command_interpreter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::HasSubstr;

namespace {

class command_interpreter_test : public ::testing::Test {
protected:
    command_result run(const std::string& text, int deskNumber = 1) {
        const command_parse parsed = parseCommand(text);
        EXPECT_TRUE(parsed.command) << text << ": " << parsed.problem;
        return parsed.command ? interpreter.execute(deskNumber, panels, *parsed.command)
                              : command_result{};
    }
    layout_control& control(const std::string& name) { return *panels.at("1").control(name); }
    std::vector<pending_delivery> drain(std::int64_t until) {
        std::vector<pending_delivery> out;
        while (const auto next = queue.popDueBy(until)) {
            out.push_back(*next);
        }
        return out;
    }

    facility plant = builtinFacility();
    layout_store layouts = builtinLayouts();
    router_bank routers{plant};
    event_queue queue;
    timer_table timers;
    virtual_clock clock;
    command_interpreter interpreter{plant, routers, queue, timers, clock, layouts};
    shown_panels panels;
};

TEST_F(command_interpreter_test, showPanelLoadsTheLayoutOrAnswersNull) {
    const command_result shown = run("PS '1' '<built-in>/R7_DESK.zeth_ui'");
    EXPECT_EQ(shown.reply, "OK");
    ASSERT_EQ(panels.count("1"), 1u);
    EXPECT_EQ(panels.at("1").controls.size(), 10u);

    const command_result missing = run("PS '2' '/nonexistent/R7_DESK.zeth_ui'");
    EXPECT_EQ(missing.reply, std::nullopt);
    EXPECT_THAT(missing.effect, HasSubstr("/nonexistent/R7_DESK.zeth_ui: no such file"));
    EXPECT_EQ(run("PS '2' '<built-in>/other.zeth_ui'").reply, std::nullopt);
    EXPECT_EQ(panels.count("2"), 0u);
}

TEST_F(command_interpreter_test, controlCommandsChangeTheShownLayout) {
    run("PS '1' '<built-in>/R7_DESK.zeth_ui'");
    EXPECT_EQ(run("CD '1' 'Take'").reply, std::nullopt);
    EXPECT_FALSE(control("Take").enabled);
    EXPECT_EQ(control("Take").disabledBy, "CD '1' 'Take'");
    run("CE '1' 'Take'");
    EXPECT_TRUE(control("Take").enabled);

    run("TP 'statesheet=KX_TakeLow' '1' 'Take'");
    EXPECT_EQ(control("Take").properties.at("statesheet"), "KX_TakeLow");
    run("TP 'a=b=c' '1' 'Take'");
    EXPECT_EQ(control("Take").properties.at("a"), "b=c") << "the value runs to the end";

    control("Sources").properties["index"] = "5";
    run("TP 'select=-1' '1' 'Sources'");
    EXPECT_EQ(control("Sources").properties.at("index"), "-1") << "select moves the selection";
}

TEST_F(command_interpreter_test, textGetAnswersKeyEqualsValueOrEverythingOrNull) {
    run("PS '1' '<built-in>/R7_DESK.zeth_ui'");
    EXPECT_EQ(run("TG '1' 'Dest_3' 'video_id'").reply, "video_id=103");
    EXPECT_EQ(run("TG '1' 'Dest_3' 'audio_id'").reply, "audio_id=203");
    EXPECT_EQ(run("TG '1' 'Take' 'all'").reply, "statesheet=KX_TakeHigh\ntext=Take");
    EXPECT_EQ(run("TG '1' 'Dest_3' 'nothing'").reply, std::nullopt);
    EXPECT_EQ(run("TG '1' 'Nowhere' 'video_id'").reply, std::nullopt);
    EXPECT_EQ(run("TG '7' 'Dest_3' 'video_id'").reply, std::nullopt);
    EXPECT_THAT(run("CD '7' 'Take'").effect, HasSubstr("no panel '7'"));
}

TEST_F(command_interpreter_test, devicesAndDatabaseEntries) {
    EXPECT_EQ(run("SD 'R7 Package XPTS'").reply, "11");
    EXPECT_EQ(run("SD 'r7 package xpts'").reply, std::nullopt) << "names are exact";
    EXPECT_EQ(run("RN 11 0 9").reply, "9,-");
    EXPECT_EQ(run("RN 11 0 12").reply, "-,-");
    EXPECT_EQ(run("RN 10 0 5").reply, "Studio A");
    EXPECT_EQ(run("RN 11 0 13").reply, std::nullopt);
    EXPECT_EQ(run("RN 11 1 5").reply, std::nullopt);
    EXPECT_EQ(run("RN 0 0 5").reply, std::nullopt);
}

TEST_F(command_interpreter_test, crosspointReachesEveryRegisteredDeskAfterTheCall) {
    run("RR 20 102 102", 1);
    run("RR 20 100 110", 2);
    run("RR 20 101 101", 3);
    EXPECT_EQ(run("RC 20 5 102 ',' 0", 3).reply, std::nullopt);
    EXPECT_EQ(routers.source(20, 102), 5);
    const std::vector<pending_delivery> queued = drain(0);
    ASSERT_EQ(queued.size(), 2u);
    EXPECT_EQ(queued[0].deskNumber, 1);
    EXPECT_EQ(queued[1].deskNumber, 2);
    for (const pending_delivery& revertive : queued) {
        EXPECT_EQ(revertive.what, pending_delivery::kind::revertive);
        EXPECT_EQ(revertive.device, 20);
        EXPECT_EQ(revertive.destination, 102);
        EXPECT_EQ(revertive.source, 5);
    }
}

TEST_F(command_interpreter_test, refusedCrosspointChangesNothingAndReportsNothing) {
    run("RR 20 102 102");
    EXPECT_THAT(run("RC 20 40 102 ',' 0").effect, HasSubstr("refused"));
    EXPECT_THAT(run("RC 0 5 102 ',' 0").effect, HasSubstr("refused"));
    EXPECT_EQ(routers.source(20, 102), 2);
    EXPECT_TRUE(queue.empty());
}

TEST_F(command_interpreter_test, pollAnswersOnlyTheAskingDeskForDestinationsOnTheRouter) {
    run("RR 21 201 204", 2);
    run("RP 21 203 205", 1);
    const std::vector<pending_delivery> queued = drain(0);
    ASSERT_EQ(queued.size(), 3u);
    EXPECT_EQ(queued[0].destination, 203);
    EXPECT_EQ(queued[0].source, 3);
    EXPECT_EQ(queued[2].destination, 205);
    EXPECT_EQ(queued[2].source, 0) << "nothing routed there";
    for (const pending_delivery& revertive : queued) {
        EXPECT_EQ(revertive.deskNumber, 1);
    }
    run("RP 0 101 101");
    run("RP 20 -2147483648 2147483647");
    EXPECT_EQ(drain(0).size(), 256u) << "a wide poll costs no more than the router";
}

TEST_F(command_interpreter_test, timersStartRestartAndStop) {
    EXPECT_THAT(run("ET 1 1000").effect, HasSubstr("started"));
    EXPECT_TRUE(timers.running(1, 1));
    clock.advanceTo(400);
    EXPECT_THAT(run("ET 1 1000").effect, HasSubstr("restarted"));
    const std::vector<pending_delivery> ticks = drain(5000);
    ASSERT_EQ(ticks.size(), 2u);
    EXPECT_FALSE(timers.current(1, 1, ticks[0].generation)) << "the first start is superseded";
    EXPECT_TRUE(timers.current(1, 1, ticks[1].generation));
    EXPECT_EQ(ticks[1].due, 1400);
    EXPECT_THAT(run("ET 1").effect, HasSubstr("stopped"));
    EXPECT_FALSE(timers.current(1, 1, ticks[1].generation));
    EXPECT_THAT(run("ET 1").effect, HasSubstr("not running"));
}

TEST_F(command_interpreter_test, closingNoticeEndsTheDesksTimersAndRegistrations) {
    run("ET 1 1000", 1);
    run("RR 20 101 101", 1);
    run("ET 1 1000", 2);
    run("AS", 1);
    EXPECT_FALSE(timers.running(1, 1));
    EXPECT_TRUE(timers.running(2, 1));
    EXPECT_TRUE(routers.listeners(20, 101).empty());
}

} // namespace
