// Selection handling: every event row of the selection state table from each relevant starting
// state, the order of the commands, and the events the panel ignores.
#include "facility_test.h"

#include <ostream>

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

enum class start_state {
    idle,          // nothing chosen
    packageChosen, // package 5, no button
    armed,         // package 5 and Dest_2: Take flashing
    undoReady,     // package 5 taken to Dest_3: both selections cleared, Undo enabled
    undoWithBoth,  // as undoReady, then package 5 and Dest_1 set directly (no click)
};

struct selection_case {
    const char* name;
    start_state from;
    const char* control;
    const char* message;
    std::vector<std::string> commands;
    int selectedPackage; // afterwards
    int selectedDest;    // afterwards
    bool armed;          // afterwards: takeEnabled and flashing
};

// Named by its row in test output.
void PrintTo(const selection_case& row, std::ostream* out) {
    *out << row.name;
}

const std::string enableTake = "CE '1' 'Take'";
const std::string disableTake = "CD '1' 'Take'";
const std::string high = "TP 'statesheet=KX_TakeHigh' '1' 'Take'";
const std::string startFlash = "ET 1 1000";
const std::string stopFlash = "ET 1";
const std::string disableUndo = "CD '1' 'Undo'";
const std::string videoCross = "TP 'pixmap=/images/SmallCross.png' '1' 'videolevel'";
const std::string resetDest2 = "TP 'index=-1' '1' 'Dest_2'";
using state = start_state;

// Every event of these rows leaves no undo record behind.
// clang-format off
const selection_case selectionCases[] = {
    {"package_alone_arms_nothing", state::idle, "Sources", "index=5", {}, 5, 0, false},
    {"button_alone_arms_nothing", state::idle, "Dest_2", nullptr, {}, 0, 2, false},
    {"button_after_package_arms_take", state::packageChosen, "Dest_3", nullptr,
     {enableTake, high, startFlash}, 5, 3, true},
    {"other_button_resets_the_old_one_and_rearms", state::armed, "Dest_3", nullptr,
     {resetDest2, high, startFlash}, 5, 3, true},
    {"same_button_again_resets_it_and_rearms", state::armed, "Dest_2", nullptr,
     {resetDest2, high, startFlash}, 5, 2, true},
    {"button_0_selects_none_and_disarms", state::armed, "Dest_0", nullptr,
     {resetDest2, disableTake, stopFlash}, 5, 0, false},
    {"button_without_number_selects_none", state::armed, "Dest_", nullptr,
     {resetDest2, disableTake, stopFlash}, 5, 0, false},
    {"index_0_selects_no_package_and_disarms", state::armed, "Sources", "index=0",
     {disableTake, stopFlash}, 0, 2, false},
    {"index_minus_1_selects_no_package", state::armed, "Sources", "index=-1",
     {disableTake, stopFlash}, 0, 2, false},
    {"index_not_a_number_selects_no_package", state::armed, "Sources", "index=x7",
     {disableTake, stopFlash}, 0, 2, false},
    {"other_package_rearms", state::armed, "Sources", "index=7", {high, startFlash}, 7, 2, true},
    {"package_discards_undo", state::undoReady, "Sources", "index=4", {disableUndo}, 4, 0, false},
    {"button_discards_undo", state::undoReady, "Dest_1", nullptr, {disableUndo}, -1, 1, false},
    {"undo_discarded_after_reset_before_arming", state::undoWithBoth, "Dest_3", nullptr,
     {"TP 'index=-1' '1' 'Dest_1'", disableUndo, enableTake, high, startFlash}, 5, 3, true},
    {"video_level_sets_image_and_discards_undo", state::undoReady, "videolevel", nullptr,
     {videoCross, disableUndo}, -1, 0, false},
    {"audio_level_sets_image", state::idle, "audiolevel", nullptr,
     {"TP 'pixmap=/images/SmallCross.png' '1' 'audiolevel'"}, 0, 0, false},
    {"level_leaves_take_armed", state::armed, "videolevel", nullptr, {videoCross}, 5, 2, true},
    {"clear_with_nothing_sends_nothing", state::idle, "Clear", nullptr, {}, 0, 0, false},
    {"clear_while_flashing", state::armed, "Clear", nullptr,
     {disableTake, high, stopFlash, "TP 'select=-1' '1' 'Sources'", resetDest2}, -1, 0, false},
    {"clear_with_undo_ready", state::undoReady, "Clear", nullptr, {disableUndo}, -1, 0, false},
};
// clang-format on

class selection : public facility_test, public ::testing::WithParamInterface<selection_case> {};

