// Take, Undo and the Take flash: the worked Take and its Undo, every package-entry and level case,
// the flash tick by tick, and the timer and undo state-table rows.
#include "facility_test.h"

#include <array>
#include <optional>
#include <ostream>

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

using take_and_undo = facility_test;

TEST_F(take_and_undo, worked_take_and_undo_send_their_exact_commands) {
    host.replyExact("TG '1' 'Dest_3' 'video_id'", "video_id=101");
    host.replyExact("TG '1' 'Dest_3' 'audio_id'", "audio_id=201");
    host.replyExact("TG '1' 'Dest_1' 'video_id'", "video_id=103"); // Dest_1 and Dest_3 swapped
    host.replyExact("TG '1' 'Dest_1' 'audio_id'", "audio_id=203");
    start();
    revertive(20, 101, 4);
    revertive(21, 201, 9);
    arm();
    tick();
    sent();

    click("Take");
    EXPECT_THAT(sent(),
                ElementsAre("ET 1", "CD '1' 'Take'", "TP 'statesheet=KX_TakeHigh' '1' 'Take'",
                            "RN 15 0 5", "RC 20 12 101 ',' 0", "RC 21 7 201 ',' 0",
                            "TP 'select=-1' '1' 'Sources'", "TP 'index=-1' '1' 'Dest_3'",
                            "CE '1' 'Undo'"));
    EXPECT_EQ(panel->state().undoRecord.videoSource, 4);
    EXPECT_EQ(panel->state().undoRecord.audioSource, 9);
    EXPECT_EQ(panel->state().undoRecord.videoDestination, 101);
    EXPECT_EQ(panel->state().undoRecord.audioDestination, 201);
    EXPECT_EQ(panel->state().selectedPackage, -1);
    EXPECT_EQ(panel->state().selectedDest, 0);
    EXPECT_TRUE(panel->state().undoAvailable);
    EXPECT_FALSE(panel->state().takeEnabled);
    EXPECT_FALSE(panel->state().flashing);

    click("Undo");
    EXPECT_THAT(sent(), ElementsAre("CD '1' 'Undo'", "RC 20 4 101 ',' 0", "RC 21 9 201 ',' 0"));
    EXPECT_FALSE(panel->state().undoAvailable);
    EXPECT_EQ(panel->state().undoRecord.videoSource, 0);
    EXPECT_EQ(panel->state().undoRecord.audioDestination, 0);

    click("Undo"); // delivered although disabled: the record is gone
    EXPECT_THAT(sent(), ElementsAre("CD '1' 'Undo'"));
}

TEST_F(take_and_undo, undo_without_a_take_only_disables_undo) {
    start();
    click("Undo");
    EXPECT_THAT(sent(), ElementsAre("CD '1' 'Undo'"));
}

TEST_F(take_and_undo, take_after_the_flash_ended_still_stops_the_timer_first) {
    start();
    arm();
    for (int i = 0; i < 10; ++i) {
        tick();
    }
    sent();
    click("Take");
    const std::vector<std::string> commands = sent();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.front(), "ET 1");
}

struct take_case {
    const char* name;
    std::optional<std::string> entry; // the reply to "RN 15 0 5"
    bool videoLevel;
    bool audioLevel;
    std::optional<std::string> button3Video; // the reply to Dest_3's "video_id"
    std::array<int, 2> tallies;              // reported at 103 (video) and 203 (audio)
    std::vector<std::string> takeCrosspoints;
    std::array<int, 4> record; // video source, audio source, video destination, audio destination
    std::vector<std::string> undoCrosspoints;
};

// Named by its row in test output.
void PrintTo(const take_case& row, std::ostream* out) {
    *out << row.name;
}

const char* const video12 = "RC 20 12 103 ',' 0";
const char* const audio7 = "RC 21 7 203 ',' 0";
const char* const videoBack = "RC 20 4 103 ',' 0";
const char* const audioBack = "RC 21 9 203 ',' 0";
const char* const dest103 = "video_id=103";

