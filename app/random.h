#pragma once
// The movement's random source: uniform single-precision values in [0, 1).

#include <random>

namespace kivano::app {

class RandomSource {
  public:
    virtual ~RandomSource() = default;
    virtual float next() = 0;
};

// Starts from the same fixed state on every run, so a run with the same inputs and timing repeats itself.
class FixedSeedRandom final : public RandomSource {
  public:
    float next() override {
        // The top 24 bits fill a float's mantissa exactly, so the result is uniform and never reaches 1.
        return static_cast<float>(engine_() >> 8U) * 0x1p-24F;
    }

  private:
    std::mt19937 engine_; // default-constructed: the standard fixed seed
};

} // namespace kivano::app
