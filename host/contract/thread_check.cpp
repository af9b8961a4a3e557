#include "thread_check.h"

#include <algorithm>
#include <new>
#include <string>
#include <utility>

namespace {

// Where a call whose record could not be allocated is counted, and how it is named then.
int codeSlot(int code) {
    return code == 0 ? 0 : code == 5 ? 1 : 2;
}
constexpr const char* slotCall[] = {"notify(command, 0)", "notify(pointer, 5)",
                                    "notify(data, code)"};

violation foreignCall(const std::string& cause, const std::string& what) {
    return {violation_kind::callFromAnotherThread,
            what + " came from another thread than the one the host called the panel on; the host "
                   "answered null and did nothing",
            cause};
}

} // namespace

thread_check::thread_check() : hostThread(std::this_thread::get_id()) {}

thread_check::~thread_check() {
    foreign_call* each = recorded.exchange(nullptr, std::memory_order_acquire);
    while (each != nullptr) {
        delete std::exchange(each, each->next);
    }
}

bool thread_check::admits(const void* data, int code) noexcept {
    if (std::this_thread::get_id() == hostThread.load(std::memory_order_acquire)) {
        return true;
    }
    auto* call = new (std::nothrow) foreign_call;
    if (call == nullptr) {
        unrecorded[codeSlot(code)].fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    call->order = nextOrder.fetch_add(1, std::memory_order_relaxed);
    call->code = code;
    call->nullData = data == nullptr;
    // A command is the panel's text, valid while this call lasts; a hand-back's pointer may be a
    // reply the host's thread is writing, so only the code is kept.
    if (code == 0 && data != nullptr) {
        const auto* text = static_cast<const char*>(data);
        std::size_t length = 0;
        while (length < textCapacity && text[length] != '\0') {
            call->text[length] = text[length];
            ++length;
        }
        call->hasText = true;
        call->cutOff = length == textCapacity && text[length] != '\0';
    }
    call->next = recorded.load(std::memory_order_relaxed);
    while (!recorded.compare_exchange_weak(call->next, call, std::memory_order_release,
                                           std::memory_order_relaxed)) {
    }
    return false;
}

std::vector<violation> thread_check::takeForeignCalls() {
    std::vector<foreign_call*> calls;
    for (foreign_call* each = recorded.exchange(nullptr, std::memory_order_acquire);
         each != nullptr; each = each->next) {
        calls.push_back(each);
    }
    std::sort(calls.begin(), calls.end(),
              [](const foreign_call* a, const foreign_call* b) { return a->order < b->order; });
    std::vector<violation> found;
    for (foreign_call* call : calls) {
        if (call->hasText) {
            const std::string text = std::string(call->text) + (call->cutOff ? "..." : "");
            found.push_back(foreignCall(text, "\"" + text + "\""));
        } else {
            const std::string cause = "notify(" + std::string(call->nullData ? "null" : "pointer") +
                                      ", " + std::to_string(call->code) + ")";
            found.push_back(foreignCall(cause, cause));
        }
        delete call;
    }
    for (int slot = 0; slot < 3; ++slot) {
        const std::uint64_t lost = unrecorded[slot].exchange(0, std::memory_order_relaxed);
        for (std::uint64_t i = 0; i < lost; ++i) {
            found.push_back(foreignCall(slotCall[slot], std::string(slotCall[slot]) +
                                                            " (too little memory to record it)"));
        }
    }
    return found;
}
