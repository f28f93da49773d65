// Whole images are tens of megabytes of fresh memory, and taking one fault
// per 4 KiB page on first touch costs more than the work done on them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace minihost {

// Maps [data, data + bytes) in with one call instead of a fault per page.
// Only a hint: does nothing where the system cannot, or for small buffers.
void Prefault(void* data, std::size_t bytes);

// Resizes `v` to `n` value-initialised elements, mapping new memory in
// before its first touch.
template <class T>
void ResizeLarge(std::vector<T>& v, std::size_t n) {
    if (n > v.capacity()) {
        // Grows geometrically, as resize would, so growing in steps stays linear.
        const std::size_t capacity = std::max(n, v.capacity() * 2);
        std::vector<T> fresh;
        fresh.reserve(capacity);
        Prefault(fresh.data(), n * sizeof(T));
        fresh.assign(v.begin(), v.end());
        v.swap(fresh);
    }
    v.resize(n);
}

}  // namespace minihost