TEST_P(selection, sends_the_commands_and_sets_the_state_of_its_row) {
    const selection_case& c = GetParam();
    start();
    switch (c.from) {
    case start_state::idle:
        break;
    case start_state::packageChosen:
        click("Sources", "index=5");
        break;
    case start_state::armed:
        arm("Dest_2");
        break;
    case start_state::undoReady:
        takeToButton3();
        break;
    case start_state::undoWithBoth:
        takeToButton3();
        setSelections(5, 1);
        break;
    }
    sent();
    const bool levelsBefore[] = {panel->state().videoLevel, panel->state().audioLevel};
    click(c.control, c.message);
    EXPECT_THAT(sent(), ElementsAreArray(c.commands));
    EXPECT_EQ(panel->state().selectedPackage, c.selectedPackage);
    EXPECT_EQ(panel->state().selectedDest, c.selectedDest);
    EXPECT_EQ(panel->state().takeEnabled, c.armed);
    EXPECT_EQ(panel->state().flashing, c.armed);
    if (!c.commands.empty() && c.commands.back() == startFlash) {
        EXPECT_EQ(panel->state().flashCount, 10);
    }
    EXPECT_FALSE(panel->state().undoAvailable);
    EXPECT_EQ(panel->state().undoRecord.videoSource, 0);
    EXPECT_EQ(panel->state().undoRecord.audioSource, 0);
    EXPECT_EQ(panel->state().undoRecord.videoDestination, 0);
    EXPECT_EQ(panel->state().undoRecord.audioDestination, 0);
    EXPECT_EQ(panel->state().videoLevel,
              levelsBefore[0] != (std::string(c.control) == "videolevel"));
    EXPECT_EQ(panel->state().audioLevel,
              levelsBefore[1] != (std::string(c.control) == "audiolevel"));
}

INSTANTIATE_TEST_SUITE_P(rows, selection, ::testing::ValuesIn(selectionCases),
                         [](const auto& row) { return std::string(row.param.name); });

using selection_sequences = facility_test;

TEST_F(selection_sequences, disarming_keeps_the_count_and_the_last_state_sheet) {
    start();
    arm();
    tick();
    tick();
    tick();
    sent();
    click("Sources", "index=0");
    EXPECT_THAT(sent(), ElementsAre("CD '1' 'Take'", "ET 1")); // no state sheet
    EXPECT_EQ(panel->state().flashCount, 7);
}

TEST_F(selection_sequences, two_level_toggles_restore_flag_and_image) {
    start();
    click("audiolevel");
    click("audiolevel");
    EXPECT_TRUE(panel->state().audioLevel);
    EXPECT_THAT(sent(), ElementsAre("TP 'pixmap=/images/SmallCross.png' '1' 'audiolevel'",
                                    "TP 'pixmap=/images/SmallTick.png' '1' 'audiolevel'"));
}

TEST_F(selection_sequences, both_levels_off_still_arm_take) {
    start();
    click("videolevel");
    click("audiolevel");
    sent();
    click("Dest_4");
    click("Sources", "index=2");
    EXPECT_THAT(sent(), ElementsAre(enableTake, high, startFlash));
    EXPECT_TRUE(panel->state().takeEnabled);
}

struct ignored_event {
    const char* name;
    const char* panelId;
    const char* control;
    const char* message;
};

// Named by its row in test output.
void PrintTo(const ignored_event& row, std::ostream* out) {
    *out << row.name;
}

const ignored_event ignoredEvents[] = {
    {"panel_2", "2", "Take", nullptr},
    {"panel_01", "01", "Clear", nullptr},
    {"panel_empty", "", "Undo", nullptr},
    {"panel_null", nullptr, "Take", nullptr},
    {"control_null", "1", nullptr, nullptr},
    {"control_empty", "1", "", nullptr},
    {"control_unknown", "1", "Dest", nullptr},
    {"control_other_case", "1", "take", nullptr},
    {"sources_other_command", "1", "Sources", "select=3"},
    {"sources_without_parameter", "1", "Sources", nullptr},
    {"sources_empty_parameter", "1", "Sources", ""},
    {"button_5", "1", "Dest_5", nullptr},
    {"button_9", "1", "Dest_9", nullptr},
    {"button_beyond_int", "1", "Dest_99999999999", nullptr},
    {"button_negative", "1", "Dest_-3", nullptr},
    {"button_most_negative", "1", "Dest_-2147483648", nullptr},
};

class ignored : public facility_test, public ::testing::WithParamInterface<ignored_event> {};

TEST_P(ignored, sends_nothing_and_changes_nothing) {
    const ignored_event& e = GetParam();
    start();
    // Undo ready with both selections made (set directly): handling the event in any way would
    // send something or change a field.
    takeToButton3();
    setSelections(5, 2);
    const R7_DESK::desk_state before = panel->state();
    click(e.control, e.message, e.panelId);
    EXPECT_THAT(sent(), IsEmpty());
    EXPECT_EQ(panel->state(), before);
}

INSTANTIATE_TEST_SUITE_P(events, ignored, ::testing::ValuesIn(ignoredEvents),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
