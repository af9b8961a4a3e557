// Start-up: the 31 commands in their order, with a silent host and with the facility's replies,
// and the panel's state afterwards.
#include "debug_capture.h"
#include "facility_test.h"

#include <array>

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

using start_up = facility_test;

TEST(start_up_silent_host, sends_all_31_commands_with_zero_numbers) {
    recording_host host; // answers every command with null
    {
        R7_DESK panel(&host, "");
        EXPECT_THAT(panel.state().videoDest, ElementsAre(0, 0, 0, 0, 0));
        EXPECT_THAT(panel.state().audioDest, ElementsAre(0, 0, 0, 0, 0));
        EXPECT_EQ(panel.state().videoRouter, 0);
        EXPECT_EQ(panel.state().audioRouter, 0);
        EXPECT_EQ(panel.state().packageXptsDevice, 0);
    }
    const std::vector<std::string> expected = {"SD 'R7 Package Names'",
                                               "SD 'R7 Package XPTS'",
                                               "SD 'R7 SDI Router'",
                                               "SD 'R7 Audio Router'",
                                               "PS '1' 'R7_DESK.zeth_ui'",
                                               "CD '1' 'Take'",
                                               "CD '1' 'Undo'",
                                               "TG '1' 'Dest_1' 'video_id'",
                                               "TG '1' 'Dest_1' 'audio_id'",
                                               "TG '1' 'Dest_2' 'video_id'",
                                               "TG '1' 'Dest_2' 'audio_id'",
                                               "TG '1' 'Dest_3' 'video_id'",
                                               "TG '1' 'Dest_3' 'audio_id'",
                                               "TG '1' 'Dest_4' 'video_id'",
                                               "TG '1' 'Dest_4' 'audio_id'",
                                               "RR 0 0 0",
                                               "RR 0 0 0 'ADD'",
                                               "RR 0 0 0 'ADD'",
                                               "RR 0 0 0 'ADD'",
                                               "RR 0 0 0",
                                               "RR 0 0 0 'ADD'",
                                               "RR 0 0 0 'ADD'",
                                               "RR 0 0 0 'ADD'",
                                               "RP 0 0 0",
                                               "RP 0 0 0",
                                               "RP 0 0 0",
                                               "RP 0 0 0",
                                               "RP 0 0 0",
                                               "RP 0 0 0",
                                               "RP 0 0 0",
                                               "RP 0 0 0",
                                               "AS"};
    EXPECT_THAT(host.commands(), ElementsAreArray(expected));
    EXPECT_EQ(host.handBacks(), 0);
    EXPECT_THAT(host.violations(), IsEmpty());
}

TEST(start_up_without_host, sends_nothing_and_leaves_every_number_zero) {
    R7_DESK panel(nullptr, "D:/layouts");
    EXPECT_EQ(panel.state().packageNamesDevice, 0);
    EXPECT_EQ(panel.state().videoRouter, 0);
    EXPECT_THAT(panel.state().videoDest, ElementsAre(0, 0, 0, 0, 0));
    EXPECT_THAT(panel.state().audioDest, ElementsAre(0, 0, 0, 0, 0));
    // Handlers work on the fields alone.
    host_messages::click(panel, "Sources", "index=5");
    host_messages::click(panel, "Dest_2");
    EXPECT_TRUE(panel.state().takeEnabled);
    EXPECT_EQ(panel.state().flashCount, 10);
}

TEST_F(start_up, facility_replies_give_devices_destinations_registrations_and_polls) {
    R7_DESK& desk = start();
    EXPECT_THAT(host.commands(), ElementsAreArray(facility::startup()));
    EXPECT_EQ(desk.state().packageNamesDevice, 14);
    EXPECT_EQ(desk.state().packageXptsDevice, 15);
    EXPECT_EQ(desk.state().videoRouter, 20);
    EXPECT_EQ(desk.state().audioRouter, 21);
    EXPECT_THAT(desk.state().videoDest, ElementsAre(0, 101, 102, 103, 104));
    EXPECT_THAT(desk.state().audioDest, ElementsAre(0, 201, 202, 203, 204));
    EXPECT_EQ(host.handBacks(), 12); // four "SD" and eight "TG" replies
}

