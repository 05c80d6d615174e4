#include "ScreenRouter.h"

namespace virtual_lane {

void ScreenRouter::Record(std::uint8_t number, const QString& text) {
  if (number < 1 || number > 4) {
    Digit(number, text);
    return;
  }
  if (number == 1) {
    twoLineBeforeRun_ = twoLine_;
    runLast_ = 1;
    twoLine_[0] = text;
    return;
  }
  if (number != runLast_ + 1) {
    runLast_ = 0;
    Line(number, text);
    return;
  }
  runLast_ = number;
  if (number == 2) {
    twoLine_[1] = text;
  } else if (number == 3) {
    fourLine_[0] = twoLine_[0];
    fourLine_[1] = twoLine_[1];
    fourLine_[2] = text;
    twoLine_ = twoLineBeforeRun_;
  } else {
    fourLine_[3] = text;
    runLast_ = 0;
  }
}

void ScreenRouter::Lines(std::span<const LineText> lines) {
  runLast_ = 0;
  bool fourLine = false;
  for (const auto& line : lines) fourLine = fourLine || line.number > 2;
  for (const auto& line : lines) {
    if (line.number < 1 || line.number > 4) continue;
    if (fourLine) {
      fourLine_[line.number - 1] = line.text;
    } else {
      twoLine_[line.number - 1] = line.text;
    }
  }
}

void ScreenRouter::Digit(std::uint8_t number, const QString& text) {
  runLast_ = 0;
  digitNumber_ = number;
  digitText_ = text;
}

void ScreenRouter::Line(std::uint8_t number, const QString& text) {
  if (number <= 2) {
    twoLine_[number - 1] = text;
  } else {
    fourLine_[number - 1] = text;
  }
}

}  // namespace virtual_lane
