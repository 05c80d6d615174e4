#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace field {

// The lane's camera reached through ONVIF, as the engineer names it:
// onvif://[USER[:PASSWORD]@]HOST[:PORT][/PATH], HOST "{address}" standing for
// the address typed in the window.
struct CameraSettings {
  static constexpr int kDefaultPort = 80;
  static constexpr int kDefaultGatePulseMs = 1000;

  QString host;  // "{address}" or a fixed host
  int port = kDefaultPort;
  QString path = QStringLiteral("/onvif/device_service");
  QString user;
  // Kept in memory only; never in the pane, the log, the title or a box.
  QString password;
  QString profile;  // name or token; empty: the first profile
  QString relay;    // token; empty: the first relay output
  int gatePulseMs = kDefaultGatePulseMs;

  // The device service for the address typed in the window.
  QUrl DeviceService(const QString& typedAddress) const;
  // "onvif://admin@127.0.0.1:8080", for the window title: no password.
  QString Describe() const;
};

// `text` as given to --camera, or nothing with `error` saying why.
std::optional<CameraSettings> ParseCameraUrl(const QString& text, QString& error);

}  // namespace field
