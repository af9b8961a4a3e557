// scripted_host: an emulator on the built-in facility, running the scripted test plug-in (or any
// other), with every transcript entry captured for the test to look at.
//
// The scripted plug-in shows "<built-in>/test.zeth_ui": the controls Sources (a list), Dest_1
// (latching), Take and Undo, plus one control per text in commandControls; a click on such a
// control makes the plug-in send its name as a command.
#pragma once

#include "builtin_files.h"
#include "emulator.h"
#include "transcript.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class entry_capture : public transcript_writer {
public:
    void write(const transcript_entry& entry) override { entries.push_back(entry); }

    std::vector<transcript_entry> entries;

    // Entries of one kind, in order; and from the mark on (see mark()).
    std::vector<transcript_entry> of(entry_kind kind) const;
    // Command texts since the mark.
    std::vector<std::string> commands() const;
    // Violation ids since the mark.
    std::vector<std::string> violations() const;
    // Delivery texts since the mark, each prefixed with its time: "[1.000s] tick of timer 1".
    std::vector<std::string> deliveries() const;
    // The command entry with this text since the mark (the last one), or null.
    const transcript_entry* command(const std::string& text) const;
    void mark() { from = entries.size(); }

private:
    std::size_t from = 0;
};

// A folder of this test process's own, made on first use and removed when the process ends:
// ctest runs tests in parallel processes, which must not share their files.
const std::filesystem::path& scratchFolder();

// The layout of the scripted plug-in with extra controls named after commands.
std::string scriptedLayout(const std::vector<std::string>& commandControls);

struct scripted_host {
    explicit scripted_host(const std::string& mode = "<built-in>",
                           const std::vector<std::string>& commandControls = {}, int desks = 1,
                           const std::string& plugin = ZETH_SCRIPTED_PLUGIN);

    entry_capture captured;
    transcript record;
    std::unique_ptr<emulator> host;
};
