// The routers: crosspoints, what a router refuses, and who hears which destination.
#include "builtin_files.h"
#include "router_bank.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

class router_bank_test : public ::testing::Test {
protected:
    facility plant = builtinFacility();
    router_bank bank{plant};
};

TEST_F(router_bank_test, startsFromTheFacilitysCrosspointsAndCarriesNothingElsewhere) {
    EXPECT_EQ(bank.source(20, 102), 2);
    EXPECT_EQ(bank.source(21, 204), 4);
    EXPECT_EQ(bank.source(20, 5), 0);
    EXPECT_EQ(bank.source(20, 257), std::nullopt);
    EXPECT_EQ(bank.source(20, 0), std::nullopt);
    EXPECT_EQ(bank.source(10, 1), std::nullopt) << "the package names device is no router";
}

TEST_F(router_bank_test, routeReturnsWhatWasThereBefore) {
    EXPECT_EQ(bank.route(20, 7, 102), 2);
    EXPECT_EQ(bank.source(20, 102), 7);
    EXPECT_EQ(bank.route(20, 9, 50), 0);
    EXPECT_EQ(bank.source(21, 202), 2) << "the other router is untouched";
}

TEST_F(router_bank_test, refusesCrosspointsTheRouterCannotMake) {
    EXPECT_EQ(bank.refusal(20, 5, 102), "");
    EXPECT_THAT(bank.refusal(99, 5, 102), HasSubstr("no router"));
    EXPECT_THAT(bank.refusal(20, 33, 102), HasSubstr("source 33"));
    EXPECT_THAT(bank.refusal(20, 0, 102), HasSubstr("source 0"));
    EXPECT_THAT(bank.refusal(20, 5, 257), HasSubstr("destination 257"));
    EXPECT_THAT(bank.refusal(20, 5, -1), HasSubstr("destination -1"));
}

TEST_F(router_bank_test, plainRegistrationReplacesOnlyThatRoutersRegistrations) {
    bank.registerDesk(1, 20, 101, 101, false);
    bank.registerDesk(1, 20, 102, 102, true);
    bank.registerDesk(1, 21, 201, 201, false);
    EXPECT_THAT(bank.listeners(20, 101), ElementsAre(1)) << "the audio router's plain RR";
    EXPECT_THAT(bank.listeners(20, 102), ElementsAre(1));
    bank.registerDesk(1, 20, 103, 103, false);
    EXPECT_THAT(bank.listeners(20, 101), IsEmpty());
    EXPECT_THAT(bank.listeners(20, 103), ElementsAre(1));
    EXPECT_THAT(bank.listeners(21, 201), ElementsAre(1));
}

TEST_F(router_bank_test, aDestinationRegisteredTwiceIsHeardOnceAndDesksInOrder) {
    EXPECT_EQ(bank.registerDesk(2, 20, 101, 101, false), 1u);
    EXPECT_EQ(bank.registerDesk(2, 20, 101, 101, true), 1u);
    bank.registerDesk(1, 20, 100, 102, false);
    EXPECT_THAT(bank.listeners(20, 101), ElementsAre(1, 2));
    EXPECT_THAT(bank.listeners(20, 100), ElementsAre(1));
}

TEST_F(router_bank_test, rangesAreCutToTheRouterAndReversedRangesHoldNothing) {
    EXPECT_EQ(bank.registerDesk(1, 20, -5, 2, false), 2u);
    EXPECT_EQ(bank.registerDesk(1, 20, 250, 2147483647, false), 7u);
    EXPECT_EQ(bank.registerDesk(1, 20, 5, 4, false), 0u);
    EXPECT_EQ(bank.registerDesk(1, 0, 1, 10, false), 0u) << "device 0 is no router";
}

TEST_F(router_bank_test, aClosedDeskHearsNothing) {
    bank.registerDesk(1, 20, 101, 104, false);
    bank.registerDesk(2, 20, 101, 101, false);
    bank.forgetDesk(1);
    EXPECT_THAT(bank.listeners(20, 101), ElementsAre(2));
    EXPECT_THAT(bank.listeners(20, 102), IsEmpty());
    const auto heard = bank.heardDestinations();
    ASSERT_EQ(heard.count(20), 1u);
    EXPECT_THAT(heard.at(20), ElementsAre(101));
}

} // namespace
