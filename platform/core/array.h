// The program's growable array of plain values (used as Array<int> for the
// line index of the language file). Running out of memory while growing is
// fatal: the registered handler ends the program.
#pragma once
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <type_traits>

// Called when an array cannot grow; it must not return. The program
// registers ErrorState::FatalOutOfMemory; the default aborts.
using OutOfMemoryHandler = void (*)();
OutOfMemoryHandler SetOutOfMemoryHandler(OutOfMemoryHandler handler);
[[noreturn]] void ArrayOutOfMemory();

template <typename T>
class Array {
    static_assert(std::is_trivially_copyable<T>::value, "Array holds plain values");

public:
    Array() = default;
    ~Array() { std::free(elements_); }
    Array(const Array&) = delete;
    Array& operator=(const Array&) = delete;

    int Count() const { return count_; }
    int Capacity() const { return capacity_; }
    T* begin() { return elements_; }
    T* end() { return elements_ + count_; }
    const T* begin() const { return elements_; }
    const T* end() const { return elements_ + count_; }
    T& operator[](int i) { return elements_[i]; }
    const T& operator[](int i) const { return elements_[i]; }

    void Append(T value) {
        if (count_ == capacity_) Grow(count_ + 1);
        elements_[count_++] = value;
    }

    // Makes room for at least `needed` elements: capacity + capacity / 4 + 32
    // at a time, or more when that is not enough.
    void Grow(int needed) {
        if (needed <= capacity_) return;
        long long wanted = static_cast<long long>(capacity_) + capacity_ / 4 + 32;
        if (wanted < needed) wanted = needed;
        // The byte size must fit in 32 bits as well, whatever the platform.
        if (wanted > static_cast<long long>(INT_MAX / sizeof(T))) ArrayOutOfMemory();
        void* grown = std::realloc(elements_, static_cast<std::size_t>(wanted) * sizeof(T));
        if (!grown) ArrayOutOfMemory();
        elements_ = static_cast<T*>(grown);
        capacity_ = static_cast<int>(wanted);
    }

    // Forgets every element and gives the memory back.
    void Clear() {
        std::free(elements_);
        elements_ = nullptr;
        count_ = capacity_ = 0;
    }

private:
    T* elements_ = nullptr;
    int count_ = 0;
    int capacity_ = 0;
};
