#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include "LaneSimProcess.h"

// The real lanectl (LANECTL_BINARY, set by each test target) run to its end.
struct ToolRun {
  int status = -1;
  QString out;
  QString err;
};

inline ToolRun LaneCtl(const QStringList& arguments, const QProcessEnvironment& environment =
                                                         QProcessEnvironment::systemEnvironment()) {
  QProcess lanectl;
  lanectl.setProcessEnvironment(environment);
  lanectl.start(QStringLiteral(LANECTL_BINARY), arguments);
  lanectl.waitForFinished(lanesim::testing::kPatienceMs);
  return {lanectl.exitCode(), QString::fromUtf8(lanectl.readAllStandardOutput()),
          QString::fromUtf8(lanectl.readAllStandardError())};
}