// clang-format off
const take_case takeCases[] = {
//   name                       entry   levels       Dest_3 video  tallies  take               record             undo
    {"both_levels",             "12,7", true,  true,  dest103, {4, 9},  {video12, audio7}, {4, 9, 103, 203},  {videoBack, audioBack}},
    {"video_off",               "12,7", false, true,  dest103, {4, 9},  {audio7},          {4, 9, 103, 203},  {audioBack}},
    {"audio_off",               "12,7", true,  false, dest103, {4, 9},  {video12},         {4, 9, 103, 203},  {videoBack}},
    {"both_off",                "12,7", false, false, dest103, {4, 9},  {},                {4, 9, 103, 203},  {}},
    {"entry_without_video",     "-,7",  true,  true,  dest103, {4, 9},  {audio7},          {4, 9, 103, 203},  {videoBack, audioBack}},
    {"entry_without_audio",     "12,-", true,  true,  dest103, {4, 9},  {video12},         {4, 9, 103, 203},  {videoBack, audioBack}},
    {"entry_without_sources",   "-,-",  true,  true,  dest103, {4, 9},  {},                {4, 9, 103, 203},  {videoBack, audioBack}},
    {"no_entry",           std::nullopt, true, true,  dest103, {4, 9},  {},                {4, 9, 103, 203},  {videoBack, audioBack}},
    {"entry_without_comma",     "12",   true,  true,  dest103, {4, 9},  {video12},         {4, 9, 103, 203},  {videoBack, audioBack}},
    {"entry_not_positive",      "0,-7", true,  true,  dest103, {4, 9},  {},                {4, 9, 103, 203},  {videoBack, audioBack}},
    {"entry_not_numbers",       "x,7y", true,  true,  dest103, {4, 9},  {},                {4, 9, 103, 203},  {videoBack, audioBack}},
    {"no_tally_yet",            "12,7", true,  true,  dest103, {0, 0},  {video12, audio7}, {0, 0, 103, 203},  {}},
    {"negative_tally_restored", "12,7", true,  true,  dest103, {-3, 9}, {video12, audio7}, {-3, 9, 103, 203}, {"RC 20 -3 103 ',' 0", audioBack}},
    {"button_without_video",    "12,7", true,  true,  std::nullopt, {4, 9}, {audio7},      {0, 9, 0, 203},    {audioBack}},
};
// clang-format on

class take_cases : public facility_test, public ::testing::WithParamInterface<take_case> {};

TEST_P(take_cases, route_and_restore_only_what_the_entry_levels_and_numbers_allow) {
    const take_case& c = GetParam();
    host.replyExact("RN 15 0 5", c.entry);
    host.replyExact("TG '1' 'Dest_3' 'video_id'", c.button3Video);
    start();
    if (!c.videoLevel) {
        click("videolevel");
    }
    if (!c.audioLevel) {
        click("audiolevel");
    }
    revertive(20, 103, c.tallies[0]);
    revertive(21, 203, c.tallies[1]);
    arm();

    click("Take");
    std::vector<std::string> expected = {"ET 1", "CD '1' 'Take'",
                                         "TP 'statesheet=KX_TakeHigh' '1' 'Take'", "RN 15 0 5"};
    expected.insert(expected.end(), c.takeCrosspoints.begin(), c.takeCrosspoints.end());
    expected.insert(expected.end(), {"TP 'select=-1' '1' 'Sources'", "TP 'index=-1' '1' 'Dest_3'",
                                     "CE '1' 'Undo'"});
    EXPECT_THAT(sent(), ElementsAreArray(expected));
    const R7_DESK::undo_record& r = panel->state().undoRecord;
    EXPECT_THAT(
        (std::array<int, 4>{r.videoSource, r.audioSource, r.videoDestination, r.audioDestination}),
        ElementsAreArray(c.record));
    EXPECT_TRUE(panel->state().undoAvailable);
    EXPECT_EQ(panel->state().selectedDest, 0);

    click("Undo");
    expected = {"CD '1' 'Undo'"};
    expected.insert(expected.end(), c.undoCrosspoints.begin(), c.undoCrosspoints.end());
    EXPECT_THAT(sent(), ElementsAreArray(expected));
}

