#include "FieldLaneConsole.h"

namespace {

std::unique_ptr<field::StreamVideo> StreamOf(const field::FieldLaneSettings& lane) {
  if (!lane.video) return nullptr;
  return std::make_unique<field::StreamVideo>(lane.video->url, lane.video->latencyMs);
}

std::unique_ptr<field::PlateReceiver> ReceiverOf(const field::FieldLaneSettings& lane) {
  if (!lane.plates) return nullptr;
  return std::make_unique<field::PlateReceiver>(*lane.plates);
}

}  // namespace

FieldLaneConsole::FieldLaneConsole(const field::FieldLaneSettings& lane,
                                   MessageBoxSink& messageBoxes, const QString& pictureDirectory,
                                   const QString& sessionLogPath, std::function<void(int)> pause)
    : stream(StreamOf(lane)),
      plates(ReceiverOf(lane)),
      sdk(lane.serial, stream.get(), plates.get()) {
  // The title names the port actually bound, also when any was asked for.
  field::FieldLaneSettings attached = lane;
  QString listenError;
  if (plates && plates->Start(listenError)) attached.plates->port = plates->Port();
  camera::VideoBackend* video =
      stream ? static_cast<camera::VideoBackend*>(stream.get()) : &noVideo;
  window = std::make_unique<TfmVideoStream>(ConsoleSeams{&sdk, video, std::move(pause),
                                                         &messageBoxes, pictureDirectory,
                                                         sessionLogPath, attached.Describe()});
  if (!listenError.isEmpty()) window->AppendMessage(QStringLiteral("车牌接收: ") + listenError);
  if (stream) {
    QObject::connect(stream.get(), &field::StreamVideo::Unavailable, window.get(),
                     [window = window.get()](const QString& notice) {
                       window->AppendMessage(QStringLiteral("视频不可用: ") + notice);
                     });
  }
}
