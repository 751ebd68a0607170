// The large-page hint shared by the table's row blocks and text blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace ftpdirlist {

// Asks the system to back a large block with large pages where it can: one
// page fault then stands for hundreds. Only a hint; results never depend on
// it. FTPDIRLIST_NO_LARGE_PAGES turns it off (to measure what it gives).
inline void AdviseLargePages(void* block, std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE) && !defined(FTPDIRLIST_NO_LARGE_PAGES)
    constexpr std::uintptr_t kLargePage = 2 * 1024 * 1024;
    if (size < 2 * kLargePage) return;
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t last = (begin + size) & ~(kLargePage - 1);
    if (last > first) {
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
#else
    (void)block;
    (void)size;
#endif
}

// An allocator for containers of plain values that hints each large
// allocation for large pages before the container first touches it.
template <class T>
struct LargePageAllocator {
    using value_type = T;
    LargePageAllocator() = default;
    template <class U>
    LargePageAllocator(const LargePageAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) {
        void* block = ::operator new(n * sizeof(T));
        AdviseLargePages(block, n * sizeof(T));
        return static_cast<T*>(block);
    }
    void deallocate(T* block, std::size_t) noexcept { ::operator delete(block); }
    friend bool operator==(const LargePageAllocator&, const LargePageAllocator&) { return true; }
    friend bool operator!=(const LargePageAllocator&, const LargePageAllocator&) { return false; }
};

}  // namespace ftpdirlist
