#include "zeth_script_helper.h"

#include "debug_output.h"
#include "decodePropertyString.h"
#include "number_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <new>

namespace {

// Appends text to the line being composed in line[0 .. size), up to limit bytes of it.
void append(char* line, std::size_t size, std::size_t& used, const char* text,
            std::size_t limit = static_cast<std::size_t>(-1)) noexcept {
    for (std::size_t taken = 0; text[taken] != '\0' && taken < limit && used + 1 < size; ++taken) {
        line[used++] = text[taken];
    }
    line[used] = '\0';
}

} // namespace

zeth_script_helper::zeth_script_helper(zeth_client_callback* hostObject, const char* path,
                                       const char* panelIdentifier)
    : zeth_commands(hostObject, path, panelIdentifier) {}

zeth_script_helper::~zeth_script_helper() {
    try {
        send("AS");
    } catch (...) {
        // Nothing may leave a destructor into the host.
    }
}

#if ZETH_MSVC_SHAPED_VTABLE
void* zeth_script_helper::scalarDeletingDestructor(unsigned flags) {
    if ((flags & 1U) != 0U) {
        delete this;
    } else {
        this->~zeth_script_helper();
    }
    return this;
}
#endif

void* zeth_script_helper::notify(void* data, int code) {
    // A failed allocation or any other failure inside a handler ends that message only, and is
    // written to the debug output.
    runningHandler = "notify";
    try {
        return dispatch(data, code);
    } catch (const std::exception& error) {
        reportException(code, error.what());
    } catch (...) {
        reportException(code, nullptr);
    }
    return nullptr;
}

void zeth_script_helper::reportException(int code, const char* what) const noexcept {
    char line[sizeof zethHandlerExceptionPrefix + zethHandlerExceptionTextLimit + 64];
    std::size_t used = 0;
    append(line, sizeof line, used, zethHandlerExceptionPrefix);
    append(line, sizeof line, used, runningHandler);
    append(line, sizeof line, used, " (message code ");
    char number[maxDecimalLength + 1];
    *writeDecimal(number, code) = '\0';
    append(line, sizeof line, used, number);
    append(line, sizeof line, used, "): ");
    append(line, sizeof line, used, what != nullptr ? what : zethHandlerExceptionUnknown,
           zethHandlerExceptionTextLimit);
    writeDebugOutput(line);
}

void* zeth_script_helper::dispatch(void* data, int code) {
    switch (code) {
    case 1:
        if (data != nullptr) {
            revertiveEvent event(static_cast<const zeth_revertive_record*>(data));
            runningHandler = "onRevertive";
            onRevertive(event);
        }
        return nullptr;
    case 2:
        if (data != nullptr) {
            controlEvent event(static_cast<const zeth_event_record*>(data));
            runningHandler = "onButton";
            onButton(event);
        }
        return nullptr;
    case 3: {
        const decodePropertyString parsed(static_cast<const char*>(data));
        queryEvent query(&parsed);
        runningHandler = "onQuery";
        const zeth_string answer = onQuery(query);
        runningHandler = "notify";
        if (answer.length() == 0) {
            return nullptr;
        }
        outstandingAnswers.reserve(outstandingAnswers.size() + 1);
        const std::size_t size = static_cast<std::size_t>(answer.length()) + 1;
        char* copy = new (std::nothrow) char[size];
        if (copy == nullptr) {
            return nullptr;
        }
        std::memcpy(copy, static_cast<const char*>(answer), size);
        outstandingAnswers.push_back(copy);
        return copy;
    }
    case 4:
        runningHandler = "onTimer";
        onTimer(static_cast<int>(reinterpret_cast<std::intptr_t>(data)));
        return nullptr;
    case 5:
        releaseAnswer(data);
        return nullptr;
    case 6: {
        void* datum = data;
        runningHandler = "onHostEvent6";
        onHostEvent6(datum);
        return nullptr;
    }
    case 7: {
        int value = static_cast<int>(reinterpret_cast<std::intptr_t>(data));
        runningHandler = "onHostEvent7";
        onHostEvent7(value);
        return nullptr;
    }
    default:
        return nullptr;
    }
}

void zeth_script_helper::releaseAnswer(void* answer) noexcept {
    if (answer == nullptr) {
        return;
    }
    const auto found =
        std::find(outstandingAnswers.begin(), outstandingAnswers.end(), static_cast<char*>(answer));
    if (found == outstandingAnswers.end()) {
        return; // not ours, or released already
    }
    outstandingAnswers.erase(found);
    delete[] static_cast<char*>(answer);
}

void zeth_script_helper::onButton(controlEvent& event) {
    if (event.panelText() != std::string_view(panelId().str())) {
        return;
    }
    const zeth_string control = event.control();
    if (event.commandText() == "index") {
        runningHandler = "onListPick";
        onListPick(control, decimalValue(event.valueText()));
    } else {
        runningHandler = "onClick";
        onClick(control);
    }
}

void zeth_script_helper::onListPick(const zeth_string& /*list*/, int /*item*/) {}

void zeth_script_helper::onClick(const zeth_string& /*control*/) {}

zeth_string zeth_script_helper::onQuery(queryEvent& /*query*/) {
    return zeth_string();
}

void zeth_script_helper::onHostEvent7(int& /*value*/) {}

void zeth_script_helper::onTimer(int /*timerId*/) {}

void zeth_script_helper::onHostEvent6(void*& /*data*/) {}
