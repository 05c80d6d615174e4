#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal standing in for a serial adapter: the test holds the
// device's side, the console opens `Link()` as its port.
class PseudoTerminal {
 public:
  // The link is made in `folder` and re-pointed at each Plug().
  explicit PseudoTerminal(const QString& folder);
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  QString Link() const { return link_; }
  // A new terminal behind the link, as when an adapter is plugged in again.
  void Plug();
  // The device's side goes away: the port's reads fail.
  void Unplug();

  void Write(const QByteArray& bytes);
  // What the console wrote, waiting up to `timeoutMs` for `count` bytes.
  QByteArray Read(qsizetype count, int timeoutMs = 5000);

 private:
  QString link_;
  int device_ = -1;
};
