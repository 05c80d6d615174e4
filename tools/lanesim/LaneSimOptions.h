#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdint>
#include <optional>

#include "PushFormat.h"
#include "onvif/OnvifSettings.h"

namespace lanesim {

enum class LineKind { None, Pty, Tcp };

struct Options {
  LineKind line = LineKind::None;
  QString link;                           // --pty
  std::uint16_t port = 0;                 // --tcp; 0 lets the system choose
  std::optional<std::uint16_t> rtspPort;  // 0 lets the system choose
  int baud = 9600;
  bool quiet = false;
  QUrl pushUrl;  // --push; empty when plates go nowhere
  PushFormat pushFormat = PushFormat::Console;
  std::optional<std::uint16_t> onvifPort;  // 0 lets the system choose
  onvif::Settings onvif;
};

struct ParsedOptions {
  enum class Outcome { Run, Help, Version, Invalid };
  Outcome outcome = Outcome::Invalid;
  Options options;
  // Help: the help text; Version: "lanesim VERSION"; Invalid: what is wrong, in one line.
  QString text;
};

// `arguments` as QCoreApplication::arguments() has them, the program first.
// The help's usage line names the program only once a QCoreApplication exists.
ParsedOptions ParseOptions(const QStringList& arguments);

}  // namespace lanesim
