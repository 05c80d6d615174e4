#pragma once

#include <QString>

namespace field {

// Control characters a sender or a mapping file put in a quoted value, written
// as escapes, so that a reason stays one line in the pane and the answer.
inline QString OnOneLine(const QString& text) {
  QString line;
  line.reserve(text.size());
  for (const QChar c : text) {
    if (c == u'\n') {
      line += QStringLiteral("\\n");
    } else if (c == u'\r') {
      line += QStringLiteral("\\r");
    } else if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
      line += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    } else {
      line += c;
    }
  }
  return line;
}

// A fault that ends a message's mapping at once: one line, plain English, for
// a 400 answer and the pane. Only the mapping's entry points catch it.
struct Refusal {
  Refusal(const QString& text) : reason(OnOneLine(text)) {}
  QString reason;
};

inline QString Quoted(const QString& name) {
  return u'"' + name + u'"';
}

[[noreturn]] inline void Refuse(const QString& name, const QString& what) {
  throw Refusal{Quoted(name) + u' ' + what};
}

}  // namespace field
