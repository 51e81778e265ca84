#pragma once
// An append-only sequence of plain values kept in fixed pages of 4 KiB, so that a series of
// millions of temperatures costs its 2 bytes per value and nothing for spare capacity: growing
// never copies what is stored, and at most one page per series is partly empty. The first page
// starts small and doubles up to a full page, so that the many short series of a notebook or a
// short run stay small too. Reading by index is two shifts and a mask. Full pages come from the
// shared page pool (SeriesPages), the smaller first pages from the allocator.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

#include "model/SeriesPages.h"

namespace drumo {

template <class T>
class Series {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    static constexpr size_t PageBytes = SeriesPages::PageBytes;
    static constexpr size_t PageSize = PageBytes / sizeof(T);
    static_assert((PageSize & (PageSize - 1)) == 0, "page size must be a power of two");
    static constexpr size_t FirstCapacity = 16;

    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = const T*;
        using reference = const T&;

        const_iterator() = default;
        const_iterator(const Series* s, size_t i) : s_(s), i_(i) {}
        reference operator*() const { return (*s_)[i_]; }
        reference operator[](difference_type n) const { return (*s_)[i_ + n]; }
        const_iterator& operator++() { ++i_; return *this; }
        const_iterator operator++(int) { auto t = *this; ++i_; return t; }
        const_iterator& operator--() { --i_; return *this; }
        const_iterator operator--(int) { auto t = *this; --i_; return t; }
        const_iterator& operator+=(difference_type n) { i_ += n; return *this; }
        const_iterator& operator-=(difference_type n) { i_ -= n; return *this; }
        friend const_iterator operator+(const_iterator a, difference_type n) { return a += n; }
        friend const_iterator operator+(difference_type n, const_iterator a) { return a += n; }
        friend const_iterator operator-(const_iterator a, difference_type n) { return a -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b) {
            return static_cast<difference_type>(a.i_) - static_cast<difference_type>(b.i_);
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.i_ == b.i_; }
        friend auto operator<=>(const const_iterator& a, const const_iterator& b) { return a.i_ <=> b.i_; }

    private:
        const Series* s_ = nullptr;
        size_t i_ = 0;
    };

    Series() = default;
    ~Series() { FreePages(0); }
    Series(Series&& other) noexcept { *this = std::move(other); }
    Series& operator=(Series&& other) noexcept {
        if (this != &other) {
            FreePages(0);
            pages_ = std::move(other.pages_);
            size_ = std::exchange(other.size_, 0);
            firstCapacity_ = std::exchange(other.firstCapacity_, 0);
            next_ = std::exchange(other.next_, nullptr);
            end_ = std::exchange(other.end_, nullptr);
            other.pages_.clear();
        }
        return *this;
    }
    Series(const Series&) = delete;
    Series& operator=(const Series&) = delete;

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const T& operator[](size_t k) const { return pages_[k / PageSize][k % PageSize]; }
    T& operator[](size_t k) { return pages_[k / PageSize][k % PageSize]; }
    const T& back() const { return (*this)[size_ - 1]; }
    T& back() { return (*this)[size_ - 1]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size_}; }

    // The stored values page by page, for readers that copy or scan whole series quickly.
    size_t PageCount() const { return (size_ + PageSize - 1) / PageSize; }
    std::span<const T> Page(size_t p) const {
        const size_t first = p * PageSize;
        return {pages_[p], std::min(PageSize, size_ - first)};
    }

    void push_back(T value) {
        if (next_ == end_) Grow();
        *next_++ = value;
        ++size_;
    }

    // Appends values a page at a time.
    void Append(std::span<const T> values) {
        while (!values.empty()) {
            if (next_ == end_) Grow();
            const size_t room = std::min(values.size(), static_cast<size_t>(end_ - next_));
            std::memcpy(next_, values.data(), room * sizeof(T));
            next_ += room;
            size_ += room;
            values = values.subspan(room);
        }
    }

    // Grows with `fill` or drops values from the end; dropping frees whole pages.
    void resize(size_t n, T fill) {
        while (size_ < n) push_back(fill);
        if (n < size_) {
            size_ = n;
            FreePages(PageCount());
            SetTail();
        }
    }

    void clear() { resize(0, T{}); }

    // Bytes held for the values, for memory accounting.
    size_t CapacityBytes() const {
        if (pages_.empty()) return 0;
        return (firstCapacity_ + (pages_.size() - 1) * PageSize) * sizeof(T);
    }

private:
    // Makes room for the next value: a bigger first page, or a new page.
    void Grow() {
        if (size_ < PageSize) {
            const size_t grown = firstCapacity_ == 0 ? FirstCapacity : std::min(PageSize, firstCapacity_ * 2);
            if (pages_.empty()) pages_.reserve(1);
            T* const page = grown == PageSize ? static_cast<T*>(SeriesPages::Take()) : new T[grown];
            if (size_ > 0) std::memcpy(page, pages_[0], size_ * sizeof(T));
            if (pages_.empty()) {
                pages_.push_back(page);
            } else {
                FreePage(pages_[0], firstCapacity_);
                pages_[0] = page;
            }
            firstCapacity_ = grown;
        } else if (size_ / PageSize == pages_.size()) {
            pages_.reserve(pages_.size() + 1);
            pages_.push_back(static_cast<T*>(SeriesPages::Take()));
        }
        SetTail();
    }

    static void FreePage(T* page, size_t capacity) {
        if (capacity == PageSize) {
            SeriesPages::Give(page);
        } else {
            delete[] page;
        }
    }

    // Gives back the pages from `first` on.
    void FreePages(size_t first) {
        for (size_t p = first; p < pages_.size(); ++p) FreePage(pages_[p], p == 0 ? firstCapacity_ : PageSize);
        pages_.resize(std::min(first, pages_.size()));
        if (pages_.empty()) firstCapacity_ = 0;
    }

    // Points next_ and end_ at the free part of the page that the next value goes to.
    void SetTail() {
        const size_t page = size_ / PageSize;
        if (page >= pages_.size()) {
            next_ = end_ = nullptr;
            return;
        }
        const size_t capacity = page == 0 ? firstCapacity_ : PageSize;
        next_ = pages_[page] + size_ % PageSize;
        end_ = pages_[page] + capacity;
    }

    std::vector<T*> pages_;  // owned: the first as firstCapacity_ says, every later one a pool page
    size_t size_ = 0;
    size_t firstCapacity_ = 0;  // the first page grows to PageSize; every later page is full size
    T* next_ = nullptr;         // where the next value goes
    T* end_ = nullptr;          // end of the room in that page
};

}  // namespace drumo
