#pragma once
// The byte buffer of an IJVM image (the method area and the constant pool). The code
// generator allocates what it will write and appends at the count. An append past the
// allocated size grows the buffer instead of writing beyond it, so a miscounted
// allocation can never corrupt memory.

#include "support/Catalogue.h"
#include "support/FatalError.h"

#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

namespace tarveno {

class ImageBytes {
  public:
    // Provides n bytes (none for n below 1) and sets the count to 0.
    void allocate(int32_t n) {
        bytes_.clear();
        guarded([&] { bytes_.reserve(n > 0 ? static_cast<size_t>(n) : 0); });
    }

    void append8(uint8_t value) {
        guarded([&] { bytes_.push_back(value); });
    }
    // High byte first.
    void append16(uint16_t value) {
        append8(static_cast<uint8_t>(value >> 8));
        append8(static_cast<uint8_t>(value));
    }
    // Low byte first.
    void append32(uint32_t value) {
        for (int k = 0; k < 4; ++k)
            append8(static_cast<uint8_t>(value >> (8 * k)));
    }

    // Bytes written so far.
    int32_t count() const { return static_cast<int32_t>(bytes_.size()); }
    const uint8_t* data() const { return bytes_.data(); }

    uint8_t at(int32_t i) const {
        if (i < 0 || i >= count()) fatal(message(Text::ImageIndex));
        return bytes_[static_cast<size_t>(i)];
    }
    // The 32-bit word written low byte first at byte offset i.
    int32_t word32(int32_t i) const {
        uint32_t w = 0;
        for (int k = 3; k >= 0; --k)
            w = (w << 8) | at(i + k);
        return static_cast<int32_t>(w);
    }

  private:
    template <class F> static void guarded(F&& f) {
        try {
            f();
        } catch (const std::bad_alloc&) {
            fatal(message(Text::ImageMemory));
        } catch (const std::length_error&) {
            fatal(message(Text::ImageMemory));
        }
    }

    std::vector<uint8_t> bytes_;
};

} // namespace tarveno
