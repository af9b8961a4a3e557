// The host's own parameter record must read, field by field, exactly as the panel's decoder
// would have parsed the same text: the panel reads it in place as a decodePropertyString.
#include "decodePropertyString.h"
#include "event_parameter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class event_parameter_matches_decoder : public ::testing::TestWithParam<std::string> {};

TEST_P(event_parameter_matches_decoder, fieldByField) {
    const std::string& text = GetParam();
    const event_parameter host(text);
    const decodePropertyString panel(text.c_str());
    const decodePropertyString& read = *host.asPanelRecord();
    EXPECT_STREQ(read.name, panel.name) << text;
    EXPECT_STREQ(read.value, panel.value) << text;
    EXPECT_EQ(read.partCount, panel.partCount) << text;
    EXPECT_EQ(read.hasValue, panel.hasValue) << text;
    EXPECT_EQ(read.buffer == nullptr, panel.buffer == nullptr) << text;
    for (int i = 0; i < decodePropertyString::maxParts; ++i) {
        ASSERT_NE(read.parts[i], nullptr) << text << " part " << i;
        EXPECT_STREQ(read.parts[i], panel.parts[i]) << text << " part " << i;
    }
}

std::string manyParts() {
    std::string text = "n";
    for (int i = 0; i < 33; ++i) {
        text += ".p" + std::to_string(i);
    }
    return text + "=v";
}

INSTANTIATE_TEST_SUITE_P(texts, event_parameter_matches_decoder,
                         ::testing::Values("", "index=3", "click", "_events", "a.b.c=d.e", "a=b=c",
                                           "=5", ".x", "a..b", "a.b=", "index=-1", manyParts()));

TEST(event_parameter, outlivesItsMessageAndNeverPointsAtNull) {
    auto message = std::make_unique<std::string>("index=12");
    const event_parameter parameter(*message);
    message.reset();
    EXPECT_STREQ(parameter.record().name, "index");
    EXPECT_STREQ(parameter.record().value, "12");
    const event_parameter empty("");
    EXPECT_STREQ(empty.record().name, "");
    EXPECT_STREQ(empty.record().value, "");
    EXPECT_EQ(empty.record().buffer, nullptr);
}

} // namespace
