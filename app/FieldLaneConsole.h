#pragma once

#include <QString>
#include <memory>

#include "CameraStreamVideo.h"
#include "ConsoleSeams.h"
#include "FieldCamera.h"
#include "FieldLaneSettings.h"
#include "NoCameraVideo.h"
#include "OnvifCamera.h"
#include "PlateReceiver.h"
#include "StreamVideo.h"
#include "WsDiscoveryFinder.h"
#include "utVideoStream.h"

// The console wired to a field lane: the pieces of a real lane the command
// line names, an ONVIF camera, a serial line, live video and plates pushed
// over HTTP.
struct FieldLaneConsole {
  std::unique_ptr<field::StreamVideo> stream;  // --video, whatever the camera names
  std::unique_ptr<field::onvif::CameraStreamVideo> cameraVideo;  // the camera's own stream
  field::NoCameraVideo noVideo;                                  // neither
  std::unique_ptr<field::PlateReceiver> plates;
  // The serial line, pushed plates and the video's newest frame; inside the
  // ONVIF camera when there is one.
  field::FieldCamera* fieldCamera = nullptr;
  field::onvif::OnvifCamera* onvifCamera = nullptr;
  std::unique_ptr<camera::SdkBackend> sdk;
  field::onvif::WsDiscoveryFinder cameraFinder;
  std::unique_ptr<TfmVideoStream> window;
  // Asked when the camera refuses the password (a dialog; tests answer themselves).
  std::function<std::optional<QString>(const QString& camera, const QString& user)> askPassword;

  // `messageBoxes` must outlive the console.
  FieldLaneConsole(const field::FieldLaneSettings& lane, MessageBoxSink& messageBoxes,
                   const QString& pictureDirectory, const QString& sessionLogPath = {},
                   std::function<void(int)> pause = SleepingPause);

  // The video that plays, --video's or the camera's; null without either.
  field::StreamVideo* Video();

 private:
  void WireCamera(const field::CameraSettings& camera);
};
