#pragma once

#include <QString>
#include <QUrl>
#include <optional>

#include "SoapCall.h"
#include "SoapReply.h"

namespace lanesim::onvif {

inline constexpr char kProfileToken[] = "Profile_1";

// Media ver10 or ver20 over the lane's one video source and one profile.
class MediaService {
 public:
  enum class Version { Ver10, Ver20 };

  // `stream` is the lane's RTSP address with its host already the one the
  // camera names, or nullopt without video.
  MediaService(Version version, QString base, std::optional<QUrl> stream);

  HttpReply Handle(const SoapCall& call) const;

 private:
  HttpReply Uri(const SoapCall& call, bool snapshot) const;
  QString Profiles() const;
  QString SourceConfigurations() const;

  Version version_;
  QString base_;
  std::optional<QUrl> stream_;
};

}  // namespace lanesim::onvif
