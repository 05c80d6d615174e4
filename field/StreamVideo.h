#pragma once

#include <QImage>
#include <QMutex>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <memory>

#include "VideoBackend.h"
#include "VideoOutput.h"

namespace field {

struct Playback;

// The video control of a field lane: any stream GStreamer plays (RTSP H.264
// or H.265, HTTP MJPEG, a file) at the URL given on the command line, with
// "{address}" replaced by the address the engineer connects with. A failed
// stream says so in the video area and is tried again, never more than
// kLongestRetryMs apart; a camera that accepts the connection but sends
// nothing counts as failed after kUnansweredMs, a stream that stops sending
// pictures after kStalledMs. Without a GStreamer element it needs, the area
// names the element and its package and nothing is retried.
class StreamVideo : public camera::VideoBackend {
  Q_OBJECT

 public:
  static constexpr int kFirstRetryMs = 250;
  static constexpr int kLongestRetryMs = 2000;
  static constexpr int kStalledMs = 2000;
  static constexpr int kUnansweredMs = 5000;

  StreamVideo(QString urlTemplate, int latencyMs, QObject* parent = nullptr);
  ~StreamVideo() override;

  camera::Status PutStreamAddress(const QString& address) override;
  void Paint(QPainter& painter, const QRect& area) override;
  void SetSurface(quintptr surface, QSize size) override;

  // The newest decoded frame at the stream's size; null before the first.
  QImage LastFrame() const;
  // What the video area says when it shows no picture.
  QString State() const { return state_; }
  // Called on the streaming thread for every frame shown (tests, benchmarks).
  void SetFrameObserver(VideoOutput::FrameObserver observer);

 signals:
  void Playing();
  void Failed(const QString& reason);
  // A GStreamer element is missing; said once per address put.
  void Unavailable(const QString& notice);

 private:
  void Start();
  void Stop();
  void Retire(std::unique_ptr<Playback> playback);
  void OnFrameShown(int generation);
  void OnFailure(int generation, const QString& reason);
  void ShowMissing(const QString& element);

  QString urlTemplate_;
  int latencyMs_;
  QString url_;
  quintptr surface_ = 0;
  QSize surfaceSize_;
  std::unique_ptr<Playback> playback_;
  // The newest frame of a stream that ended, for a snapshot taken after it.
  QImage lastFrame_;
  // Each attempt's number: what an older attempt reports late is ignored.
  std::atomic<int> generation_{0};
  bool playing_ = false;
  QString state_;
  QTimer retry_;
  QTimer unanswered_;
  QTimer stalled_;
  int nextRetryMs_ = kFirstRetryMs;
  QMutex observerMutex_;
  VideoOutput::FrameObserver observer_;
  std::atomic<bool> frameNoticePending_{false};
  QThreadPool retiring_;
};

}  // namespace field
