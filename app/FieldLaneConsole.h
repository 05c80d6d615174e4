#pragma once

#include <QString>
#include <memory>

#include "ConsoleSeams.h"
#include "FieldCamera.h"
#include "FieldLaneSettings.h"
#include "NoCameraVideo.h"
#include "PlateReceiver.h"
#include "StreamVideo.h"
#include "utVideoStream.h"

// The console wired to a field lane: the pieces of a real lane the command
// line names, a serial line, live video and plates pushed over HTTP.
struct FieldLaneConsole {
  std::unique_ptr<field::StreamVideo> stream;  // with live video
  field::NoCameraVideo noVideo;                // without
  std::unique_ptr<field::PlateReceiver> plates;
  field::FieldCamera sdk;
  std::unique_ptr<TfmVideoStream> window;

  // `messageBoxes` must outlive the console.
  FieldLaneConsole(const field::FieldLaneSettings& lane, MessageBoxSink& messageBoxes,
                   const QString& pictureDirectory, const QString& sessionLogPath = {},
                   std::function<void(int)> pause = SleepingPause);
};
