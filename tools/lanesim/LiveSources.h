#pragma once

#include <gst/gst.h>

#include <mutex>
#include <utility>
#include <vector>

namespace lanesim {

// The source element of each media now encoding the lane's video, by media;
// used from the server's threads and the painter's.
class LiveSources {
 public:
  LiveSources() = default;
  LiveSources(const LiveSources&) = delete;
  LiveSources& operator=(const LiveSources&) = delete;
  ~LiveSources();

  // Takes its own reference to `source`; a media already known keeps its first.
  void Add(const void* media, GstElement* source);
  // A media not known is ignored: a media may be forgotten twice.
  void Remove(const void* media);
  bool Empty() const;
  // The same frame to every source; `frame` stays the caller's.
  void Push(GstBuffer* frame) const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::pair<const void*, GstElement*>> sources_;
};

}  // namespace lanesim
