// thread_check: tells a desk's calls on the host's thread from calls on any other thread, and
// keeps each call from another thread until the host's thread reports it.
//
// The host calls a panel on one thread, and the panel may call the host only on that thread,
// during the host's call. A call from another thread must touch no host state: the desk asks
// admits() first thing in notify, and on a foreign thread admits() records the call and answers
// false, using nothing but atomics, its own nodes and the allocator (no lock, no host state).
// The host's thread takes the records (takeForeignCalls) when its call into the panel returns and
// when it begins the next one, and reports each as call-from-another-thread.
//
// Threads: admits() from any thread at any time while the object lives; everything else on the
// host's thread only. What is recorded and not yet taken is freed with the object.
#pragma once

#include "contract_checker.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

class thread_check {
public:
    // The constructing thread is the host's until a call says otherwise.
    thread_check();
    ~thread_check();
    thread_check(const thread_check&) = delete;
    thread_check& operator=(const thread_check&) = delete;

    // The host's thread is about to call the panel: it is the host's thread from now on.
    void hostCalls() { hostThread.store(std::this_thread::get_id(), std::memory_order_release); }

    // Any thread, on entry to notify: true on the host's thread. On any other thread it records
    // the call (the command text for code 0, copied while the panel's call lasts; otherwise the
    // code) and answers false. Never throws, never blocks.
    bool admits(const void* data, int code) noexcept;

    // The host's thread: the foreign calls recorded since the last take, in the order they were
    // recorded, as violations naming the command or the code.
    std::vector<violation> takeForeignCalls();

private:
    // A command text longer than this is reported cut off with "...".
    static constexpr std::size_t textCapacity = 160;

    struct foreign_call {
        foreign_call* next = nullptr;
        std::uint64_t order = 0;
        int code = 0;
        bool nullData = false;
        bool hasText = false;
        bool cutOff = false;
        char text[textCapacity + 1] = {};
    };

    std::atomic<std::thread::id> hostThread;
    // Pushed by foreign threads, taken whole by the host's thread.
    std::atomic<foreign_call*> recorded{nullptr};
    std::atomic<std::uint64_t> nextOrder{0};
    // Calls whose record could not be allocated, by code: 0, 5, anything else.
    std::atomic<std::uint64_t> unrecorded[3] = {};
};
