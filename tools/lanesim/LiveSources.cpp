#include "LiveSources.h"

#include <gst/app/gstappsrc.h>

#include <algorithm>

namespace lanesim {

LiveSources::~LiveSources() {
  for (const auto& [media, source] : sources_) gst_object_unref(source);
}

void LiveSources::Add(const void* media, GstElement* source) {
  const std::lock_guard lock(mutex_);
  if (std::any_of(sources_.begin(), sources_.end(),
                  [&](const auto& known) { return known.first == media; }))
    return;
  sources_.emplace_back(media, GST_ELEMENT(gst_object_ref(source)));
}

void LiveSources::Remove(const void* media) {
  const std::lock_guard lock(mutex_);
  const auto found = std::find_if(sources_.begin(), sources_.end(),
                                  [&](const auto& known) { return known.first == media; });
  if (found == sources_.end()) return;
  gst_object_unref(found->second);
  sources_.erase(found);
}

bool LiveSources::Empty() const {
  const std::lock_guard lock(mutex_);
  return sources_.empty();
}

// Pushed outside the lock, so that a pipeline changing state never waits on it.
void LiveSources::Push(GstBuffer* frame) const {
  std::vector<GstElement*> sources;
  {
    const std::lock_guard lock(mutex_);
    for (const auto& [media, source] : sources_)
      sources.push_back(GST_ELEMENT(gst_object_ref(source)));
  }
  for (GstElement* source : sources) {
    gst_app_src_push_buffer(GST_APP_SRC(source), gst_buffer_ref(frame));
    gst_object_unref(source);
  }
}

}  // namespace lanesim
