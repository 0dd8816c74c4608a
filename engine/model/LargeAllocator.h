// An allocator for the few arrays that grow to hundreds of megabytes (vertices, entity
// records). Large blocks come straight from mmap and ask for transparent huge pages, so that
// filling them costs one page fault per 2 MiB instead of one per 4 KiB.
#pragma once

#include <cstddef>
#include <new>

#include <sys/mman.h>

namespace cad {

namespace large_allocation {
inline constexpr std::size_t kThreshold = std::size_t(4) << 20; // below: the ordinary heap
inline constexpr std::size_t kHugePage = std::size_t(2) << 20;

inline void* allocate(std::size_t bytes) {
    if (bytes < kThreshold)
        return ::operator new(bytes);
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* p = ::mmap(nullptr, rounded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    ::madvise(p, rounded, MADV_HUGEPAGE);
    return p;
}

inline void deallocate(void* p, std::size_t bytes) {
    if (bytes < kThreshold) {
        ::operator delete(p);
        return;
    }
    ::munmap(p, (bytes + kHugePage - 1) / kHugePage * kHugePage);
}
} // namespace large_allocation

template <typename T> struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <typename U> LargeAllocator(const LargeAllocator<U>&) {}
    T* allocate(std::size_t n) {
        if (n > std::size_t(-1) / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(large_allocation::allocate(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) { large_allocation::deallocate(p, n * sizeof(T)); }
    template <typename U> bool operator==(const LargeAllocator<U>&) const { return true; }
};

} // namespace cad
