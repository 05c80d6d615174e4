#include "FieldLaneConsole.h"

FieldLaneConsole::FieldLaneConsole(const field::LineSettings& line, MessageBoxSink& messageBoxes,
                                   const QString& pictureDirectory, const QString& sessionLogPath,
                                   std::function<void(int)> pause)
    : sdk(line) {
  window = std::make_unique<TfmVideoStream>(
      ConsoleSeams{&sdk, &video, std::move(pause), &messageBoxes, pictureDirectory, sessionLogPath,
                   QStringLiteral("串口 ") + line.Describe()});
}
