#include "counting_allocator.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> calls{0};
std::atomic<std::size_t> held{0};
std::atomic<std::size_t> peak{0};

void* counted(std::size_t size) noexcept {
    void* memory = std::malloc(size == 0 ? 1 : size);
    if (memory == nullptr) {
        return nullptr;
    }
    calls.fetch_add(1, std::memory_order_relaxed);
    const std::size_t now = held += malloc_usable_size(memory);
    std::size_t highest = peak.load();
    while (now > highest && !peak.compare_exchange_weak(highest, now)) {
    }
    return memory;
}

void* countedOrThrow(std::size_t size) {
    if (void* memory = counted(size)) {
        return memory;
    }
    throw std::bad_alloc();
}

void release(void* memory) noexcept {
    if (memory != nullptr) {
        held -= malloc_usable_size(memory);
        std::free(memory);
    }
}

} // namespace

namespace counting_allocator {

std::size_t allocations() {
    return calls.load();
}
std::size_t liveBytes() {
    return held.load();
}
std::size_t peakBytes() {
    return peak.load();
}
void resetPeak() {
    peak.store(held.load());
}

} // namespace counting_allocator

void* operator new(std::size_t size) {
    return countedOrThrow(size);
}
void* operator new[](std::size_t size) {
    return countedOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return counted(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return counted(size);
}
void operator delete(void* memory) noexcept {
    release(memory);
}
void operator delete[](void* memory) noexcept {
    release(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    release(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    release(memory);
}
