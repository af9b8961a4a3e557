// The numeric commands ("RR", "RP", "ET") are formatted on the stack: sending them must not touch
// the heap. This executable replaces the global allocation functions to count every allocation.
#include "zeth_script_helper.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

int allocationCount = 0;

} // namespace

void* operator new(std::size_t size) {
    ++allocationCount;
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    ++allocationCount;
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace {

// Copies each command into a fixed buffer: the host itself allocates nothing.
class fixed_host : public zeth_client_callback {
public:
    void* notify(void* data, int code) override {
        if (code == 0 && data != nullptr) {
            std::strncpy(last, static_cast<const char*>(data), sizeof last - 1);
            ++received;
        }
        return nullptr;
    }
    char last[128] = {};
    int received = 0;
};

class quiet_panel : public zeth_script_helper {
public:
    using zeth_script_helper::zeth_script_helper;
    void onButton(controlEvent&) override {}
    int onRevertive(revertiveEvent&) override { return 0; }
    zeth_string onQuery(queryEvent&) override { return {}; }
    void onTimer(int) override {}
};

TEST(numeric_commands, never_allocate) {
    fixed_host host;
    quiet_panel panel(&host, "");
    const int before = allocationCount;
    panel.registerRevertives(12, 101, 101, false);
    panel.registerRevertives(INT_MIN, INT_MIN, INT_MIN, true);
    panel.pollRevertives(-1, 2, 2);
    panel.startTimer(1, 1000);
    panel.startTimer(INT_MIN, INT_MIN);
    panel.stopTimer(1);
    const int during = allocationCount - before;
    EXPECT_EQ(during, 0);
    EXPECT_EQ(host.received, 6);
    EXPECT_STREQ(host.last, "ET 1");
}

TEST(numeric_commands, the_counter_sees_allocations) {
    // Proves the check above can fail: a text command builds zeth_string values on the heap.
    fixed_host host;
    quiet_panel panel(&host, "");
    const int before = allocationCount;
    panel.disableControl("1", "a control name long enough to leave the small-string buffer");
    EXPECT_GT(allocationCount - before, 0);
}

} // namespace
