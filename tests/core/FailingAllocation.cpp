// The allocations of the core tests succeed until allowedAllocations reaches 0; that one
// fails, once. A store told so fails in the middle of a Run without any hook in the
// machine. In a file of its own so that the compiler does not pair these with its own.

#include <cstdlib>
#include <new>

namespace testalloc {
int allowedAllocations = -1; // -1: every allocation succeeds
} // namespace testalloc

void* operator new(std::size_t size) {
    if (testalloc::allowedAllocations == 0) {
        testalloc::allowedAllocations = -1;
        throw std::bad_alloc();
    }
    if (testalloc::allowedAllocations > 0) --testalloc::allowedAllocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

// Main memory's slabs are aligned allocations.
void* operator new(std::size_t size, std::align_val_t align) {
    if (testalloc::allowedAllocations == 0) {
        testalloc::allowedAllocations = -1;
        throw std::bad_alloc();
    }
    if (testalloc::allowedAllocations > 0) --testalloc::allowedAllocations;
    const std::size_t alignment = static_cast<std::size_t>(align);
    if (void* p = std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
