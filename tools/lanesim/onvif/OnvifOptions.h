#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <optional>

#include "OnvifSettings.h"

namespace lanesim::onvif {

// The options that shape lanesim's ONVIF camera (all but --onvif itself),
// kept apart from the rest of its command line.
class OnvifOptions {
 public:
  OnvifOptions();
  void AddTo(QCommandLineParser& parser) const;

  // The settings, or nullopt and `error` (one line).
  std::optional<Settings> Read(const QCommandLineParser& parser, QString& error) const;
  // The first of these options given, for a refusal when --onvif is missing.
  std::optional<QString> AnyGiven(const QCommandLineParser& parser) const;

 private:
  QCommandLineOption user_;
  QCommandLineOption password_;
  QCommandLineOption auth_;
  QCommandLineOption media_;
  QCommandLineOption clockOffset_;
  QCommandLineOption host_;
};

}  // namespace lanesim::onvif
