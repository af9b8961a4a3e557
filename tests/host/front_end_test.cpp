// The command line: exit statuses (0 all held, 1 an expectation or the contract failed, 2 the
// run could not start) and the messages for what stopped a run.
#include "front_end.h"
#include "scenario_language.h"
#include "scripted_host.h"
#include "violation_kind.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using ::testing::HasSubstr;

namespace {

struct finished {
    int status = 0;
    std::string out;
    std::string err;
};

finished run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "zeth-host");
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    finished result;
    result.status = runFrontEnd(static_cast<int>(argv.size()), argv.data());
    result.out = ::testing::internal::GetCapturedStdout();
    result.err = ::testing::internal::GetCapturedStderr();
    return result;
}

// This file's own part of the scratch folder.
std::filesystem::path workFolder() {
    static const std::filesystem::path folder = [] {
        std::filesystem::create_directories(scratchFolder() / "front_end");
        return scratchFolder() / "front_end";
    }();
    return folder;
}

std::string scenarioFile(const std::string& name, const std::string& text) {
    const std::filesystem::path path = workFolder() / name;
    std::ofstream(path) << text;
    return path.string();
}

const std::string scripted = ZETH_SCRIPTED_PLUGIN;

// The scripted plug-in's panel path: a folder holding its layout, and the plug-in's mode.
std::string scriptedPanel(const std::string& mode = "") {
    static const std::filesystem::path folder = [] {
        std::ofstream(workFolder() / "test.zeth_ui") << scriptedLayout({});
        return workFolder();
    }();
    return folder.string() + "#" + mode;
}

TEST(front_end, exitsZeroWhenEveryExpectationHoldsAndOneWhenNot) {
    const std::string holds =
        scenarioFile("zeth_holds.zeth", "expect crosspoint \"R7 SDI Router\" 101 = 1\n");
    const std::string fails = scenarioFile("zeth_fails.zeth", "expect crosspoint 20 101 = 2\n");
    const finished good =
        run({"run", "--plugin", scripted, "--panel-path", scriptedPanel(), holds});
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_THAT(good.out, HasSubstr("zeth_holds.zeth: passed, 1 expectations met"));
    const finished bad =
        run({"run", "--plugin", scripted, "--panel-path", scriptedPanel(), holds, fails});
    EXPECT_EQ(bad.status, 1);
    EXPECT_THAT(bad.out, HasSubstr("zeth_holds.zeth: passed"));
    EXPECT_THAT(bad.out, HasSubstr("expect crosspoint 20 101 = 2: FAILED, it carries 1"));
}

TEST(front_end, aBrokenContractFailsTheRun) {
    const std::string play = scenarioFile("zeth_broken.zeth", "panels 1\n");
    const finished broken = run(
        {"run", "--plugin", scripted, "--panel-path", scriptedPanel("no-closing-notice"), play});
    EXPECT_EQ(broken.status, 1);
    EXPECT_THAT(broken.out, HasSubstr("!! missing-closing-notice"));
    EXPECT_THAT(broken.out, HasSubstr("1 contract violations"));
}

TEST(front_end, exitsTwoWithAMessageWhenTheRunCannotStart) {
    const finished noExport = run({"--plugin", ZETH_NO_EXPORT_PLUGIN});
    EXPECT_EQ(noExport.status, 2);
    EXPECT_THAT(noExport.err, HasSubstr("does not export load_zeth_client_script"));

    const finished noObject = run({"--plugin", scripted, "--panel-path", "null-object"});
    EXPECT_EQ(noObject.status, 2);
    EXPECT_THAT(noObject.err, HasSubstr("gave no panel object for desk 1"));

    const std::string wrong = scenarioFile("zeth_wrong.zeth", "click\nwait soon\n");
    const finished badScenario = run({"run", "--plugin", scripted, wrong});
    EXPECT_EQ(badScenario.status, 2);
    EXPECT_THAT(badScenario.err, HasSubstr("zeth_wrong.zeth:1: expected a control name"));
    EXPECT_THAT(badScenario.err, HasSubstr("zeth_wrong.zeth:2: expected a duration"));

    // A facility named by the scenario is read beside it, and a bad one names the scenario line.
    std::ofstream(workFolder() / "zeth_plant.toml") << "panel_path = \".\"\n[[routers]]\n";
    const std::string ownFacility =
        scenarioFile("zeth_own_plant.zeth", "# its own facility\nfacility \"zeth_plant.toml\"\n");
    const finished badFacility = run({"run", "--plugin", scripted, ownFacility});
    EXPECT_EQ(badFacility.status, 2);
    EXPECT_THAT(badFacility.err, HasSubstr("zeth_own_plant.zeth:2: the facility file cannot be "
                                           "used: " +
                                           (workFolder() / "zeth_plant.toml").string() + ":2:"));

    EXPECT_EQ(run({"run", "/nonexistent/play.zeth"}).status, 2);
    EXPECT_EQ(run({"--panels", "0"}).status, 2);
    EXPECT_EQ(run({"--facility", "/nonexistent/plant.toml"}).status, 2);
    EXPECT_EQ(run({"--help"}).status, 0);

#if defined(ZETH_HOST_SERVE)
    // serve stops before it serves: an address not this machine's, a port out of range, a
    // scenario with its own facility (serve's comes from --facility).
    const finished foreignAddress = run({"serve", "--bind", "203.0.113.7", "--port", "0"});
    EXPECT_EQ(foreignAddress.status, 2);
    EXPECT_THAT(foreignAddress.err, HasSubstr("cannot listen on 203.0.113.7"));
    EXPECT_EQ(run({"serve", "--port", "65536"}).status, 2);
    const std::string goodPlant =
        scenarioFile("zeth_good_plant.zeth", "facility \"" ZETH_HOST_EXAMPLES "/facility.toml\"\n");
    const finished ownPlant = run({"serve", "--port", "0", goodPlant});
    EXPECT_EQ(ownPlant.status, 2);
    EXPECT_THAT(ownPlant.err, HasSubstr("takes the facility from --facility"));
#endif
}

