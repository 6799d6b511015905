#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace fururupo {

// A run-time error of the program: overflow, an index outside its slots. Its description is short Japanese text
// (UTF-8), because the player is the one who reads it.
class RuntimeError : public std::runtime_error
{
public:
    enum class Kind { Overflow, IndexOutOfRange };

    explicit RuntimeError(Kind kind);

    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// Signed arithmetic that raises RuntimeError(Overflow) instead of wrapping.
std::int16_t add16(std::int16_t a, std::int16_t b);
std::int16_t subtract16(std::int16_t a, std::int16_t b);
std::int32_t add32(std::int32_t a, std::int32_t b);
std::int32_t subtract32(std::int32_t a, std::int32_t b);

// Narrows to 16 bits, raising RuntimeError(Overflow) outside -32768..32767.
std::int16_t narrow16(std::int32_t value);

// Rounds to the nearest integer, a half to the even neighbour, and narrows to 16 bits; raises RuntimeError(Overflow)
// outside -32768..32767 (NaN included).
std::int16_t roundToInt16(double value);

// Raises RuntimeError(IndexOutOfRange) unless 0 <= index < size; returns index for use in a subscript.
std::size_t checkIndex(std::int32_t index, std::size_t size);

// The decimal digits of a 32-bit integer, with a minus sign only when negative.
std::u16string decimal(std::int32_t value);

} // namespace fururupo
