#include "debug_capture.h"
#include "probe_panel.h"
#include "recording_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

std::string text(const zeth_string& value) {
    return static_cast<const char*>(value);
}

struct commandRow {
    const char* label;
    std::function<void(probe_panel&)> call;
    const char* expected;
    std::vector<std::string> following = {}; // the commands after it, for a call that sends more
};

TEST(commands, send_the_exact_texts) {
    static const std::string longProperty(250, 'p'); // beyond a command's inline room
    static const std::string longCommand = "TP '" + longProperty + "=v' '1' 'Take'";
    const std::vector<commandRow> rows = {
        {"disableControl", [](probe_panel& p) { p.disableControl("1", "Take"); }, "CD '1' 'Take'"},
        {"enableControl", [](probe_panel& p) { p.enableControl("1", "Undo"); }, "CE '1' 'Undo'"},
        {"textSet", [](probe_panel& p) { p.textSet("statesheet", "KX_TakeHigh", "1", "Take"); },
         "TP 'statesheet=KX_TakeHigh' '1' 'Take'"},
        {"textSetRaw", [](probe_panel& p) { p.textSetRaw("select=-1", "1", "Sources"); },
         "TP 'select=-1' '1' 'Sources'"},
        {"textSet unescaped", [](probe_panel& p) { p.textSet("a b", "it's", "1", "x y"); },
         "TP 'a b=it's' '1' 'x y'"},
        {"readDatabaseName",
         [](probe_panel& p) {
             zeth_string r;
             p.readDatabaseName(14, 0, 3, r);
         },
         "RN 14 0 3"},
        {"makeCrosspoint", [](probe_panel& p) { p.makeCrosspoint(12, 34, 5, "", false); },
         "RC 12 34 5 ',' 0"},
        {"makeCrosspoint flag", [](probe_panel& p) { p.makeCrosspoint(20, 12, 101, "", true); },
         "RC 20 12 101 ',' 1"},
        {"makeCrosspoint suffix with a marker",
         [](probe_panel& p) { p.makeCrosspoint(1, 2, 3, "%5", false); }, "RC 1 2 3 ',%5' 0"},
        {"registerRevertives plain",
         [](probe_panel& p) { p.registerRevertives(12, 101, 101, false); }, "RR 12 101 101"},
        {"registerRevertives add", [](probe_panel& p) { p.registerRevertives(12, 101, 101, true); },
         "RR 12 101 101 'ADD'"},
        {"pollRevertives", [](probe_panel& p) { p.pollRevertives(12, 101, 101); }, "RP 12 101 101"},
        {"pollRevertives negative", [](probe_panel& p) { p.pollRevertives(-1, 2, 2); },
         "RP -1 2 2"},
        {"startTimer", [](probe_panel& p) { p.startTimer(1, 1000); }, "ET 1 1000"},
        {"startTimer interval 0", [](probe_panel& p) { p.startTimer(1, 0); }, "ET 1"},
        {"startTimer negative", [](probe_panel& p) { p.startTimer(-3, -1000); }, "ET -3 -1000"},
        {"stopTimer", [](probe_panel& p) { p.stopTimer(1); }, "ET 1"},
        {"stopTimer 0", [](probe_panel& p) { p.stopTimer(0); }, "ET 0"},
        {"registerRevertives longest",
         [](probe_panel& p) { p.registerRevertives(INT_MIN, INT_MIN, INT_MIN, true); },
         "RR -2147483648 -2147483648 -2147483648 'ADD'"},
        {"pollRevertives extremes", [](probe_panel& p) { p.pollRevertives(INT_MAX, INT_MIN, 0); },
         "RP 2147483647 -2147483648 0"},
        {"startTimer extremes", [](probe_panel& p) { p.startTimer(INT_MIN, INT_MAX); },
         "ET -2147483648 2147483647"},
        {"makeCrosspoint extremes",
         [](probe_panel& p) { p.makeCrosspoint(INT_MIN, INT_MAX, -1, "", false); },
         "RC -2147483648 2147483647 -1 ',' 0"},
        {"enableControl numbered",
         [](probe_panel& p) {
             p.enableControl("1", {"Dest_%1", 3});
         },
         "CE '1' 'Dest_3'"},
        {"numbered marker 10 stays",
         [](probe_panel& p) {
             p.disableControl("%1", {"%10%1%", INT_MIN});
         },
         "CD '%1' '%10-2147483648%'"},
        {"textSet beyond the inline room",
         [](probe_panel& p) { p.textSet(longProperty.c_str(), "v", "1", "Take"); },
         longCommand.c_str()},
        {"lookupDevice", [](probe_panel& p) { p.lookupDevice("R7 SDI Router", nullptr, nullptr); },
         "SD 'R7 SDI Router'"},
        {"textGet",
         [](probe_panel& p) {
             zeth_string r;
             p.textGet("video_id", "1", "Dest_1", r);
         },
         "TG '1' 'Dest_1' 'video_id'"},
        {"number lengths", [](probe_panel& p) { p.registerRevertives(9, 10, 999, false); },
         "RR 9 10 999"},
        {"longer numbers", [](probe_panel& p) { p.pollRevertives(1000, -99, 123456789); },
         "RP 1000 -99 123456789"},
        // The forms that name the panel's own identifier, given once (the table's panel: "7").
        {"disableControl own panel", [](probe_panel& p) { p.disableControl("Take"); },
         "CD '7' 'Take'"},
        {"enableControl own panel",
         [](probe_panel& p) {
             p.enableControl({"Dest_%1", 2});
         },
         "CE '7' 'Dest_2'"},
        {"textSet own panel", [](probe_panel& p) { p.textSet("text", "done", "Status"); },
         "TP 'text=done' '7' 'Status'"},
        {"textSetRaw own panel", [](probe_panel& p) { p.textSetRaw("select=-1", "Sources"); },
         "TP 'select=-1' '7' 'Sources'"},
        {"textGet own panel",
         [](probe_panel& p) {
             zeth_string r;
             p.textGet("video_id", "Dest_1", r);
         },
         "TG '7' 'Dest_1' 'video_id'"},
        {"showPanel own panel", [](probe_panel& p) { p.showPanel("x.zeth_ui"); },
         "PS '7' 'x.zeth_ui'"},
        // A set of destinations in one call: one command each, in order, as R7_DESK registers.
        {"registerRevertives a set",
         [](probe_panel& p) {
             p.registerRevertives(12, {101, 102, 103, 104});
         },
         "RR 12 101 101",
         {"RR 12 102 102 'ADD'", "RR 12 103 103 'ADD'", "RR 12 104 104 'ADD'"}},
        {"registerRevertives a set, adding",
         [](probe_panel& p) {
             p.registerRevertives(7, {5, 5}, revertive_registration::add);
         },
         "RR 7 5 5 'ADD'",
         {"RR 7 5 5 'ADD'"}},
        {"registerRevertives from an array",
         [](probe_panel& p) {
             const int destinations[] = {0, 201, 202};
             p.registerRevertives(21, destinations + 1, 2);
             p.registerRevertives(21, destinations, 0); // none: nothing sent
         },
         "RR 21 201 201",
         {"RR 21 202 202 'ADD'"}},
        {"pollRevertives a set",
         [](probe_panel& p) {
             const int destinations[] = {103, -1};
             p.pollRevertives(12, {101});
             p.pollRevertives(12, destinations, 2);
         },
         "RP 12 101 101",
         {"RP 12 103 103", "RP 12 -1 -1"}},
        // The same texts finished at compile time.
        {"finished disableControl",
         [](probe_panel& p) {
             constexpr finished_command command =
                 zeth_commands::finishedDisableControl("1", "Take");
             p.send(command);
         },
         "CD '1' 'Take'"},
        {"finished enableControl numbered",
         [](probe_panel& p) {
             constexpr finished_command command =
                 zeth_commands::finishedEnableControl("1", {"Dest_%1", 3});
             p.send(command);
         },
         "CE '1' 'Dest_3'"},
        {"finished numbered marker 10 stays",
         [](probe_panel& p) {
             constexpr finished_command command =
                 zeth_commands::finishedDisableControl("%1", {"%10%1%", INT_MIN});
             p.send(command);
         },
         "CD '%1' '%10-2147483648%'"},
        {"finished textSet",
         [](probe_panel& p) {
             constexpr finished_command command =
                 zeth_commands::finishedTextSet("a b", "it's", "1", "x y");
             p.send(command);
         },
         "TP 'a b=it's' '1' 'x y'"},
        {"finished textSetRaw",
         [](probe_panel& p) {
             constexpr finished_command command =
                 zeth_commands::finishedTextSetRaw("select=-1", "1", "Sources");
             p.send(command);
         },
         "TP 'select=-1' '1' 'Sources'"},
        {"finished startTimer extremes",
         [](probe_panel& p) {
             constexpr finished_command command =
                 zeth_commands::finishedStartTimer(INT_MIN, INT_MAX);
             p.send(command);
         },
         "ET -2147483648 2147483647"},
        {"finished startTimer interval 0",
         [](probe_panel& p) {
             constexpr finished_command command = zeth_commands::finishedStartTimer(1, 0);
             p.send(command);
         },
         "ET 1"},
    };
    for (const commandRow& row : rows) {
        recording_host host;
        probe_panel panel(&host, "", "7");
        row.call(panel);
        std::vector<std::string> expected = {row.expected};
        expected.insert(expected.end(), row.following.begin(), row.following.end());
        EXPECT_THAT(host.commands(), ElementsAreArray(expected)) << row.label;
        EXPECT_THAT(host.violations(), IsEmpty()) << row.label;
    }
}