INSTANTIATE_TEST_SUITE_P(entries_and_levels, take_cases, ::testing::ValuesIn(takeCases),
                         [](const auto& row) { return std::string(row.param.name); });

using take_flash = facility_test;

TEST_F(take_flash, alternates_ten_times_then_disarms_in_the_high_sheet) {
    start();
    click("Sources", "index=5");
    click("Dest_3");
    EXPECT_THAT(sent(), ElementsAre("CE '1' 'Take'", "TP 'statesheet=KX_TakeHigh' '1' 'Take'",
                                    "ET 1 1000"));
    EXPECT_EQ(panel->state().flashCount, 10);

    const std::string high = "TP 'statesheet=KX_TakeHigh' '1' 'Take'";
    const std::string low = "TP 'statesheet=KX_TakeLow' '1' 'Take'";
    for (int count = 9; count >= 1; --count) {
        tick();
        EXPECT_THAT(sent(), ElementsAre(count % 2 == 0 ? high : low)) << count;
        EXPECT_EQ(panel->state().flashCount, count);
        EXPECT_TRUE(panel->state().takeEnabled);
        EXPECT_TRUE(panel->state().flashing);
    }
    tick();
    EXPECT_THAT(sent(), ElementsAre(high, "ET 1", "CD '1' 'Take'"));
    EXPECT_EQ(panel->state().flashCount, 0);
    EXPECT_FALSE(panel->state().takeEnabled);
    EXPECT_FALSE(panel->state().flashing);
    EXPECT_EQ(panel->state().selectedPackage, 5);
    EXPECT_EQ(panel->state().selectedDest, 3);

    // A tick the host still delivers counts on below 0; -1 is odd.
    tick();
    EXPECT_THAT(sent(), ElementsAre(low));
    tick();
    EXPECT_THAT(sent(), ElementsAre(high));
    EXPECT_EQ(panel->state().flashCount, -2);
}

TEST_F(take_flash, a_further_selection_restarts_the_count_without_enabling_again) {
    start();
    arm();
    for (int i = 0; i < 4; ++i) {
        tick();
    }
    sent();
    click("Dest_3");
    EXPECT_THAT(sent(), ElementsAre("TP 'index=-1' '1' 'Dest_3'",
                                    "TP 'statesheet=KX_TakeHigh' '1' 'Take'", "ET 1 1000"));
    EXPECT_EQ(panel->state().flashCount, 10);
}

TEST_F(take_flash, late_ticks_after_a_disarm_end_the_count_once_more) {
    start();
    arm();
    for (int i = 0; i < 3; ++i) {
        tick();
    }
    click("Sources", "index=0"); // disarms at 7
    sent();
    for (int count = 6; count >= 1; --count) {
        tick();
        EXPECT_EQ(sent().size(), 1U) << count;
    }
    tick();
    EXPECT_THAT(sent(),
                ElementsAre("TP 'statesheet=KX_TakeHigh' '1' 'Take'", "ET 1", "CD '1' 'Take'"));
    EXPECT_FALSE(panel->state().takeEnabled);
}

TEST_F(take_flash, other_timers_are_stopped_and_otherwise_ignored) {
    start();
    arm();
    tick();
    sent();
    const R7_DESK::desk_state before = panel->state();
    for (const auto& [timerId, command] :
         {std::pair<int, const char*>{2, "ET 2"}, {0, "ET 0"}, {-1, "ET -1"}}) {
        tick(timerId);
        EXPECT_THAT(sent(), ElementsAre(command));
    }
    EXPECT_EQ(panel->state(), before);
}

} // namespace
