#pragma once

#include <QString>
#include <chrono>

namespace lanesim::onvif {

enum class AuthMode { Token, Digest, Both };

struct MediaVersions {
  bool ver10 = true;
  bool ver20 = true;
};

// How the virtual lane presents itself as an ONVIF camera.
struct Settings {
  QString user = QStringLiteral("admin");
  QString password = QStringLiteral("admin");
  AuthMode auth = AuthMode::Both;
  MediaVersions media;
  // The camera's clock runs this far ahead of the machine's (behind when negative).
  std::chrono::seconds clockOffset{0};
  // Named in every address handed out; the server itself listens on 127.0.0.1.
  QString host = QStringLiteral("127.0.0.1");
};

}  // namespace lanesim::onvif
