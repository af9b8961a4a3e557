// The factory when the panel's allocation yields nothing: null, and not one command sent. This
// executable replaces the nothrow allocation function to refuse on demand, so it stands alone.
#include "facility.h"
#include "load_zeth_client_script.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <new>

namespace {

bool refuseNothrow = false;

} // namespace

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (refuseNothrow) {
        return nullptr;
    }
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

namespace {

using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

TEST(factory_allocation, refused_allocation_gives_null_and_sends_nothing) {
    recording_host host;
    facility::answer(host);
    refuseNothrow = true;
    zeth_client_callback* panel = load_zeth_client_script(&host, "");
    refuseNothrow = false;
    EXPECT_EQ(panel, nullptr);
    EXPECT_THAT(host.commands(), IsEmpty());
}

TEST(factory_allocation, granted_allocation_gives_a_started_panel) {
    recording_host host;
    facility::answer(host);
    zeth_client_callback* panel = load_zeth_client_script(&host, "");
    ASSERT_NE(panel, nullptr);
    EXPECT_THAT(host.commands(), ElementsAreArray(facility::startup()));
    delete panel;
    EXPECT_EQ(host.commands().back(), "AS");
    EXPECT_THAT(host.violations(), IsEmpty());
}

} // namespace