TEST(commands, showPanel_joins_the_panel_path_with_one_slash) {
    struct row {
        const char* path;
        const char* extra;
        const char* expected;
    };
    const row rows[] = {
        {"", "", "PS '1' 'R7_DESK.zeth_ui'"},
        {"D:/layouts", "", "PS '1' 'D:/layouts/R7_DESK.zeth_ui'"},
        {"D:/layouts/", "", "PS '1' 'D:/layouts//R7_DESK.zeth_ui'"},
        {"", "x", "PS '1' 'R7_DESK.zeth_ui' 'x'"},
        {"p", "x", "PS '1' 'p/R7_DESK.zeth_ui' 'x'"},
    };
    for (const row& r : rows) {
        recording_host host;
        probe_panel panel(&host, r.path);
        EXPECT_FALSE(panel.showPanel("1", "R7_DESK.zeth_ui", r.extra)) << "null reply is false";
        host.replyDefault("ok");
        EXPECT_TRUE(panel.showPanel("1", "R7_DESK.zeth_ui", r.extra));
        EXPECT_THAT(host.commands(), ElementsAre(r.expected, r.expected));
        EXPECT_THAT(host.violations(), IsEmpty()) << "the PS reply stays the host's";
        EXPECT_EQ(host.handBacks(), 0);
    }
}

