#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <utility>

namespace vonnik {

// An allocator for large arrays of plain numbers whose new memory is zero from the start:
// it takes it from calloc, which hands out fresh pages from the system without writing
// them, and it leaves value-initialised elements as calloc gave them. So a vector of a
// picture's or a lattice's size costs no pass over its memory until the memory is used,
// and pages that are never written are never made resident.
//
// Value-initialisation is skipped, so a vector using it must never shrink and then grow
// again within its capacity: the elements that came back would hold their old values.
// Raster and GridArray, its only users, make a new vector for every new size.
template <typename T>
struct ZeroedAllocator {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
    using value_type = T;

    ZeroedAllocator() = default;
    template <typename U>
    ZeroedAllocator(const ZeroedAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n == 0) n = 1;
        void* p = std::calloc(n, sizeof(T));
        if (!p) throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t) noexcept { std::free(p); }

    // Value-initialisation: the memory is already zero.
    template <typename U>
    void construct(U*) noexcept {}
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <typename U>
    friend bool operator==(const ZeroedAllocator&, const ZeroedAllocator<U>&) noexcept {
        return true;
    }
};

}  // namespace vonnik
