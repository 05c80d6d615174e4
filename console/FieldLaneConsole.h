#pragma once

#include <QString>
#include <memory>

#include "ConsoleSeams.h"
#include "FieldCamera.h"
#include "NoCameraVideo.h"
#include "utVideoStream.h"

// The console wired to a field lane: its peripherals on a real serial line.
struct FieldLaneConsole {
  field::FieldCamera sdk;
  field::NoCameraVideo video;
  std::unique_ptr<TfmVideoStream> window;

  // `messageBoxes` must outlive the console.
  FieldLaneConsole(const field::LineSettings& line, MessageBoxSink& messageBoxes,
                   const QString& pictureDirectory, const QString& sessionLogPath = {},
                   std::function<void(int)> pause = SleepingPause);
};
