// Facility and layout files: the built-in ones, the shipped examples (which must be the same),
// and the messages for files that are wrong, with the line to look at.
#include "builtin_files.h"
#include "facility.h"
#include "layout.h"
#include "layout_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using ::testing::HasSubstr;

namespace {

TEST(facility, theBuiltInFacilityHasTheDesksDevicesRoutersAndPackages) {
    const facility plant = builtinFacility();
    EXPECT_EQ(plant.panelPath, "<built-in>");
    ASSERT_NE(plant.deviceNamed("R7 SDI Router"), nullptr);
    EXPECT_EQ(plant.deviceNamed("R7 SDI Router")->number, 20);
    EXPECT_EQ(plant.deviceNamed("R7 Audio Router")->number, 21);
    ASSERT_NE(plant.router(20), nullptr);
    EXPECT_EQ(plant.router(20)->crosspoints.at(104), 4);
    EXPECT_EQ(plant.database(10, 0)->entries.size(), 12u);
    EXPECT_EQ(plant.databaseText(11, 0, 9), "9,-");
    EXPECT_EQ(plant.databaseText(11, 0, 10), "-,10");
    EXPECT_EQ(plant.databaseText(11, 0, 12), "-,-");
    EXPECT_EQ(plant.describeDevice(20), "R7 SDI Router (20)");
    EXPECT_EQ(plant.describeDevice(0), "device 0");
}

TEST(facility, theShippedExampleIsTheBuiltInFacilityWithItsOwnDirectory) {
    const std::string path = std::string(ZETH_HOST_EXAMPLES) + "/facility.toml";
    const facility file = readFacilityFile(path);
    const facility builtin = builtinFacility();
    EXPECT_EQ(std::filesystem::path(file.panelPath),
              std::filesystem::path(ZETH_HOST_EXAMPLES).lexically_normal());
    ASSERT_EQ(file.devices.size(), builtin.devices.size());
    for (std::size_t i = 0; i < file.devices.size(); ++i) {
        EXPECT_EQ(file.devices[i].name, builtin.devices[i].name);
        EXPECT_EQ(file.devices[i].number, builtin.devices[i].number);
    }
    ASSERT_EQ(file.databases.size(), builtin.databases.size());
    EXPECT_EQ(file.databases[1].entries, builtin.databases[1].entries);
    EXPECT_EQ(file.routers[1].crosspoints, builtin.routers[1].crosspoints);
}

struct wrong_file {
    std::string text;
    std::string message; // a part of it
    int line;            // the line it points at (0: none)
};

std::string repeated(const std::string& text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i) {
        all += text;
    }
    return all;
}

// key1 = 1, key2 = 1, ...: a file with count unknown keys.
std::string unknownKeys(int count) {
    std::string all;
    for (int i = 1; i <= count; ++i) {
        all += "key" + std::to_string(i) + " = 1\n";
    }
    return all;
}

// Nesting that once overflowed the parser's stack: values, and a key of 6,000 parts.
const std::string deepArray = "x = " + repeated("[", 6000) + repeated("]", 6000) + "\n";
const std::string deepKey = "a" + repeated(".a", 6000) + " = 1\n";

void PrintTo(const wrong_file& value, std::ostream* out) {
    *out << value.text;
}

class facility_refuses : public ::testing::TestWithParam<wrong_file> {};

TEST_P(facility_refuses, withWhatAndWhere) {
    const wrong_file& wrong = GetParam();
    try {
        parseFacility(wrong.text, "plant.toml");
        FAIL() << "accepted: " << wrong.text;
    } catch (const facility_error& error) {
        EXPECT_THAT(error.what(), HasSubstr(wrong.message));
        EXPECT_THAT(error.what(), HasSubstr("plant.toml"));
        if (wrong.line > 0) {
            EXPECT_THAT(error.what(), HasSubstr("plant.toml:" + std::to_string(wrong.line) + ":"));
        }
    }
}

const std::string device = "[[device]]\nname = \"R\"\nnumber = 20\n";

