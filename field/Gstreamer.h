#pragma once

#include <gst/gst.h>

#include <QString>
#include <memory>

namespace field {

// GStreamer is started once per process, on first use.
void EnsureGstreamer();

struct GstObjectUnref {
  void operator()(gpointer object) const { gst_object_unref(object); }
};
using GstElementPtr = std::unique_ptr<GstElement, GstObjectUnref>;

// A URL as it may be shown: pane, log and title never carry credentials.
QString WithoutCredentials(const QString& url);

}  // namespace field