TEST(commands, without_a_host_nothing_is_sent) {
    probe_panel panel(nullptr, "p");
    zeth_string result("before");
    panel.textGet("video_id", "1", "Dest_1", result);
    EXPECT_EQ(text(result), "");
    int device = 5;
    int second = 6;
    EXPECT_FALSE(panel.lookupDevice("x", &device, &second));
    EXPECT_EQ(device, 0);
    EXPECT_EQ(second, 0);
    EXPECT_TRUE(panel.showPanel("1", "f", ""));
    zeth_string entry("kept");
    panel.readDatabaseName(1, 0, 1, entry);
    EXPECT_EQ(text(entry), "kept");
    // The others simply do nothing; none of them may touch the null host.
    panel.disableControl("1", "Take");
    panel.enableControl("1", "Take");
    panel.textSet("a", "b", "1", "c");
    panel.textSetRaw("a=b", "1", "c");
    panel.makeCrosspoint(1, 2, 3, "", false);
    panel.registerRevertives(1, 2, 3, true);
    panel.pollRevertives(1, 2, 3);
    panel.startTimer(1, 1000);
    panel.stopTimer(1);
    constexpr finished_command finished = zeth_commands::finishedStartTimer(1, 1000);
    panel.send(finished);
}

struct textGetRow {
    const char* property;
    recording_host::reply reply;
    const char* expected;
    const char* debugMessage; // nullptr: none
};

TEST(commands, textGet_reads_and_hands_back_the_reply) {
    const std::vector<textGetRow> rows = {
        {"video_id", "video_id=101", "101", nullptr},
        {"video_id", "video_id=", "", nullptr},
        {"video_id", std::nullopt, "", nullptr},
        {"video_id", "audio_id=7", "",
         "textGet: value returned \"audio_id\" was not the value requested \"video_id\" (value "
         "returned was \"audio_id=7\" from control \"Dest_1\", on panel \"1\")"},
        {"video_id", "Video_id=5", "",
         "textGet: value returned \"Video_id\" was not the value requested \"video_id\" (value "
         "returned was \"Video_id=5\" from control \"Dest_1\", on panel \"1\")"},
        {"all", "video_id=101", "video_id=101", nullptr},
        {"video_id", "video_id=1=2", "1=2", nullptr},
        {"video_id", "video_id", "", nullptr},
        {"video_id", "%2=%1", "",
         "textGet: value returned \"%2\" was not the value requested \"video_id\" (value "
         "returned was \"%2=%1\" from control \"Dest_1\", on panel \"1\")"},
    };
    for (const textGetRow& row : rows) {
        recording_host host;
        host.replyDefault(row.reply);
        probe_panel panel(&host, "");
        debug_capture debug;
        zeth_string result("stale");
        panel.textGet(row.property, "1", "Dest_1", result);
        const std::string label = std::string(row.property) + " <- " + row.reply.value_or("null");
        EXPECT_EQ(text(result), row.expected) << label;
        if (row.debugMessage != nullptr) {
            EXPECT_THAT(debug.messages(), ElementsAre(row.debugMessage)) << label;
        } else {
            EXPECT_THAT(debug.messages(), IsEmpty()) << label;
        }
        EXPECT_EQ(host.handBacks(), row.reply ? 1 : 0) << label;
        EXPECT_THAT(host.violations(), IsEmpty()) << label;
    }
}

