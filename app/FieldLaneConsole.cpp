#include "FieldLaneConsole.h"

#include <QLineEdit>

#include "PasswordDialog.h"

namespace {

std::unique_ptr<field::StreamVideo> StreamOf(const field::FieldLaneSettings& lane) {
  if (!lane.video) return nullptr;
  return std::make_unique<field::StreamVideo>(lane.video->url, lane.video->latencyMs);
}

std::unique_ptr<field::PlateReceiver> ReceiverOf(const field::FieldLaneSettings& lane) {
  if (!lane.plates) return nullptr;
  return std::make_unique<field::PlateReceiver>(*lane.plates);
}

std::unique_ptr<field::onvif::CameraStreamVideo> CameraVideoOf(
    const field::FieldLaneSettings& lane) {
  if (!lane.camera || lane.video) return nullptr;
  return std::make_unique<field::onvif::CameraStreamVideo>(field::VideoSettings().latencyMs);
}

}  // namespace

FieldLaneConsole::FieldLaneConsole(const field::FieldLaneSettings& lane,
                                   MessageBoxSink& messageBoxes, const QString& pictureDirectory,
                                   const QString& sessionLogPath, std::function<void(int)> pause)
    : stream(StreamOf(lane)),
      cameraVideo(CameraVideoOf(lane)),
      plates(ReceiverOf(lane)),
      askPassword([this](const QString& camera, const QString& user) {
        return AskCameraPassword(window.get(), camera, user);
      }) {
  auto lineAndPlates = std::make_unique<field::FieldCamera>(lane.serial, Video(), plates.get());
  fieldCamera = lineAndPlates.get();
  if (lane.camera) {
    auto onvif = std::make_unique<field::onvif::OnvifCamera>(*lane.camera, std::move(lineAndPlates),
                                                             Video());
    onvifCamera = onvif.get();
    sdk = std::move(onvif);
  } else {
    sdk = std::move(lineAndPlates);
  }
  // The title names the port actually bound, also when any was asked for.
  field::FieldLaneSettings attached = lane;
  QString listenError;
  if (plates && plates->Start(listenError)) attached.plates->port = plates->Port();
  camera::VideoBackend* video = &noVideo;
  if (stream) video = stream.get();
  if (cameraVideo) video = cameraVideo.get();
  window = std::make_unique<TfmVideoStream>(
      ConsoleSeams{sdk.get(), video, std::move(pause), &messageBoxes, pictureDirectory,
                   sessionLogPath, attached.Describe(), &cameraFinder});
  if (!listenError.isEmpty()) window->AppendMessage(QStringLiteral("车牌接收: ") + listenError);
  if (onvifCamera) WireCamera(*lane.camera);
  if (Video() != nullptr) {
    QObject::connect(Video(), &field::StreamVideo::Unavailable, window.get(),
                     [window = window.get()](const QString& notice) {
                       window->AppendMessage(QStringLiteral("视频不可用: ") + notice);
                     });
  }
}

field::StreamVideo* FieldLaneConsole::Video() {
  if (cameraVideo) return &cameraVideo->Stream();
  return stream.get();
}

void FieldLaneConsole::WireCamera(const field::CameraSettings& camera) {
  if (cameraVideo) {
    QObject::connect(onvifCamera, &field::onvif::OnvifCamera::StreamFound, cameraVideo.get(),
                     &field::onvif::CameraStreamVideo::UseStream);
  }
  // Queued: the dialog's own event loop must not run inside the camera's answer.
  QObject::connect(
      onvifCamera, &field::onvif::OnvifCamera::PasswordRefused, window.get(),
      [this, camera] {
        const std::optional<QString> password =
            askPassword(window->edtCameraIP->text(), camera.user);
        if (password) onvifCamera->SetPassword(*password);
      },
      Qt::QueuedConnection);
}
