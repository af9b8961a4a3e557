// The built plug-in, loaded as a host loads it: resolve the factory by name, hold the start-up
// conversation and a Take through it, delete the panel.
#include "facility.h"
#include "host_messages.h"
#include "load_zeth_client_script.h"

#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

class loaded_plugin {
public:
    loaded_plugin() : library(dlopen(ZETH_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL)) {
        if (library != nullptr) {
            factory = reinterpret_cast<zeth_factory>(dlsym(library, "load_zeth_client_script"));
        }
    }
    ~loaded_plugin() {
        if (library != nullptr) {
            dlclose(library);
        }
    }
    loaded_plugin(const loaded_plugin&) = delete;
    loaded_plugin& operator=(const loaded_plugin&) = delete;

    void* library;
    zeth_factory factory = nullptr;
};

TEST(plugin, start_up_take_and_deletion_through_the_export) {
    loaded_plugin plugin;
    ASSERT_NE(plugin.library, nullptr) << dlerror();
    ASSERT_NE(plugin.factory, nullptr);

    recording_host host;
    facility::answer(host);
    zeth_client_callback* panel = plugin.factory(&host, "");
    ASSERT_NE(panel, nullptr);
    EXPECT_THAT(host.commands(), ElementsAreArray(facility::startup()));
    host.forgetCommands();

    host_messages::revertive(*panel, 20, 102, 4);
    host_messages::click(*panel, "Sources", "index=5");
    host_messages::click(*panel, "Dest_2");
    host_messages::click(*panel, "Take");
    host_messages::click(*panel, "Undo");
    EXPECT_EQ(host_messages::query(*panel, "return=all"), nullptr);
    delete panel;

    EXPECT_THAT(host.commandsSinceMark(),
                ElementsAre("CE '1' 'Take'", "TP 'statesheet=KX_TakeHigh' '1' 'Take'", "ET 1 1000",
                            "ET 1", "CD '1' 'Take'", "TP 'statesheet=KX_TakeHigh' '1' 'Take'",
                            "RN 15 0 5", "RC 20 12 102 ',' 0", "RC 21 7 202 ',' 0",
                            "TP 'select=-1' '1' 'Sources'", "TP 'index=-1' '1' 'Dest_2'",
                            "CE '1' 'Undo'", "CD '1' 'Undo'", "RC 20 4 102 ',' 0", "AS"));
    EXPECT_THAT(host.violations(), IsEmpty());
}

// A host whose notify throws on one command, after recording it.
class failing_host : public recording_host {
public:
    explicit failing_host(std::size_t failingCommand) : failAt(failingCommand) {}
    void* notify(void* data, int code) override {
        void* answer = recording_host::notify(data, code);
        if (code == 0 && commands().size() == failAt) {
            throw std::runtime_error("host failure");
        }
        return answer;
    }

private:
    std::size_t failAt;
};

TEST(plugin, start_up_ended_by_the_host_yields_null_and_the_closing_notice) {
    loaded_plugin plugin;
    ASSERT_NE(plugin.factory, nullptr) << dlerror();
    failing_host host(16); // the first "RR"
    facility::answer(host);
    EXPECT_EQ(plugin.factory(&host, ""), nullptr);
    std::vector<std::string> expected(facility::startup().begin(),
                                      facility::startup().begin() + 16);
    expected.push_back("AS");
    EXPECT_THAT(host.commands(), ElementsAreArray(expected));
    EXPECT_THAT(host.violations(), IsEmpty());
}

} // namespace
