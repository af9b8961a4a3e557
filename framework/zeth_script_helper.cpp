#include "zeth_script_helper.h"

#include "decodePropertyString.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

zeth_script_helper::zeth_script_helper(zeth_client_callback* hostObject, const char* path)
    : zeth_commands(hostObject, path) {}

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
    try {
        return dispatch(data, code);
    } catch (...) {
        // A failed allocation or any other failure inside a handler ends that message only.
        return nullptr;
    }
}

void* zeth_script_helper::dispatch(void* data, int code) {
    switch (code) {
    case 1:
        if (data != nullptr) {
            revertiveEvent event(static_cast<const zeth_revertive_record*>(data));
            onRevertive(event);
        }
        return nullptr;
    case 2:
        if (data != nullptr) {
            controlEvent event(static_cast<const zeth_event_record*>(data));
            onButton(event);
        }
        return nullptr;
    case 3: {
        const decodePropertyString parsed(static_cast<const char*>(data));
        queryEvent query(&parsed);
        const zeth_string answer = onQuery(query);
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
        onTimer(static_cast<int>(reinterpret_cast<std::intptr_t>(data)));
        return nullptr;
    case 5:
        releaseAnswer(data);
        return nullptr;
    case 6: {
        void* datum = data;
        onHostEvent6(datum);
        return nullptr;
    }
    case 7: {
        int value = static_cast<int>(reinterpret_cast<std::intptr_t>(data));
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

zeth_string zeth_script_helper::onQuery(queryEvent& /*query*/) {
    return zeth_string();
}

void zeth_script_helper::onHostEvent7(int& /*value*/) {}

void zeth_script_helper::onTimer(int /*timerId*/) {}

void zeth_script_helper::onHostEvent6(void*& /*data*/) {}
