// The operator conversation from start-up to deletion, through notify alone, as a host holds it:
// choose a package and a button, watch the flash, Take, see the routers report, Undo, delete.
#include "facility_test.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

TEST(operator_conversation, take_from_end_to_end_then_undo_and_delete) {
    recording_host host;
    facility::answer(host);
    host.replyExact("TG '1' 'Dest_3' 'video_id'", "video_id=101");
    host.replyExact("TG '1' 'Dest_3' 'audio_id'", "audio_id=201");
    host.replyExact("TG '1' 'Dest_1' 'video_id'", "video_id=103"); // Dest_1 and Dest_3 swapped
    host.replyExact("TG '1' 'Dest_1' 'audio_id'", "audio_id=203");
    zeth_client_callback* panel = new R7_DESK(&host, "");
    ASSERT_EQ(host.commands().size(), 31U);
    host.forgetCommands();

    // The polls answered: button 3 carries video source 4 and audio source 9.
    host_messages::revertive(*panel, 20, 101, 4);
    host_messages::revertive(*panel, 21, 201, 9);
    host_messages::click(*panel, "Sources", "index=5");
    host_messages::click(*panel, "Dest_3");
    host_messages::tick(*panel);
    host_messages::tick(*panel);
    host_messages::click(*panel, "Take");
    // The routers report the new sources.
    host_messages::revertive(*panel, 20, 101, 12);
    host_messages::revertive(*panel, 21, 201, 7);
    const R7_DESK& desk = *static_cast<R7_DESK*>(panel);
    EXPECT_EQ(desk.state().videoTally[3], 12);
    EXPECT_EQ(desk.state().audioTally[3], 7);
    host_messages::click(*panel, "Undo");
    delete panel;

    EXPECT_THAT(host.commandsSinceMark(),
                ElementsAre("CE '1' 'Take'", "TP 'statesheet=KX_TakeHigh' '1' 'Take'", "ET 1 1000",
                            "TP 'statesheet=KX_TakeLow' '1' 'Take'",
                            "TP 'statesheet=KX_TakeHigh' '1' 'Take'", "ET 1", "CD '1' 'Take'",
                            "TP 'statesheet=KX_TakeHigh' '1' 'Take'", "RN 15 0 5",
                            "RC 20 12 101 ',' 0", "RC 21 7 201 ',' 0",
                            "TP 'select=-1' '1' 'Sources'", "TP 'index=-1' '1' 'Dest_3'",
                            "CE '1' 'Undo'", "CD '1' 'Undo'", "RC 20 4 101 ',' 0",
                            "RC 21 9 201 ',' 0", "AS"));
    EXPECT_THAT(host.unexpectedCodes(), IsEmpty());
    EXPECT_THAT(host.violations(), IsEmpty());
}

} // namespace
