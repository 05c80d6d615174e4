#pragma once

#include <QString>
#include <random>

namespace virtual_lane {

// Plates as the lane's cars carry them: province, letter, five letters or
// digits (粤B12345). Seeded, so a lane's cars come in the same order each run.
class PlateGenerator {
 public:
  explicit PlateGenerator(std::uint32_t seed) : random_(seed) {}
  QString Next();

 private:
  std::mt19937 random_;
};

}  // namespace virtual_lane
