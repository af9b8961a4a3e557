// The transcript: entries held during a call and marked when their reply comes back, the text
// lines people read, and the JSON lines tools read.
#include "json_transcript.h"
#include "text_transcript.h"
#include "transcript.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

using ::testing::HasSubstr;

namespace {

transcript_entry command(const std::string& text, std::optional<std::string> reply,
                         const std::string& effect = "") {
    transcript_entry entry;
    entry.kind = entry_kind::command;
    entry.text = text;
    entry.reply = std::move(reply);
    entry.effect = effect;
    return entry;
}

TEST(transcript, heldEntriesWaitForTheCallAndCanStillBeMarked) {
    std::ostringstream out;
    text_transcript writer(out);
    transcript record;
    record.attach(writer);
    record.hold();
    const std::uint64_t serial = record.add(command("SD 'R7 SDI Router'", "20"));
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(record.markHandedBack(serial));
    record.release();
    EXPECT_THAT(out.str(), HasSubstr("-> \"20\", handed back"));
    EXPECT_FALSE(record.markHandedBack(serial)) << "written already";
}

TEST(text_transcript, linesForEachKind) {
    std::ostringstream out;
    text_transcript writer(out);
    transcript_entry banner;
    banner.kind = entry_kind::banner;
    banner.text = "zeth-host: test";
    writer.write(banner);
    writer.write(banner);
    transcript_entry action;
    action.kind = entry_kind::action;
    action.time = 3250;
    action.deskNumber = 2;
    action.text = "click Take";
    writer.write(action);
    writer.write(command("RN 11 0 9", "9,\"-\"\n\x01", "x"));
    writer.write(command("CD '1' 'Take'", std::nullopt));
    transcript_entry broken;
    broken.kind = entry_kind::violation;
    broken.id = "double-hand-back";
    broken.detail = "came back twice";
    broken.cause = "SD 'x'";
    writer.write(broken);
    transcript_entry failed;
    failed.kind = entry_kind::expectation;
    failed.text = "disabled Take";
    failed.passed = false;
    failed.detail = "it is enabled";
    writer.write(failed);
    transcript_entry debug;
    debug.kind = entry_kind::debug;
    debug.text = "value \"x\"\tnot \\ found\n";
    writer.write(debug);

    const std::string text = out.str();
    EXPECT_EQ(text.find("How to read it"), text.rfind("How to read it")) << "one legend";
    EXPECT_THAT(text, HasSubstr("\n\n[3.250s] desk 2: click Take\n"));
    EXPECT_THAT(text, HasSubstr("    RN 11 0 9                                -> "
                                "\"9,\\\"-\\\"\\n\\x01\"   | x\n"));
    EXPECT_THAT(text, HasSubstr("    CD '1' 'Take'                            -> null\n"));
    EXPECT_THAT(text, HasSubstr("    !! double-hand-back: came back twice [cause: SD 'x']\n"));
    EXPECT_THAT(text, HasSubstr("    expect disabled Take: FAILED, it is enabled\n"));
    EXPECT_THAT(text, HasSubstr("    debug: value \"x\"\\x09not \\ found\\n\n"))
        << "a debug line as written, only its control characters escaped";
}

TEST(json_transcript, oneObjectPerLineWithTheFieldsOfItsKind) {
    std::ostringstream out;
    json_transcript writer(out);
    writer.write(command("RN 11 0 99", std::nullopt, "no entry"));
    transcript_entry handed = command("SD 'a'", "12\xff");
    handed.handedBack = true;
    handed.deskNumber = 2;
    handed.time = 1500;
    writer.write(handed);
    transcript_entry broken;
    broken.kind = entry_kind::violation;
    broken.id = "reply-not-handed-back";
    broken.cause = "SD 'a'";
    writer.write(broken);
    transcript_entry debug;
    debug.kind = entry_kind::debug;
    debug.deskNumber = 2;
    debug.text = "textGet: \"a\"";
    writer.write(debug);

    std::istringstream lines(out.str());
    std::string line;
    std::vector<nlohmann::json> objects;
    while (std::getline(lines, line)) {
        objects.push_back(nlohmann::json::parse(line));
    }
    ASSERT_EQ(objects.size(), 4u);
    EXPECT_EQ(objects[0]["kind"], "command");
    EXPECT_TRUE(objects[0]["reply"].is_null());
    EXPECT_EQ(objects[0]["effect"], "no entry");
    EXPECT_EQ(objects[1]["desk"], 2);
    EXPECT_EQ(objects[1]["time_ms"], 1500);
    EXPECT_EQ(objects[1]["handed_back"], true);
    EXPECT_EQ(objects[1]["reply"].get<std::string>().substr(0, 2), "12");
    EXPECT_EQ(objects[2]["id"], "reply-not-handed-back");
    EXPECT_THAT(objects[2]["description"].get<std::string>(), HasSubstr("not handed back"));
    EXPECT_EQ(objects[3], nlohmann::json::parse(R"({"kind": "debug", "time_ms": 0, "desk": 2,
                                                    "text": "textGet: \"a\""})"));
}

} // namespace