TEST_F(start_up, leaves_the_panel_idle) {
    const R7_DESK& desk = start();
    EXPECT_EQ(desk.state().selectedDest, 0);
    EXPECT_EQ(desk.state().selectedPackage, 0);
    EXPECT_EQ(desk.state().flashCount, 0);
    EXPECT_TRUE(desk.state().videoLevel);
    EXPECT_TRUE(desk.state().audioLevel);
    EXPECT_FALSE(desk.state().takeEnabled);
    EXPECT_FALSE(desk.state().flashing);
    EXPECT_FALSE(desk.state().undoAvailable);
    EXPECT_THAT(desk.state().videoTally, ElementsAre(0, 0, 0, 0, 0));
    EXPECT_THAT(desk.state().audioTally, ElementsAre(0, 0, 0, 0, 0));
    EXPECT_EQ(desk.state().undoRecord.videoSource, 0);
    EXPECT_EQ(desk.state().undoRecord.audioSource, 0);
    EXPECT_EQ(desk.state().undoRecord.videoDestination, 0);
    EXPECT_EQ(desk.state().undoRecord.audioDestination, 0);
}

TEST_F(start_up, layout_command_follows_the_panel_path) {
    const struct {
        const char* panelPath;
        const char* command;
    } cases[] = {{"", "PS '1' 'R7_DESK.zeth_ui'"},
                 {nullptr, "PS '1' 'R7_DESK.zeth_ui'"},
                 {"D:/layouts", "PS '1' 'D:/layouts/R7_DESK.zeth_ui'"},
                 {"D:/layouts/", "PS '1' 'D:/layouts//R7_DESK.zeth_ui'"}};
    for (const auto& c : cases) {
        recording_host pathHost;
        { R7_DESK desk(&pathHost, c.panelPath); }
        ASSERT_GE(pathHost.commands().size(), 5U);
        EXPECT_EQ(pathHost.commands()[4], c.command) << (c.panelPath ? c.panelPath : "(null)");
    }
}

TEST_F(start_up, registers_and_polls_shared_and_missing_destinations_alike) {
    host.replyExact("TG '1' 'Dest_3' 'video_id'", "video_id=101"); // shared with Dest_1
    host.replyExact("TG '1' 'Dest_2' 'audio_id'", std::nullopt);   // no answer
    host.replyExact("SD 'R7 Audio Router'", std::nullopt);         // unknown device
    const R7_DESK& desk = start();
    EXPECT_THAT(desk.state().videoDest, ElementsAre(0, 101, 102, 101, 104));
    EXPECT_THAT(desk.state().audioDest, ElementsAre(0, 201, 0, 203, 204));
    const std::vector<std::string> all = host.commands();
    ASSERT_EQ(all.size(), 31U);
    EXPECT_THAT(std::vector<std::string>(all.begin() + 15, all.end()),
                ElementsAre("RR 20 101 101", "RR 20 102 102 'ADD'", "RR 20 101 101 'ADD'",
                            "RR 20 104 104 'ADD'", "RR 0 201 201", "RR 0 0 0 'ADD'",
                            "RR 0 203 203 'ADD'", "RR 0 204 204 'ADD'", "RP 20 101 101",
                            "RP 20 102 102", "RP 20 101 101", "RP 20 104 104", "RP 0 201 201",
                            "RP 0 0 0", "RP 0 203 203", "RP 0 204 204"));
}

TEST_F(start_up, property_answered_for_another_name_reads_as_no_destination) {
    debug_capture debug;
    host.replyExact("TG '1' 'Dest_1' 'video_id'", "audio_id=7");
    host.replyExact("TG '1' 'Dest_4' 'audio_id'", "audio_id=");
    const R7_DESK& desk = start();
    EXPECT_EQ(desk.state().videoDest[1], 0);
    EXPECT_EQ(desk.state().audioDest[4], 0);
    EXPECT_THAT(debug.messages(),
                ElementsAre("textGet: value returned \"audio_id\" was not the value requested "
                            "\"video_id\" (value returned was \"audio_id=7\" from control "
                            "\"Dest_1\", on panel \"1\")"));
}

TEST_F(start_up, deleting_a_flashing_panel_sends_only_the_closing_notice) {
    start();
    arm();
    ASSERT_TRUE(panel->state().flashing);
    panel.reset();
    EXPECT_THAT(sent(), ElementsAre("AS"));
}

} // namespace
