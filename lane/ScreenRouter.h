#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <span>

namespace virtual_lane {

// Which screen a record lands on. Records numbered 1–4 are lines of the
// multi-line screens, any other number addresses the digit screen (the
// console's screen numbers are 120, 122 and 240–255).
//
// Lines 1 and 2 go to the two-line screen as they arrive. A run of records
// 1, 2, 3(, 4) back to back is a four-line set: when its line 3 arrives the
// run moves to the four-line screen and the two-line screen gets back what it
// showed before the run began. A line record that does not continue a run
// (2 without 1 before it, say) goes straight to its screen: lines 1–2 to the
// two-line screen, 3–4 to the four-line screen.
struct LineText {
  std::uint8_t number = 0;
  QString text;
};

class ScreenRouter {
 public:
  void Record(std::uint8_t number, const QString& text);
  // The controller's display commands name their screen themselves.
  // Lines 1–2 only fill the two-line screen, anything up to line 4 the
  // four-line screen.
  void Lines(std::span<const LineText> lines);
  void Digit(std::uint8_t number, const QString& text);
  // Something else came, or the line went quiet: a run is only records back to back.
  void EndRun() { runLast_ = 0; }

  const std::array<QString, 2>& TwoLine() const { return twoLine_; }
  const std::array<QString, 4>& FourLine() const { return fourLine_; }
  int DigitNumber() const { return digitNumber_; }
  const QString& DigitText() const { return digitText_; }

 private:
  void Line(std::uint8_t number, const QString& text);

  std::array<QString, 2> twoLine_;
  std::array<QString, 4> fourLine_;
  std::array<QString, 2> twoLineBeforeRun_;
  int runLast_ = 0;
  int digitNumber_ = 0;
  QString digitText_;
};

}  // namespace virtual_lane
