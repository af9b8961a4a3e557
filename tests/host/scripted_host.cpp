#include "scripted_host.h"

#include "text_transcript.h"

#include <unistd.h>

const std::filesystem::path& scratchFolder() {
    struct scratch {
        std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("zeth_host_tests_" + std::to_string(getpid()));
        scratch() { std::filesystem::create_directories(path); }
        ~scratch() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const scratch folder;
    return folder.path;
}

std::vector<transcript_entry> entry_capture::of(entry_kind kind) const {
    std::vector<transcript_entry> found;
    for (std::size_t i = from; i < entries.size(); ++i) {
        if (entries[i].kind == kind) {
            found.push_back(entries[i]);
        }
    }
    return found;
}

std::vector<std::string> entry_capture::commands() const {
    std::vector<std::string> texts;
    for (const transcript_entry& entry : of(entry_kind::command)) {
        texts.push_back(entry.text);
    }
    return texts;
}

std::vector<std::string> entry_capture::violations() const {
    std::vector<std::string> ids;
    for (const transcript_entry& entry : of(entry_kind::violation)) {
        ids.push_back(entry.id);
    }
    return ids;
}

std::vector<std::string> entry_capture::deliveries() const {
    std::vector<std::string> texts;
    for (const transcript_entry& entry : of(entry_kind::delivery)) {
        texts.push_back(text_transcript::timeText(entry.time) + " " + entry.text);
    }
    return texts;
}

const transcript_entry* entry_capture::command(const std::string& text) const {
    const transcript_entry* found = nullptr;
    for (std::size_t i = from; i < entries.size(); ++i) {
        if (entries[i].kind == entry_kind::command && entries[i].text == text) {
            found = &entries[i];
        }
    }
    return found;
}

std::string scriptedLayout(const std::vector<std::string>& commandControls) {
    std::string text = R"(
[[control]]
name = "Sources"
kind = "list"
items = { device = "R7 Package Names", database = 0 }
[[control]]
name = "Dest_1"
latching = true
properties = { video_id = 101 }
[[control]]
name = "Take"
properties = { statesheet = "KX_TakeHigh" }
[[control]]
name = "Undo"
)";
    for (const std::string& command : commandControls) {
        std::string escaped;
        for (const char c : command) {
            escaped += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
        }
        text += "[[control]]\nname = \"" + escaped + "\"\n";
    }
    return text;
}

scripted_host::scripted_host(const std::string& mode,
                             const std::vector<std::string>& commandControls, int desks,
                             const std::string& plugin) {
    record.attach(captured);
    layout_store layouts = builtinLayouts();
    layouts.addBuiltin("test.zeth_ui", scriptedLayout(commandControls));
    host = std::make_unique<emulator>(builtinFacility(), std::move(layouts),
                                      emulator_options{plugin, mode, false}, record);
    host->start(desks);
}
