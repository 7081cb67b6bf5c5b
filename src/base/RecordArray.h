#pragma once

#include <cstddef>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>
#include <utility>

#include "base/FreshMemory.h"

// A growing array of plain records for the lists a scan fills, which may
// reach millions of entries before their size is known. Its blocks are those
// of allocateBlock, in large pages once large: growing copies the records
// kept so far, which costs less than the fresh small pages a vector's
// doubling would touch.
template <typename T>
class RecordArray {
    static_assert(std::is_trivially_copyable_v<T>, "records are moved as bytes");

public:
    RecordArray() = default;
    RecordArray(const RecordArray&) = delete;
    RecordArray& operator=(const RecordArray&) = delete;
    RecordArray(RecordArray&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)),
          size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0))
    {
    }
    RecordArray& operator=(RecordArray&& other) noexcept
    {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
        return *this;
    }
    ~RecordArray() { freeBlock(data_, capacity_ * sizeof(T)); }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    T& operator[](std::size_t index) { return data_[index]; }
    const T& operator[](std::size_t index) const { return data_[index]; }
    T& back() { return data_[size_ - 1]; }
    const T& back() const { return data_[size_ - 1]; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }

    void reserve(std::size_t count)
    {
        if (count > capacity_)
            reallocate(count);
    }
    void push_back(const T& record)
    {
        if (size_ == capacity_)
            reallocate(grownCapacity(size_ + 1));
        data_[size_++] = record;
    }
    void append(const T* records, std::size_t count)
    {
        if (count > std::numeric_limits<std::size_t>::max() - size_)
            throw std::bad_alloc();
        if (count > capacity_ - size_)
            reallocate(grownCapacity(size_ + count));
        std::memcpy(data_ + size_, records, count * sizeof(T));
        size_ += count;
    }

private:
    std::size_t grownCapacity(std::size_t needed) const
    {
        const std::size_t doubled = capacity_ > std::numeric_limits<std::size_t>::max() / 2 ? needed : 2 * capacity_;
        return needed > doubled ? needed : doubled;
    }
    void reallocate(std::size_t capacity)
    {
        if (capacity > std::numeric_limits<std::size_t>::max() / sizeof(T))
            throw std::bad_alloc();
        // The whole block is room: a large one holds whole large pages.
        const std::size_t bytes = usableBytes(capacity * sizeof(T));
        T* grown = static_cast<T*>(allocateBlock(bytes));
        if (size_ > 0)
            std::memcpy(grown, data_, size_ * sizeof(T));
        freeBlock(data_, capacity_ * sizeof(T));
        data_ = grown;
        capacity_ = bytes / sizeof(T);
    }

    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};