TEST(commands, lookupDevice_reads_two_tokens) {
    struct row {
        recording_host::reply reply;
        bool result;
        int device;
        int second;
    };
    const std::vector<row> rows = {
        {"12", true, 12, 0},
        {"12 34", true, 12, 34},
        {" 12", true, 0, 12},
        {"'12' 5", true, 0, 12},
        {"", true, 0, 0},
        {"abc", true, 0, 0},
        {std::nullopt, false, 0, 0},
        // atoi's reading, with saturation where atoi itself would be undefined.
        {"12abc -7x", true, 12, -7},
        {"\t7 +8", true, 7, 8},
        {"99999999999 -99999999999", true, INT_MAX, INT_MIN},
        {"2147483647 -2147483648", true, INT_MAX, INT_MIN},
    };
    for (const row& r : rows) {
        recording_host host;
        host.replyDefault(r.reply);
        probe_panel panel(&host, "");
        int device = -9;
        int second = -9;
        EXPECT_EQ(panel.lookupDevice("R7 SDI Router", &device, &second), r.result);
        const std::string label = r.reply.value_or("null");
        EXPECT_EQ(device, r.device) << label;
        EXPECT_EQ(second, r.second) << label;
        EXPECT_EQ(host.handBacks(), r.reply ? 1 : 0) << label;
        EXPECT_THAT(host.violations(), IsEmpty()) << label;
    }
    // Null output pointers are allowed.
    recording_host host;
    host.replyDefault("3 4");
    probe_panel panel(&host, "");
    EXPECT_TRUE(panel.lookupDevice("x", nullptr, nullptr));
    EXPECT_THAT(host.violations(), IsEmpty());
}

TEST(commands, readDatabaseName_hands_back_every_reply_null_included) {
    recording_host host;
    host.replyExact("RN 15 0 5", "12,7");
    probe_panel panel(&host, "");
    zeth_string entry("old");
    panel.readDatabaseName(15, 0, 5, entry);
    EXPECT_EQ(text(entry), "12,7");
    panel.readDatabaseName(15, 0, 6, entry);
    EXPECT_EQ(text(entry), "12,7") << "a null reply leaves the result as it was";
    EXPECT_EQ(host.handBacks(), 2);
    EXPECT_EQ(host.nullHandBacks(), 1);
    EXPECT_THAT(host.violations(), IsEmpty());
}

TEST(commands, replies_of_the_other_commands_stay_the_hosts) {
    recording_host host;
    host.replyDefault("whatever");
    {
        probe_panel panel(&host, "");
        panel.disableControl("1", "a");
        panel.enableControl("1", "a");
        panel.textSet("a", "b", "1", "c");
        panel.textSetRaw("a=b", "1", "c");
        panel.showPanel("1", "f", "");
        panel.makeCrosspoint(1, 2, 3, "", false);
        panel.registerRevertives(1, 2, 3, false);
        panel.pollRevertives(1, 2, 3);
        panel.startTimer(1, 1000);
        panel.stopTimer(1);
    }
    EXPECT_EQ(host.commands().back(), "AS");
    EXPECT_EQ(host.handBacks(), 0);
    EXPECT_THAT(host.violations(), IsEmpty());
}

TEST(commands, debugLog_fills_as_many_markers_as_it_is_given_texts_once) {
    debug_capture debug;
    zeth_script_helper::debugLog("%1-%2-%3-%4-%5-%6-%7-%8-%9", "a", "b", "c", "d", "e", "f", "g",
                                 "h", "%1");
    const zeth_string nine[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9"};
    zeth_script_helper::debugLog("%9%8%7%6%5%4%3%2%1", nine[0], nine[1], nine[2], nine[3], nine[4],
                                 nine[5], nine[6], nine[7], nine[8]);
    zeth_script_helper::debugLog("nothing to fill: %1");
    zeth_script_helper::debugLog("%2 after %1, %3 stays", zeth_string("a"), "%2");
    zeth_script_helper::debugLog("%1%2%3%4%5%6%7%8%9%10%11", "a", "b", "c", "d", "e", "f", "g", "h",
                                 "i", "j", "k");
    EXPECT_THAT(debug.messages(),
                ElementsAre("a-b-c-d-e-f-g-h-%1", "987654321", "nothing to fill: %1",
                            "%2 after a, %3 stays", "abcdefghijk"));
}

} // namespace
