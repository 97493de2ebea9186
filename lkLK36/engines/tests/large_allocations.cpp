// The test program's own allocation functions, so a test can make large allocations fail.
#include <atomic>
#include <cstdlib>
#include <new>

#include "lkLK36/engines/tests/wave_engine_support.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define BELLTALE_OWN_ALLOCATOR 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define BELLTALE_OWN_ALLOCATOR 0
#endif
#endif
#ifndef BELLTALE_OWN_ALLOCATOR
#define BELLTALE_OWN_ALLOCATOR 1
#endif

namespace {
std::atomic<std::size_t> failFrom{0};  // 0: nothing fails
}  // namespace

namespace wavetest {

LargeAllocationsFail::LargeAllocationsFail(std::size_t bytes) {
    if (usable())
        failFrom = bytes;
}

void LargeAllocationsFail::lift() {
    failFrom = 0;
}

bool LargeAllocationsFail::usable() {
    return BELLTALE_OWN_ALLOCATOR != 0;
}

}  // namespace wavetest

#if BELLTALE_OWN_ALLOCATOR
void* operator new(std::size_t size) {
    const std::size_t limit = failFrom.load(std::memory_order_relaxed);
    if (limit != 0 && size >= limit)
        throw std::bad_alloc();
    if (void* block = std::malloc(size == 0 ? 1 : size))
        return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
#endif
