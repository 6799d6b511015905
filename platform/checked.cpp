#include "platform/checked.h"

#include <cmath>

namespace fururupo {

namespace {

const char* describe(RuntimeError::Kind kind)
{
    switch (kind) {
    case RuntimeError::Kind::Overflow:
        return "オーバーフローしました。";
    case RuntimeError::Kind::IndexOutOfRange:
        return "インデックスが有効範囲にありません。";
    }
    return "実行時エラーが発生しました。";
}

void raiseIf(bool overflowed)
{
    if (overflowed)
        throw RuntimeError(RuntimeError::Kind::Overflow);
}

} // namespace

RuntimeError::RuntimeError(Kind kind) : std::runtime_error(describe(kind)), kind_(kind)
{
}

std::int16_t add16(std::int16_t a, std::int16_t b)
{
    std::int16_t result;
    raiseIf(__builtin_add_overflow(a, b, &result));
    return result;
}

std::int16_t subtract16(std::int16_t a, std::int16_t b)
{
    std::int16_t result;
    raiseIf(__builtin_sub_overflow(a, b, &result));
    return result;
}

std::int32_t add32(std::int32_t a, std::int32_t b)
{
    std::int32_t result;
    raiseIf(__builtin_add_overflow(a, b, &result));
    return result;
}

std::int32_t subtract32(std::int32_t a, std::int32_t b)
{
    std::int32_t result;
    raiseIf(__builtin_sub_overflow(a, b, &result));
    return result;
}

std::int16_t narrow16(std::int32_t value)
{
    std::int16_t result;
    raiseIf(__builtin_add_overflow(value, 0, &result));
    return result;
}

std::int16_t roundToInt16(double value)
{
    // nearbyint follows the current rounding mode, which this program never changes from round-half-to-even.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -32768.0 && rounded <= 32767.0))
        throw RuntimeError(RuntimeError::Kind::Overflow);
    return static_cast<std::int16_t>(rounded);
}

std::size_t checkIndex(std::int32_t index, std::size_t size)
{
    if (index < 0 || static_cast<std::size_t>(index) >= size)
        throw RuntimeError(RuntimeError::Kind::IndexOutOfRange);
    return static_cast<std::size_t>(index);
}

std::u16string decimal(std::int32_t value)
{
    // Work in the negative range, which holds every 32-bit value, so the lowest one needs no special case.
    std::u16string digits;
    std::int32_t rest = value < 0 ? value : -value;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' - rest % 10));
        rest /= 10;
    } while (rest != 0);
    if (value < 0)
        digits.insert(digits.begin(), u'-');
    return digits;
}

} // namespace fururupo
