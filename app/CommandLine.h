#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "FieldLaneSettings.h"

// What the command line attaches the console to. Nothing: the virtual lane.
using ConsoleOptions = field::FieldLaneSettings;

// Options to run with, or how to end at once: help or version text for
// stdout with status 0, or one line for stderr with status 2.
struct CommandLineOutcome {
  std::optional<ConsoleOptions> options;
  int exitStatus = 0;
  QString out;
  QString err;
};

// `arguments` as QCoreApplication::arguments() gives them, program first;
// `cameraPassword` from the environment, used when the --camera URL has none.
CommandLineOutcome ParseCommandLine(const QStringList& arguments,
                                    const QString& cameraPassword = {});
