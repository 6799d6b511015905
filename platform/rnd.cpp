#include "platform/rnd.h"

namespace fururupo {

float Rnd::next()
{
    constexpr std::uint32_t multiplier = 1140671485u;
    constexpr std::uint32_t increment = 12820163u;
    constexpr std::uint32_t mask = (1u << 24) - 1;
    state = (state * multiplier + increment) & mask;
    return static_cast<float>(state) / static_cast<float>(1u << 24);
}

float rnd()
{
    static Rnd sequence;
    return sequence.next();
}

} // namespace fururupo
