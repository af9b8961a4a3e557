#include "debug_capture.h"
#include "probe_panel.h"
#include "recording_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

void* asDatum(std::intptr_t value) {
    return reinterpret_cast<void*>(value);
}

// A panel that also records the two host events the base leaves empty.
class event_probe : public probe_panel {
public:
    using probe_panel::probe_panel;
    void onHostEvent6(void*& data) override {
        calls.push_back("event6");
        data = nullptr;
    }
    void onHostEvent7(int& value) override {
        calls.push_back("event7 " + std::to_string(value));
        value = 0;
    }
};

// A panel that leaves control events to the framework: list picks and clicks of its own panel.
class pick_probe : public probe_panel {
public:
    using probe_panel::probe_panel;
    void onButton(controlEvent& event) override { zeth_script_helper::onButton(event); }
    void onListPick(const zeth_string& list, int item) override {
        calls.push_back("pick " + std::string(list) + " " + std::to_string(item));
        throwIfAsked();
    }
    void onClick(const zeth_string& control) override {
        calls.push_back("click " + std::string(control));
        throwIfAsked();
    }
};

TEST(notify, dispatches_each_code_to_its_handler) {
    recording_host host;
    event_probe panel(&host, "");

    zeth_revertive_record revertive{12, 99, 101, 55};
    EXPECT_EQ(panel.notify(&revertive, 1), nullptr);

    const decodePropertyString parameter("index=3");
    zeth_event_record event{asDatum(1), asDatum(2), "1", "Sources", &parameter};
    EXPECT_EQ(panel.notify(&event, 2), nullptr);

    char query[] = "return=all";
    EXPECT_EQ(panel.notify(query, 3), nullptr);
    EXPECT_EQ(panel.notify(asDatum(1), 4), nullptr);
    EXPECT_EQ(panel.notify(asDatum(-2), 4), nullptr);
    EXPECT_EQ(panel.notify(asDatum(77), 6), nullptr);
    EXPECT_EQ(panel.notify(asDatum(77), 7), nullptr);

    EXPECT_THAT(panel.calls,
                ElementsAre("revertive 12 101 55", "button 1 Sources index=3", "query return=all",
                            "timer 1", "timer -2", "event6", "event7 77"));
    EXPECT_THAT(host.commands(), IsEmpty());
}

TEST(notify, other_codes_and_null_records_do_nothing) {
    recording_host host;
    event_probe panel(&host, "");
    for (const int code : {0, 8, 9, 100, -1, -5}) {
        EXPECT_EQ(panel.notify(asDatum(1), code), nullptr) << code;
    }
    EXPECT_EQ(panel.notify(nullptr, 1), nullptr);
    EXPECT_EQ(panel.notify(nullptr, 2), nullptr);
    EXPECT_EQ(panel.notify(nullptr, 5), nullptr);
    EXPECT_THAT(panel.calls, IsEmpty());
    EXPECT_THAT(host.commands(), IsEmpty());
}

TEST(notify, base_host_events_do_nothing) {
    recording_host host;
    probe_panel panel(&host, "");
    EXPECT_EQ(panel.notify(asDatum(3), 6), nullptr);
    EXPECT_EQ(panel.notify(asDatum(3), 7), nullptr);
    EXPECT_THAT(panel.calls, IsEmpty());
    EXPECT_THAT(host.commands(), IsEmpty());
}

TEST(notify, control_event_with_null_words_reads_empty_texts) {
    recording_host host;
    probe_panel panel(&host, "");
    zeth_event_record event{nullptr, nullptr, nullptr, nullptr, nullptr};
    panel.notify(&event, 2);
    EXPECT_THAT(panel.calls, ElementsAre("button   ="));
}

TEST(notify, query_answers_empty_as_null_and_text_as_a_separate_copy) {
    recording_host host;
    probe_panel panel(&host, "");

    panel.queryAnswer = "";
    EXPECT_EQ(panel.notify(const_cast<char*>("_events"), 3), nullptr);

    panel.queryAnswer = "a\nb";
    char queryText[] = "_commands";
    void* first = panel.notify(queryText, 3);
    void* second = panel.notify(queryText, 3);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    panel.queryAnswer = "changed";
    EXPECT_STREQ(static_cast<const char*>(first), "a\nb") << "the copy outlives the answer";
    EXPECT_EQ(panel.notify(first, 5), nullptr);
    EXPECT_EQ(panel.notify(second, 5), nullptr);
    EXPECT_THAT(panel.calls, ElementsAre("query _events=", "query _commands=", "query _commands="));
    EXPECT_THAT(host.commands(), IsEmpty());
}

TEST(notify, query_with_null_text_parses_as_empty) {
    probe_panel panel(nullptr, "");
    EXPECT_EQ(panel.notify(nullptr, 3), nullptr);
    EXPECT_THAT(panel.calls, ElementsAre("query ="));
}

TEST(notify, release_ignores_texts_it_did_not_hand_out) {
    probe_panel panel(nullptr, "");
    panel.queryAnswer = "x";
    void* answer = panel.notify(const_cast<char*>("q"), 3);
    ASSERT_NE(answer, nullptr);
    char foreign[] = "not the panel's";
    EXPECT_EQ(panel.notify(foreign, 5), nullptr);
    EXPECT_STREQ(foreign, "not the panel's");
    EXPECT_EQ(panel.notify(answer, 5), nullptr);
    EXPECT_EQ(panel.notify(answer, 5), nullptr) << "a second release is ignored";
}

