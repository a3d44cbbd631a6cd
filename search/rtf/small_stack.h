#pragma once
// A stack of plain values for the rich-text reader's groups and font table, kept in
// place while it is shallow, as nearly every document's is; deeper nesting moves it
// to the heap. Owned by one reader, on its thread.
#include <algorithm>
#include <array>
#include <cstddef>
#include <type_traits>
#include <vector>

namespace scandrel::search::rtf {

template <typename T, size_t N>
class SmallStack {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    SmallStack() = default;
    SmallStack(const SmallStack&) = delete;
    SmallStack& operator=(const SmallStack&) = delete;

    bool empty() const { return size_ == 0; }
    size_t size() const { return size_; }
    T& back() { return data_[size_ - 1]; }
    const T& back() const { return data_[size_ - 1]; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }

    // By value: the value may be an element, which growing moves.
    void push_back(T value) {
        if (size_ == capacity_) grow();
        data_[size_++] = value;
    }
    void pop_back() { --size_; }
    void clear() { size_ = 0; }

private:
    void grow() {
        const bool inPlace = data_ == local_.data();
        heap_.resize(capacity_ * 2);
        if (inPlace) std::copy(local_.begin(), local_.end(), heap_.begin());
        data_ = heap_.data();
        capacity_ = heap_.size();
    }

    std::array<T, N> local_;
    std::vector<T> heap_;
    T* data_ = local_.data();
    size_t size_ = 0;
    size_t capacity_ = N;
};

}  // namespace scandrel::search::rtf