INSTANTIATE_TEST_SUITE_P(
    wrongFiles, facility_refuses,
    ::testing::Values(
        wrong_file{"[[device]]\nname = \"R\"\nnumber = \"x\"\n", "must be a whole number", 3},
        wrong_file{"[[device]]\nname = \"R\"\nnumber = 0\n", "out of range", 3},
        wrong_file{"[[device]]\nnumber = 5\n", "name", 0},
        wrong_file{device + "[[device]]\nname = \"R\"\nnumber = 21\n", "given twice", 4},
        wrong_file{device + "[[device]]\nname = \"S\"\nnumber = 20\n", "given twice", 4},
        wrong_file{device + "[[device]]\nname = \"S\"\nnumber = 21\naliases = [\"R\"]\n",
                   "the device name \"R\" is given twice", 4},
        wrong_file{device + "aliases = \"S\"\n", "aliases in [[device]] must be a list of texts",
                   4},
        wrong_file{device + "aliases = [\"S\", 5]\n", "an alias in [[device]] must be a text", 4},
        wrong_file{device + "[[router]]\ndevice = 7\nsources = 1\ndestinations = 1\n",
                   "router device 7 is not a [[device]]", 5},
        wrong_file{device + "[[router]]\ndevice = 20\nsources = 4\ndestinations = 8\n"
                            "crosspoints = { 9 = 1 }\n",
                   "the key \"9\" in crosspoints is not a number from 1 to 8", 8},
        wrong_file{device + "[[router]]\ndevice = 20\nsources = 4\ndestinations = 8\n"
                            "crosspoints = { 2 = 5 }\n",
                   "the source of destination 2 must be 0 to 4", 8},
        wrong_file{device + "[[database]]\ndevice = 20\nnumber = 0\nentries = { x = \"a\" }\n",
                   "the key \"x\" in entries is not a number", 7},
        wrong_file{device + "[[database]]\ndevice = 20\nnumber = 0\nentries = { 1 = 5 }\n",
                   "entry 1 must be a text", 7},
        wrong_file{"device = 5\n", "must be an array of tables", 1},
        wrong_file{"[[device]\n", "plant.toml:1:10: ", 0},
        wrong_file{"panel_path = 5\n",
                   "plant.toml:1: panel_path must be a text, not a whole number", 1},
        wrong_file{device + "[[routers]]\ndevice = 20\n",
                   "plant.toml:4: unknown table [[routers]]; did you mean [[router]]?", 4},
        wrong_file{device + "[[router]]\ndevice = 20\ncrosspoint = { 1 = 1 }\n",
                   "plant.toml:6: unknown key \"crosspoint\" in [[router]]; did you mean "
                   "\"crosspoints\"?",
                   6},
        wrong_file{"[[device]]\nnumbre = 1\nlabel = \"x\"\n",
                   "plant.toml:2: unknown key \"numbre\" in [[device]]; did you mean "
                   "\"number\"?\nplant.toml:3: unknown key \"label\" in [[device]] "
                   "(known here: name, number, aliases)",
                   2},
        wrong_file{unknownKeys(25),
                   "plant.toml:20: unknown key \"key20\" (known here: panel_path, [[device]], "
                   "[[router]], [[database]])\n... and 5 more errors",
                   1},
        wrong_file{deepArray, "plant.toml:1: nested more than 32 deep", 1},
        wrong_file{deepKey, "plant.toml:1: nested more than 32 deep", 1},
        wrong_file{"\n[[device]]\nname = \"\xC0\xAF\"\n", "the byte 0xC0 is not UTF-8", 3}));

TEST(facility, aMissingFileIsNamed) {
    try {
        readFacilityFile("/nonexistent/plant.toml");
        FAIL();
    } catch (const facility_error& error) {
        EXPECT_STREQ(error.what(), "/nonexistent/plant.toml: no such file");
    }
}

TEST(layout, theBuiltInLayoutHasEveryControlTheDeskNeeds) {
    const layout shown = parseLayout(builtinLayoutText(), "R7_DESK.zeth_ui");
    for (const char* name : {"Sources", "Dest_1", "Dest_2", "Dest_3", "Dest_4", "videolevel",
                             "audiolevel", "Clear", "Take", "Undo"}) {
        EXPECT_NE(shown.control(name), nullptr) << name;
    }
    EXPECT_EQ(shown.firstList()->name, "Sources");
    EXPECT_EQ(shown.control("Sources")->properties.at("index"), "-1");
    EXPECT_EQ(shown.control("Dest_4")->properties.at("video_id"), "104");
    EXPECT_EQ(shown.control("Dest_4")->properties.at("audio_id"), "204");
    EXPECT_TRUE(shown.control("Dest_4")->latching);
    EXPECT_EQ(shown.control("videolevel")->properties.at("pixmap"), "/images/SmallTick.png");
}

TEST(layout, aLabelHasATextFromTheStart) {
    const layout shown = parseLayout("[[control]]\nname = \"Status\"\nkind = \"label\"\n"
                                     "[[control]]\nname = \"Done\"\nkind = \"label\"\n"
                                     "properties = { text = \"ready\" }\n",
                                     "labels.zeth_ui");
    EXPECT_EQ(shown.control("Status")->kind, control_kind::label);
    EXPECT_EQ(layout::reading(*shown.control("Status"), "text"), "text=");
    EXPECT_EQ(layout::reading(*shown.control("Done"), "text"), "text=ready");
    EXPECT_EQ(shown.firstList(), nullptr);
}

