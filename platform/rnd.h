#pragma once

#include <cstdint>

namespace fururupo {

// A 24-bit linear congruential sequence over [0, 1). It is never seeded from anything that changes between runs,
// so the n-th value is the same in every run of the program.
class Rnd
{
public:
    static constexpr std::uint32_t initialState = 327680;

    float next();

private:
    std::uint32_t state = initialState;
};

// The one sequence of the whole process: the next value of it.
float rnd();

} // namespace fururupo
