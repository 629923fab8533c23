#pragma once
// Fixed-size array with a reversed-index mode, and the digit conversion built on it
// (the binary readouts of the microinstruction use it).

#include "support/Conversions.h"
#include "support/FatalError.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarveno {

template <class T> class Array {
  public:
    explicit Array(int32_t size) {
        if (size < 0) fatal("Errore nella funzione Array::Array");
        storage_.resize(static_cast<size_t>(size));
        size_ = size;
    }

    T& operator[](int32_t i) {
        if (i < 0 || i >= size_) fatal("Errore nella funzione Array::operator[](int)\nIndice fuori limite");
        return storage_[static_cast<size_t>(reversed_ ? size_ - 1 - i : i)];
    }
    const T& operator[](int32_t i) const { return const_cast<Array&>(*this)[i]; }

    int32_t size() const { return size_; }
    bool reversed() const { return reversed_; }
    void setReversed(bool reversed) { reversed_ = reversed; }

  private:
    std::vector<T> storage_;
    bool reversed_ = false;
    int32_t size_ = 0;
};

// The digits of value in radix, most significant first (at least one digit).
template <class T> Array<T> toDigits(T value, uint32_t radix) {
    Array<T> digits(static_cast<int32_t>(digitCount(static_cast<uint32_t>(value), radix)));
    digits.setReversed(true);
    int32_t i = 0;
    do {
        digits[i++] = static_cast<T>(value % radix);
        value = static_cast<T>(value / radix);
    } while (value != 0);
    digits.setReversed(false);
    return digits;
}

// The digits of value zero-padded on the left to width (never cut). Radix 256 writes
// each digit as one byte; radix 16 writes A-F; a digit of 10 or more in any other
// radix is not supported and writes nothing.
template <class T> std::string toText(T value, uint32_t radix, int32_t width) {
    Array<T> digits = toDigits(value, radix);
    std::string out;
    if (digits.size() < width) out.append(static_cast<size_t>(width - digits.size()), '0');
    for (int32_t i = 0; i < digits.size(); ++i) {
        auto d = static_cast<uint32_t>(digits[i]);
        if (radix == 256)
            out += static_cast<char>(d);
        else if (d < 10)
            out += static_cast<char>('0' + d);
        else if (radix == 16)
            out += static_cast<char>('A' + d - 10);
    }
    return out;
}

} // namespace tarveno