TEST(layout, readingsAreKeyEqualsValue) {
    layout_control control;
    control.properties = {{"b", "2"}, {"a", "1"}};
    EXPECT_EQ(layout::reading(control, "a"), "a=1");
    EXPECT_EQ(layout::reading(control, "all"), "a=1\nb=2");
    EXPECT_EQ(layout::reading(control, "c"), std::nullopt);
}

class layout_refuses : public ::testing::TestWithParam<wrong_file> {};

TEST_P(layout_refuses, withWhatAndWhere) {
    const wrong_file& wrong = GetParam();
    try {
        parseLayout(wrong.text, "desk.zeth_ui");
        FAIL() << "accepted: " << wrong.text;
    } catch (const layout_error& error) {
        EXPECT_THAT(error.what(), HasSubstr(wrong.message));
        if (wrong.line > 0) {
            EXPECT_THAT(error.what(),
                        HasSubstr("desk.zeth_ui:" + std::to_string(wrong.line) + ":"));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    wrongFiles, layout_refuses,
    ::testing::Values(
        wrong_file{"[[control]]\nname = \"A\"\nkind = \"knob\"\n", "unknown control kind", 3},
        wrong_file{"[[control]]\nname = \"A\"\n[[control]]\nname = \"A\"\n", "given twice", 3},
        wrong_file{"[[control]]\nname = \"A\"\nitems = { device = \"D\" }\n",
                   "only a list has items", 3},
        wrong_file{"[[control]]\nname = \"A\"\nkind = \"label\"\nitems = { device = \"D\" }\n",
                   "only a list has items", 4},
        wrong_file{"[[control]]\nname = \"A\"\nkind = \"label\"\nlatching = true\n",
                   "a label cannot latch", 4},
        wrong_file{"[[control]]\nname = \"A\"\nproperties = { x = 1.5 }\n",
                   "must be a text or a whole number", 3},
        wrong_file{"[[control]]\nname = \"\"\n", "needs a name", 1},
        wrong_file{"[[control]]\nname = \"A\"\nlatchng = true\n",
                   "unknown key \"latchng\" in [[control]]; did you mean \"latching\"?", 3},
        wrong_file{
            "[[control]]\nname = \"A\"\nkind = \"list\"\nitems = { device = \"D\", db = 0 }\n",
            "unknown key \"db\" in items", 4},
        wrong_file{"[[control]]\nname = \"A\"\nenabled = \"yes\"\n",
                   "enabled in [[control]] must be true or false, not a text", 3},
        wrong_file{"[[control]]\nname = 5\n", "name in [[control]] must be a text", 2},
        wrong_file{deepArray, "nested more than 32 deep", 1}));

// Each layout file that cannot be shown, with its reason. The files are made at run time.
class layout_store_refuses : public ::testing::TestWithParam<std::pair<std::string, std::string>> {
protected:
    static void SetUpTestSuite() {
        namespace fs = std::filesystem;
        fs::create_directories(folder + "/directory.zeth_ui");
        std::ofstream(folder + "/broken.zeth_ui") << "[[control]]\nname = \"A\"\nkind = \n";
        std::ofstream(folder + "/unknown.zeth_ui") << "titel = \"A\"\n";
        std::ofstream(folder + "/large.zeth_ui");
        fs::resize_file(folder + "/large.zeth_ui", 17u * 1024u * 1024u); // sparse: nothing written
        ::mkfifo((folder + "/fifo.zeth_ui").c_str(), 0600);
    }
    // A folder of this process's own: ctest runs the rows in parallel processes.
    static inline const std::string folder =
        ::testing::TempDir() + "layout_store_refuses_" + std::to_string(getpid());
};

TEST_P(layout_store_refuses, namingTheFileAndWhy) {
    const auto& [file, reason] = GetParam();
    const std::string path = file[0] == '/' ? file : folder + "/" + file;
    const layout_store::loaded loaded = layout_store{}.load(path);
    EXPECT_EQ(loaded.shown, std::nullopt);
    EXPECT_EQ(loaded.problem, path + reason);
}

INSTANTIATE_TEST_SUITE_P(
    wrongFiles, layout_store_refuses,
    ::testing::Values(
        std::pair{"missing.zeth_ui", ": no such file"},
        std::pair{"directory.zeth_ui", ": a directory, not a file"},
        std::pair{"fifo.zeth_ui", ": a FIFO, not a regular file"},
        std::pair{"/dev/zero", ": a device, not a regular file"},
        std::pair{"large.zeth_ui", ": too large: 17825792 bytes, at most 16 MiB"},
        std::pair{"broken.zeth_ui",
                  ":3:8: error while parsing key-value pair: expected value, saw '\\n'"},
        std::pair{"unknown.zeth_ui", ":1: unknown key \"titel\"; did you mean \"title\"?"}));

} // namespace
