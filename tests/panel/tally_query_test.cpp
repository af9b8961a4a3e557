// Revertive tally (lowest button wins, video router first, device 0 when a router is unknown) and
// the property queries, all of which the host receives as null.
#include "facility_test.h"

#include <optional>
#include <ostream>
#include <utility>

namespace {

using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

struct tally_case {
    const char* name;
    std::vector<std::pair<std::string, std::optional<std::string>>> replies; // start-up overrides
    std::vector<std::array<int, 3>> revertives;                              // device, dest, source
    R7_DESK::per_button videoTally;
    R7_DESK::per_button audioTally;
};

// Named by its row in test output.
void PrintTo(const tally_case& row, std::ostream* out) {
    *out << row.name;
}

const tally_case tallyCases[] = {
    {"video_button", {}, {{20, 102, 55}}, {0, 0, 55, 0, 0}, {}},
    {"audio_button", {}, {{21, 204, 9}}, {}, {0, 0, 0, 0, 9}},
    {"lowest_button_wins",
     {{"TG '1' 'Dest_3' 'video_id'", "video_id=101"}},
     {{20, 101, 55}},
     {0, 55, 0, 0, 0},
     {}},
    {"destination_of_no_button", {}, {{20, 999, 55}, {21, 101, 55}}, {}, {}},
    {"other_device", {}, {{22, 101, 5}, {14, 201, 5}, {0, 101, 5}}, {}, {}},
    {"shared_router_number_is_the_video_router",
     {{"SD 'R7 Audio Router'", "20"}},
     {{20, 201, 5}, {20, 104, 6}},
     {0, 0, 0, 0, 6},
     {}},
    {"unknown_video_router_is_device_0",
     {{"SD 'R7 SDI Router'", std::nullopt}},
     {{0, 101, 5}},
     {0, 5, 0, 0, 0},
     {}},
    {"later_report_overwrites", {}, {{20, 103, 8}, {20, 103, 12}}, {0, 0, 0, 12, 0}, {}},
    {"source_0_is_stored", {}, {{21, 201, 8}, {21, 201, 0}}, {}, {}},
    {"negative_source_is_stored", {}, {{21, 202, -3}}, {}, {0, 0, -3, 0, 0}},
};

class tally : public facility_test, public ::testing::WithParamInterface<tally_case> {};

TEST_P(tally, keeps_the_reported_source_of_the_matching_button) {
    const tally_case& c = GetParam();
    for (const auto& [command, reply] : c.replies) {
        host.replyExact(command, reply);
    }
    start();
    for (const auto& r : c.revertives) {
        revertive(r[0], r[1], r[2]);
    }
    EXPECT_THAT(sent(), IsEmpty());
    EXPECT_THAT(panel->state().videoTally, ElementsAreArray(c.videoTally));
    EXPECT_THAT(panel->state().audioTally, ElementsAreArray(c.audioTally));
}

INSTANTIATE_TEST_SUITE_P(revertives, tally, ::testing::ValuesIn(tallyCases),
                         [](const auto& row) { return std::string(row.param.name); });

using queries = facility_test;

TEST_F(queries, every_query_is_answered_with_null_and_nothing_else) {
    start();
    const R7_DESK::desk_state before = panel->state();
    for (const char* text :
         {"return=all", "return", "return=", "return=ALL", "_events", "_events=x", "_commands",
          "_commands.a=b", "Return=all", "_Events", "other=all", "", "=all"}) {
        EXPECT_EQ(host_messages::query(*panel, text), nullptr) << text;
    }
    EXPECT_EQ(host_messages::query(*panel, nullptr), nullptr);
    EXPECT_THAT(sent(), IsEmpty());
    EXPECT_EQ(panel->state(), before);
}

} // namespace
