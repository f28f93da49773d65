// Prepared HDRI images kept between frames. Converting and blurring an HDRI is the
// heaviest work of an environment-lit frame, and its result depends only on the
// HDRI's content and the two blur widths: a sequence with a fixed HDRI prepares it
// once. Entries are shared, so one evicted while a frame still reads it lives until
// that frame lets go. Every back end keeps one of these (the CPU one for the process,
// each GPU device its own).
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>

namespace morvel {

// What decides a prepared image pair. The hash covers every pixel of the HDRI as
// the effect was handed it (so two HDRIs that convert alike may still differ here,
// never the other way round); sigmas are compared bit for bit.
struct PreparedHdriKey {
    uint64_t hash[2] = {0, 0};
    int32_t width = 0;
    int32_t height = 0;
    int32_t depth = 0;  // 8, 16 or 32 bits per channel of the hashed pixels
    float diffuse_sigma = 0.0f;
    float specular_sigma = 0.0f;

    bool operator==(const PreparedHdriKey& o) const;
};

// Two independent 64-bit hashes over `rows` rows of `row_length` bytes each,
// rows `row_bytes` apart (bytes past a row's length, the padding, are not read).
void HashRows(const void* pixels, std::ptrdiff_t row_bytes, int rows, std::size_t row_length, uint64_t out[2]);

inline constexpr std::size_t kPreparedHdriMaxEntries = 4;
inline constexpr std::size_t kPreparedHdriMaxBytes = std::size_t{1} << 30;

// Least recently used first out, bounded by an entry count and by the bytes held.
// An entry larger than the byte bound is handed back but not kept. Thread safe.
template <typename Images>
class PreparedHdriCache {
public:
    explicit PreparedHdriCache(std::size_t max_entries = kPreparedHdriMaxEntries,
                               std::size_t max_bytes = kPreparedHdriMaxBytes)
        : max_entries_(max_entries), max_bytes_(max_bytes) {}

    std::shared_ptr<const Images> Find(const PreparedHdriKey& key) {
        std::lock_guard lock(mutex_);
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->key == key) {
                entries_.splice(entries_.begin(), entries_, it);
                return entries_.front().images;
            }
        }
        return nullptr;
    }

    void Insert(const PreparedHdriKey& key, std::shared_ptr<const Images> images, std::size_t bytes) {
        if (!images || bytes > max_bytes_ || max_entries_ == 0) return;
        std::lock_guard lock(mutex_);
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->key == key) {  // two frames prepared the same HDRI at once
                bytes_ -= it->bytes;
                entries_.erase(it);
                break;
            }
        }
        entries_.push_front(Entry{key, std::move(images), bytes});
        bytes_ += bytes;
        while (entries_.size() > max_entries_ || bytes_ > max_bytes_) {
            bytes_ -= entries_.back().bytes;
            entries_.pop_back();
        }
    }

    void Clear() {
        std::list<Entry> gone;
        {
            std::lock_guard lock(mutex_);
            gone.swap(entries_);
            bytes_ = 0;
        }
    }

    std::size_t size() const {
        std::lock_guard lock(mutex_);
        return entries_.size();
    }
    std::size_t bytes() const {
        std::lock_guard lock(mutex_);
        return bytes_;
    }

private:
    struct Entry {
        PreparedHdriKey key;
        std::shared_ptr<const Images> images;
        std::size_t bytes = 0;
    };
    mutable std::mutex mutex_;
    std::list<Entry> entries_;
    std::size_t bytes_ = 0;
    std::size_t max_entries_;
    std::size_t max_bytes_;
};

}  // namespace morvel
