// Random numbers for the scrambler: a source of whole numbers in 0..32767.
#pragma once

#include <cstdint>

namespace quorvale {

class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // A number in 0..32767.
  virtual int Next() = 0;
};

// The classic 15-bit linear congruential generator, identical on every platform, so that a run
// with a given seed and input always gives the same grouping.
class Lcg15 final : public RandomSource {
 public:
  explicit Lcg15(uint32_t seed = 1) : state_(seed) {}
  void Seed(uint32_t seed) { state_ = seed; }
  int Next() override {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFFu);
  }

 private:
  uint32_t state_;
};

}  // namespace quorvale