TEST(notify, the_default_control_handler_passes_on_picks_and_clicks_of_its_own_panel) {
    struct row {
        const char* panelId;
        const char* control;
        const char* parameter; // nullptr: a null word 4
        const char* call;      // nullptr: none
    };
    const row rows[] = {
        {"7", "Sources", "index=5", "pick Sources 5"},
        {"7", "Sources", "index=-1", "pick Sources -1"},
        {"7", "Sources", "index=abc", "pick Sources 0"},
        {"7", "Take", "click", "click Take"},
        {"7", "Take", nullptr, "click Take"},
        {"7", "Dest_1", "select=3", "click Dest_1"},
        {"1", "Take", "click", nullptr},
        {"7x", "Sources", "index=5", nullptr},
    };
    for (const row& r : rows) {
        recording_host host;
        pick_probe panel(&host, "", "7");
        const decodePropertyString parameter(r.parameter != nullptr ? r.parameter : "");
        zeth_event_record event{nullptr, nullptr, r.panelId, r.control,
                                r.parameter != nullptr ? &parameter : nullptr};
        EXPECT_EQ(panel.notify(&event, 2), nullptr);
        const std::string label = std::string(r.panelId) + " " + r.control;
        if (r.call != nullptr) {
            EXPECT_THAT(panel.calls, ElementsAre(r.call)) << label;
        } else {
            EXPECT_THAT(panel.calls, IsEmpty()) << label;
        }
        EXPECT_THAT(host.commands(), IsEmpty()) << label;
    }
}

TEST(notify, no_exception_leaves_notify_and_each_one_is_written_to_the_debug_output) {
    recording_host host;
    pick_probe panel(&host, "");
    panel.throwFromHandlers = true;
    zeth_revertive_record revertive{1, 0, 2, 3};
    const decodePropertyString pick("index=1");
    const decodePropertyString click("click");
    zeth_event_record picked{nullptr, nullptr, "1", "Sources", &pick};
    zeth_event_record clicked{nullptr, nullptr, "1", "Take", &click};
    panel.queryAnswer = "x";
    const std::string longText(600, 'w');
    debug_capture debug;
    EXPECT_NO_THROW({
        EXPECT_EQ(panel.notify(&revertive, 1), nullptr);
        EXPECT_EQ(panel.notify(&picked, 2), nullptr);
        EXPECT_EQ(panel.notify(const_cast<char*>("q"), 3), nullptr);
        EXPECT_EQ(panel.notify(asDatum(1), 4), nullptr);
        panel.thrownText = longText;
        EXPECT_EQ(panel.notify(&clicked, 2), nullptr);
        panel.thrownInt = true;
        EXPECT_EQ(panel.notify(asDatum(-3), 4), nullptr);
    });
    EXPECT_EQ(panel.calls.size(), 6U);
    EXPECT_THAT(
        debug.messages(),
        ElementsAre("exception in handler onRevertive (message code 1): std::bad_alloc",
                    "exception in handler onListPick (message code 2): std::bad_alloc",
                    "exception in handler onQuery (message code 3): std::bad_alloc",
                    "exception in handler onTimer (message code 4): std::bad_alloc",
                    "exception in handler onClick (message code 2): " + longText.substr(0, 400),
                    "exception in handler onTimer (message code 4): an exception that "
                    "is not a std::exception"));
    EXPECT_THAT(host.commands(), IsEmpty());
}

TEST(lifecycle, construction_keeps_host_and_copies_path_without_sending) {
    recording_host host;
    std::string path = "D:/layouts";
    auto panel = std::make_unique<probe_panel>(&host, path.c_str());
    path = "changed";
    EXPECT_EQ(panel->hostObject(), &host);
    EXPECT_STREQ(panel->path(), "D:/layouts");
    EXPECT_THAT(host.commands(), IsEmpty());
    probe_panel nullPath(&host, nullptr);
    EXPECT_STREQ(nullPath.path(), "");
}

TEST(lifecycle, destruction_sends_AS_last_only_with_a_host) {
    recording_host host;
    host.replyDefault("reply to AS");
    {
        std::unique_ptr<zeth_client_callback> panel = std::make_unique<probe_panel>(&host, "");
        static_cast<probe_panel*>(panel.get())->stopTimer(1);
    }
    EXPECT_THAT(host.commands(), ElementsAre("ET 1", "AS"));
    EXPECT_EQ(host.handBacks(), 0);
    EXPECT_THAT(host.violations(), IsEmpty());

    { probe_panel noHost(nullptr, ""); } // nothing to send to, nothing may crash
}

// A host that throws from notify: the panel's destructor must not let it through.
class throwing_host : public zeth_client_callback {
public:
    void* notify(void* /*data*/, int /*code*/) override { throw std::runtime_error("host fault"); }
};

TEST(lifecycle, a_throwing_host_cannot_make_the_destructor_throw) {
    throwing_host host;
    EXPECT_NO_THROW({ probe_panel panel(&host, ""); });
}

} // namespace
