#pragma once

#include <QString>

namespace field {

// A fault that ends a message's mapping at once: one line, plain English, for
// a 400 answer and the pane. Only the mapping's entry points catch it.
struct Refusal {
  QString reason;
};

inline QString Quoted(const QString& name) {
  return u'"' + name + u'"';
}

[[noreturn]] inline void Refuse(const QString& name, const QString& what) {
  throw Refusal{Quoted(name) + u' ' + what};
}

}  // namespace field
