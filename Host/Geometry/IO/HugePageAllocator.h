#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace orvkit {

// An allocator for the few large arrays of a parse (the file's text, its records and
// parameters): blocks of 4 MB and more are mapped on their own and marked for transparent huge
// pages, so that writing them takes one page fault in 2 MB instead of one in 4 KB, which on
// a virtual machine is most of the cost of filling them. Pages never written take no memory,
// so a generous reserve costs nothing. Smaller blocks come from malloc.
template <class T> struct HugePageAllocator {
    using value_type = T;
    static constexpr std::size_t MappedFrom = std::size_t(4) << 20;

    HugePageAllocator() = default;
    template <class U> HugePageAllocator(const HugePageAllocator<U>&) {}

    T* allocate(std::size_t count)
    {
        const std::size_t bytes = count * sizeof(T);
        if (bytes >= MappedFrom) {
            void* block =
                ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (block == MAP_FAILED) {
                throw std::bad_alloc();
            }
            ::madvise(block, bytes, MADV_HUGEPAGE);
            return static_cast<T*>(block);
        }
        if (void* block = std::malloc(bytes > 0 ? bytes : 1)) {
            return static_cast<T*>(block);
        }
        throw std::bad_alloc();
    }

    void deallocate(T* block, std::size_t count)
    {
        const std::size_t bytes = count * sizeof(T);
        if (bytes >= MappedFrom) {
            ::munmap(block, bytes);
        } else {
            std::free(block);
        }
    }

    template <class U> bool operator==(const HugePageAllocator<U>&) const { return true; }
    template <class U> bool operator!=(const HugePageAllocator<U>&) const { return false; }
};

} // namespace orvkit
