#include "EchoFilter.h"

namespace field {

QByteArray EchoFilter::Filter(const QByteArray& received) {
  QByteArray passed;
  for (const char byte : received) {
    if (expected_.empty()) {
      passed += byte;
      continue;
    }
    const QByteArray& echo = expected_.front();
    if (byte != echo[held_.size()]) {
      passed += held_;
      passed += byte;
      held_.clear();
      expected_.clear();
      continue;
    }
    held_ += byte;
    if (held_.size() == echo.size()) {
      held_.clear();
      expected_.pop_front();
    }
  }
  return passed;
}

}  // namespace field
