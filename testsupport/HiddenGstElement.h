#pragma once

#include <gst/gst.h>

#include "Gstreamer.h"

// A GStreamer element taken out of this process's registry for as long as the
// object lives, as if its plugin were not installed; put back afterwards.
class HiddenGstElement {
 public:
  explicit HiddenGstElement(const char* factory) {
    field::EnsureGstreamer();
    feature_ = gst_registry_find_feature(gst_registry_get(), factory, GST_TYPE_ELEMENT_FACTORY);
    if (feature_ != nullptr) gst_registry_remove_feature(gst_registry_get(), feature_);
  }
  ~HiddenGstElement() {
    if (feature_ == nullptr) return;
    // The registry takes a reference of its own.
    gst_registry_add_feature(gst_registry_get(), feature_);
    gst_object_unref(feature_);
  }
  HiddenGstElement(const HiddenGstElement&) = delete;
  HiddenGstElement& operator=(const HiddenGstElement&) = delete;

  bool Hidden() const { return feature_ != nullptr; }

 private:
  GstPluginFeature* feature_ = nullptr;
};
