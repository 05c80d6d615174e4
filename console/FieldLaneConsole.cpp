#include "FieldLaneConsole.h"

namespace {

std::unique_ptr<field::StreamVideo> StreamOf(const field::FieldLaneSettings& lane) {
  if (!lane.video) return nullptr;
  return std::make_unique<field::StreamVideo>(lane.video->url, lane.video->latencyMs);
}

}  // namespace

FieldLaneConsole::FieldLaneConsole(const field::FieldLaneSettings& lane,
                                   MessageBoxSink& messageBoxes, const QString& pictureDirectory,
                                   const QString& sessionLogPath, std::function<void(int)> pause)
    : stream(StreamOf(lane)), sdk(lane.serial, stream.get()) {
  camera::VideoBackend* video =
      stream ? static_cast<camera::VideoBackend*>(stream.get()) : &noVideo;
  window = std::make_unique<TfmVideoStream>(ConsoleSeams{&sdk, video, std::move(pause),
                                                         &messageBoxes, pictureDirectory,
                                                         sessionLogPath, lane.Describe()});
}
