// facility_test: the fixture of the panel tests. Its recording host answers like the facility of
// facility.h. Tests may add or override replies before start(). Every test ends, in TearDown, by
// deleting the panel (whose last command must be "AS") and checking the host's reply-ownership
// record.
#pragma once

#include "R7_DESK.h"
#include "facility.h"
#include "host_messages.h"
#include "recording_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class facility_test : public ::testing::Test {
protected:
    void SetUp() override { facility::answer(host); }

    void TearDown() override {
        if (panel) {
            panel.reset();
            EXPECT_EQ(host.commands().back(), "AS");
        }
        EXPECT_THAT(host.violations(), ::testing::IsEmpty());
    }

    R7_DESK& start(const char* panelPath = "") {
        panel = std::make_unique<R7_DESK>(&host, panelPath);
        host.forgetCommands();
        return *panel;
    }

    // Sets both selections directly, keeping the rest of the state: with Undo ready this is a
    // state no run of host messages reaches.
    void setSelections(int package, int button) {
        R7_DESK::desk_state changed = panel->state();
        changed.selectedPackage = package;
        changed.selectedDest = button;
        panel->replaceState(changed);
    }

    // The commands sent since the last call (or since start()).
    std::vector<std::string> sent() {
        std::vector<std::string> commands = host.commandsSinceMark();
        host.forgetCommands();
        return commands;
    }

    void click(const char* control, const char* message = nullptr, const char* panelId = "1") {
        host_messages::click(*panel, control, message, panelId);
    }
    void tick(int timerId = 1) { host_messages::tick(*panel, timerId); }
    void revertive(int device, int destination, int source) {
        host_messages::revertive(*panel, device, destination, source);
    }

    // Package 5 and button `button` chosen: Take armed and flashing.
    void arm(const char* button = "Dest_3") {
        click("Sources", "index=5");
        click(button);
        sent();
    }

    // Button 3 carries video source 4 and audio source 9; package 5 was taken to it.
    void takeToButton3() {
        revertive(facility::videoRouter, 103, 4);
        revertive(facility::audioRouter, 203, 9);
        arm();
        click("Take");
        sent();
    }

    recording_host host;
    std::unique_ptr<R7_DESK> panel;
};
