// Every command is composed on the stack: sending one of the usual length must not touch the heap,
// and neither may a timer tick of the real panel; its pick, pick, Take cycle allocates at most
// once. This executable replaces the global allocation functions to count every allocation.
#include "counting_allocator.h"
#include "load_zeth_client_script.h"
#include "quiet_panel.h"
#include "zeth_script_helper.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace {

// Copies each command into a fixed buffer and answers like a small facility from texts it keeps
// itself: the host allocates nothing.
class fixed_host : public zeth_client_callback {
public:
    void* notify(void* data, int code) override {
        if (code != 0 || data == nullptr) {
            return nullptr;
        }
        const char* command = static_cast<const char*>(data);
        std::strncpy(last, command, sizeof last - 1);
        ++received;
        if (std::strncmp(command, "SD ", 3) == 0) {
            return const_cast<char*>("20");
        }
        if (std::strncmp(command, "TG ", 3) == 0) {
            return const_cast<char*>(std::strstr(command, "video") ? "video_id=101"
                                                                   : "audio_id=201");
        }
        if (std::strncmp(command, "RN ", 3) == 0) {
            return const_cast<char*>("12,7");
        }
        return nullptr;
    }
    char last[128] = {};
    int received = 0;
};

TEST(commands, never_allocate) {
    fixed_host host;
    quiet_panel panel(&host, "D:/layouts");
    const zeth_string control("a control name long enough to leave the small-string buffer");
    zeth_string reply;
    const int before = counting_allocator::allocations();
    panel.registerRevertives(12, 101, 101, false);
    panel.registerRevertives(INT_MIN, INT_MIN, INT_MIN, true);
    panel.pollRevertives(-1, 2, 2);
    panel.startTimer(1, 1000);
    panel.startTimer(INT_MIN, INT_MIN);
    panel.disableControl("1", control);
    panel.enableControl("1", {"Dest_%1", INT_MIN});
    panel.textSet("statesheet", "KX_TakeHigh", "1", "Take");
    panel.textSetRaw("select=-1", "1", "Sources");
    panel.makeCrosspoint(INT_MIN, INT_MAX, -1, "", true);
    panel.showPanel("1", "R7_DESK.zeth_ui", "extra");
    panel.textGet("video_id", "1", "Dest_1", reply);
    panel.readDatabaseName(15, 0, 5, reply);
    panel.stopTimer(1);
    const int during = counting_allocator::allocations() - before;
    EXPECT_EQ(during, 0);
    EXPECT_EQ(host.received, 14);
    EXPECT_STREQ(host.last, "ET 1");
}

TEST(commands, a_text_beyond_the_inline_room_comes_out_whole) {
    // Proves the check above can fail, and that the heap holds the whole text.
    fixed_host host;
    quiet_panel panel(&host, "");
    const std::string control(300, 'c');
    const int before = counting_allocator::allocations();
    panel.disableControl("1", control.c_str());
    EXPECT_GT(counting_allocator::allocations() - before, 0);
    EXPECT_EQ(host.received, 1);
    EXPECT_EQ(std::string(host.last), ("CD '1' '" + control).substr(0, sizeof host.last - 1));
}

TEST(commands, a_tick_allocates_nothing_and_a_take_cycle_at_most_once) {
    fixed_host host;
    zeth_client_callback* desk = load_zeth_client_script(&host, "D:/layouts");
    ASSERT_NE(desk, nullptr);
    const decodePropertyString listIndex("index=5");
    const decodePropertyString click("");
    zeth_event_record selectPackage{nullptr, nullptr, "1", "Sources", &listIndex};
    zeth_event_record selectButton{nullptr, nullptr, "1", "Dest_1", &click};
    zeth_event_record takeClick{nullptr, nullptr, "1", "Take", &click};

    int before = counting_allocator::allocations();
    desk->notify(reinterpret_cast<void*>(std::intptr_t{1}), 4);
    EXPECT_EQ(counting_allocator::allocations() - before, 0) << "tick";
    for (int cycle = 0; cycle < 2; ++cycle) {
        host.received = 0;
        before = counting_allocator::allocations();
        desk->notify(&selectPackage, 2);
        desk->notify(&selectButton, 2);
        desk->notify(&takeClick, 2);
        EXPECT_LE(counting_allocator::allocations() - before, 1) << "cycle " << cycle;
        EXPECT_EQ(host.received, cycle == 0 ? 12 : 13) << "the second also disables Undo";
        EXPECT_STREQ(host.last, "CE '1' 'Undo'");
    }
    delete desk;
}

} // namespace
