#pragma once

#include <QString>
#include <optional>

namespace field {

// A lane's serial bus as the engineer names it: a tty (a device path, a
// pseudo-terminal or a link to one) or a serial device server in TCP server
// mode ("tcp:HOST:PORT"), whose own settings fix the bus's speed and framing.
struct LineSettings {
  enum class Parity { None, Even, Odd };

  QString port;
  int baud = 9600;
  int dataBits = 8;
  Parity parity = Parity::None;
  int stopBits = 1;
  bool discardEcho = false;
  // Typed after --rx-gap; unset, it follows from the rate.
  std::optional<int> rxGapMs;

  // USB adapters hand bytes over on a latency timer of up to 16 ms: a shorter
  // gap would split a reply.
  static constexpr int kShortestRxGapMs = 20;
  // How long the line must be silent before what came is one chunk: 3.5
  // character times at the line's rate, at least kShortestRxGapMs.
  int RxGapMs() const;

  bool IsDeviceServer() const;
  QString Host() const;     // of a device server
  quint16 TcpPort() const;  // of a device server
  // "/dev/ttyUSB0 9600 8N1", or "tcp:HOST:PORT".
  QString Describe() const;
};

// The settings as typed after --serial, --baud, --data-bits, --parity,
// --stop-bits and --rx-gap, or their defaults where none was typed; an empty
// gap is worked out from the rate.
struct LineSettingTexts {
  QString port;
  QString baud;
  QString dataBits;
  QString parity;
  QString stopBits;
  QString rxGap;
};

// The line, or nothing with `error` naming the option that is wrong in one
// line ("--baud: ..."). The echo setting is the caller's.
std::optional<LineSettings> ParseLineSettings(const LineSettingTexts& texts, QString& error);

// Each parser gives the value, or nothing with `error` saying why in one line.
std::optional<QString> ParsePort(const QString& text, QString& error);
std::optional<int> ParseBaud(const QString& text, QString& error);
std::optional<int> ParseDataBits(const QString& text, QString& error);
std::optional<LineSettings::Parity> ParseParity(const QString& text, QString& error);
std::optional<int> ParseStopBits(const QString& text, QString& error);
// Milliseconds, 0 to kLongestRxGapMs.
std::optional<int> ParseRxGap(const QString& text, QString& error);
inline constexpr int kLongestRxGapMs = 10000;

}  // namespace field
