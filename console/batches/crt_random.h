#pragma once

#include <cstdint>

// The C runtime's rand()/srand() generator, with a state of its own so that nothing else
// drawing random numbers in the process can shift the codes.
class CrtRandom final {
public:
    CrtRandom() = default;
    explicit CrtRandom(std::uint32_t seed) : m_state(seed) {}

    void Seed(std::uint32_t seed) { m_state = seed; }
    // Next value in 0..32767.
    int Next();

private:
    std::uint32_t m_state = 1; // srand(1) is the runtime's start state
};
