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

  bool IsDeviceServer() const;
  QString Host() const;     // of a device server
  quint16 TcpPort() const;  // of a device server
  // "/dev/ttyUSB0 9600 8N1", or "tcp:HOST:PORT".
  QString Describe() const;
};

// The settings as typed after --serial, --baud, --data-bits, --parity and
// --stop-bits, or their defaults where none was typed.
struct LineSettingTexts {
  QString port;
  QString baud;
  QString dataBits;
  QString parity;
  QString stopBits;
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

}  // namespace field
