#pragma once

#include <QDeadlineTimer>
#include <QImage>
#include <QString>

typedef struct _GstElement GstElement;

namespace lanesim::testing {

// An RTSP client decoding H.264 to BGRx frames, as a console's player would.
class RtspPlayer {
 public:
  explicit RtspPlayer(const QString& url);
  RtspPlayer(const RtspPlayer&) = delete;
  RtspPlayer& operator=(const RtspPlayer&) = delete;
  ~RtspPlayer();

  // The next decoded frame, or a null image when none came in time.
  QImage NextFrame(const QDeadlineTimer& deadline);

 private:
  GstElement* pipeline_ = nullptr;
  GstElement* sink_ = nullptr;
};

}  // namespace lanesim::testing
