#pragma once

#include <gst/gst.h>

#include <QString>

namespace field {

// GStreamer is started once per process, on first use.
void EnsureGstreamer();

// A URL as it may be shown: pane, log and title never carry credentials.
QString WithoutCredentials(const QString& url);

}  // namespace field