// zeth-host help answers without a plug-in, and its references name every form of the language
// and every violation id, so that a new one cannot go undocumented.
TEST(front_end, helpNeedsNoPluginAndItsReferencesNameEveryFormAndViolation) {
    const finished topics = run({"--plugin", "/nonexistent/panel.so", "help"});
    EXPECT_EQ(topics.status, 0) << topics.err;
    for (const char* topic :
         {"scenario-language", "events", "facility", "layout", "http-routes", "violations"}) {
        EXPECT_THAT(topics.out, HasSubstr("  " + std::string(topic) + " ")) << topic;
        const finished one = run({"help", topic});
        EXPECT_EQ(one.status, 0) << topic;
        EXPECT_GT(one.out.size(), 400u) << topic;
    }
    const std::string language = run({"help", "scenario-language"}).out;
    for (const scenario_form& form : scenarioForms()) {
        const std::string written =
            form.expectation ? "`expect " + std::string(form.verb) : "`" + std::string(form.verb);
        EXPECT_THAT(language, HasSubstr(written)) << form.form;
    }
    const std::string violations = run({"help", "violations"}).out;
    for (const violation_kind kind : allViolationKinds()) {
        const std::string id(violationId(kind));
        EXPECT_THAT(language, HasSubstr("`" + id + "`")) << id;
        EXPECT_THAT(violations,
                    HasSubstr("  " + id + "\n      " + std::string(violationDescription(kind))));
    }
    const finished unknown = run({"help", "formats"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_THAT(unknown.err, HasSubstr("no topic \"formats\"; zeth-host help lists them"));
}

TEST(front_end, jsonWritesOneObjectPerLine) {
    const std::string play = scenarioFile("zeth_json.zeth", "expect crosspoint 20 101 = 1\n");
    const finished json =
        run({"run", "--json", "--plugin", scripted, "--panel-path", scriptedPanel(), play});
    EXPECT_EQ(json.status, 0);
    std::istringstream lines(json.out);
    std::string line;
    int commands = 0;
    std::string last;
    while (std::getline(lines, line)) {
        const nlohmann::json object = nlohmann::json::parse(line);
        commands += object["kind"] == "command" ? 1 : 0;
        last = object["kind"];
    }
    EXPECT_EQ(commands, 2) << "PS at start-up and AS at the end";
    EXPECT_EQ(last, "summary");
}

// --coverage: what the scenarios reached of R7_DESK's layout, and what nothing reached.
TEST(front_end, coverageNamesWhatNothingReached) {
    const std::string play = scenarioFile("zeth_coverage.zeth",
                                          "select \"Studio A\"\nclick Dest_2\nexpect enabled Take\n"
                                          "expect property Take statesheet = KX_TakeHigh\n");
    const finished covered = run({"run", "--coverage", play});
    EXPECT_EQ(covered.status, 0) << covered.err;
    EXPECT_THAT(covered.out, ::testing::ContainsRegex("\n    Dest_2 +button +1 +0\n"));
    EXPECT_THAT(covered.out, ::testing::ContainsRegex("\n    Take +button +0 +2\n"));
    EXPECT_THAT(covered.out, ::testing::ContainsRegex("never clicked: [^;]*Clear"));
    EXPECT_THAT(covered.out, HasSubstr("RN 0, RP 8, RR 8"));
    EXPECT_THAT(covered.out, HasSubstr("2 control event 2"));

    // Over the whole set of scenarios it names nothing that one of them works or looks at.
    std::vector<std::string> arguments = {"run", "--json", "--coverage"};
    std::string lines;
    for (const auto& each :
         std::filesystem::directory_iterator(std::string(ZETH_HOST_EXAMPLES) + "/../../tests/"
                                                                               "scenarios")) {
        if (each.path().extension() == ".zeth") {
            arguments.push_back(each.path().string());
            std::ifstream in(each.path());
            for (std::string line; std::getline(in, line);) {
                lines += line + "\n";
            }
        }
    }
    const finished all = run(arguments);
    const std::string last = all.out.substr(all.out.rfind('\n', all.out.size() - 2) + 1);
    const nlohmann::json coverage = nlohmann::json::parse(last);
    ASSERT_EQ(coverage["kind"], "coverage") << last;
    EXPECT_EQ(coverage["files"], arguments.size() - 3);
    EXPECT_THAT(coverage["left_out"], ::testing::IsEmpty());
    EXPECT_THAT(coverage["never"]["selected"], ::testing::IsEmpty());
    for (const std::string name : coverage["never"]["clicked"]) {
        EXPECT_THAT(lines, ::testing::Not(HasSubstr("\nclick " + name + "\n"))) << name;
    }
    for (const std::string name : coverage["never"]["expected"]) {
        for (const char* form : {"expect enabled ", "expect disabled ", "expect property "}) {
            EXPECT_THAT(lines, ::testing::Not(HasSubstr(form + name + " "))) << name;
            EXPECT_THAT(lines, ::testing::Not(HasSubstr(form + name + "\n"))) << name;
        }
    }
}

} // namespace
