#pragma once

#include <QImage>
#include <cstddef>

struct jpeg_decompress_struct;

namespace jpegfast {

// How the entropy decode is shared between the calling thread and a pool
// thread. Tests pin the split and the schedule; the console lets it choose.
struct SplitPlan {
  enum class Mode {
    Automatic,        // the second half starts mid-data, on a pool thread if one is free
    SingleThread,     // no second half
    Concurrent,       // the second half starts at `byte`, on a pool thread if one is free
    SecondHalfFirst,  // the second half starts at `byte` and runs to its end first, here
  };
  Mode mode = Mode::Automatic;
  std::size_t byte = 0;  // of the entropy data, after byte stuffing is undone
};

struct FastDecode {
  QImage picture;  // null: libjpeg decides on this picture
  std::size_t mcusFromSecondHalf = 0;
};

// For `info` after jpeg_read_header, scaled to 1/4 with the output size
// calculated. Takes baseline Huffman-coded greyscale or YCbCr pictures with
// chroma at (1,1) and luma at (1,1), (2,1), (1,2) or (2,2); returns a null
// picture for any other, and for data it cannot vouch for decoding exactly as
// libjpeg would (bad codes, data running short, restart markers out of
// order). Reads the entropy data from info.src without consuming it, so
// libjpeg can still decode the picture afterwards.
FastDecode DecodeQuarterScale(const jpeg_decompress_struct& info, SplitPlan plan = {});

}  // namespace jpegfast
