#include "JpegScan.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include <jpeglib.h>

namespace jpegfast {

namespace {

HuffmanSpec SpecOf(const JHUFF_TBL& table) {
  HuffmanSpec spec;
  std::memcpy(spec.counts.data(), table.bits, spec.counts.size());
  std::memcpy(spec.symbols.data(), table.huffval, spec.symbols.size());
  return spec;
}

bool SupportedSampling(const jpeg_decompress_struct& info) {
  const jpeg_component_info& luma = info.comp_info[0];
  if (info.num_components == 1) {
    return info.jpeg_color_space == JCS_GRAYSCALE && luma.h_samp_factor == 1 &&
           luma.v_samp_factor == 1;
  }
  if (info.num_components != 3 || info.jpeg_color_space != JCS_YCbCr) return false;
  if (luma.h_samp_factor < 1 || luma.h_samp_factor > 2 || luma.v_samp_factor < 1 ||
      luma.v_samp_factor > 2) {
    return false;
  }
  for (int c = 1; c < 3; ++c) {
    if (info.comp_info[c].h_samp_factor != 1 || info.comp_info[c].v_samp_factor != 1) return false;
  }
  return true;
}

}  // namespace

EntropyData Unstuff(std::span<const std::uint8_t> data, bool restartsEndSegments) {
  EntropyData entropy(data.size());
  std::uint8_t* const out = entropy.buffer.As<std::uint8_t>();
  std::size_t written = 0;
  std::size_t read = 0;
  std::size_t segmentBegin = 0;
  for (;;) {
    const void* found = std::memchr(data.data() + read, 0xFF, data.size() - read);
    const std::size_t stuffing =
        found ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - data.data())
              : data.size();
    std::memcpy(out + written, data.data() + read, stuffing - read);
    written += stuffing - read;
    read = stuffing + 1;
    while (read < data.size() && data[read] == 0xFF) ++read;
    if (read >= data.size()) {
      entropy.segments.push_back({segmentBegin, written, kNoMarker});
      break;
    }
    const int marker = data[read++];
    if (marker == 0) {
      out[written++] = 0xFF;
      continue;
    }
    entropy.segments.push_back({segmentBegin, written, marker});
    const bool restart = marker >= kFirstRestartMarker && marker < kFirstRestartMarker + 8;
    if (!restartsEndSegments || !restart) break;
    segmentBegin = written;
  }
  std::memset(out + written, 0, kEntropyPadding);
  return entropy;
}

bool Describe(const jpeg_decompress_struct& info, Scan& scan) {
  if (info.progressive_mode || info.arith_code || info.data_precision != 8) return false;
  if (info.scale_num * 4 != info.scale_denom || info.unread_marker != 0) return false;
  if (info.comps_in_scan != info.num_components || info.Ss != 0 || info.Se != 63 || info.Ah != 0 ||
      info.Al != 0 || !SupportedSampling(info)) {
    return false;
  }
  const int maxAcross = info.comp_info[0].h_samp_factor;
  const int maxDown = info.comp_info[0].v_samp_factor;
  const auto width = static_cast<int>(info.image_width);
  const auto height = static_cast<int>(info.image_height);
  PictureLayout& layout = scan.layout;
  layout.width = (width + 3) / 4;
  layout.height = (height + 3) / 4;
  if (static_cast<JDIMENSION>(layout.width) != info.output_width ||
      static_cast<JDIMENSION>(layout.height) != info.output_height) {
    return false;
  }
  layout.mcusPerRow = (width + 8 * maxAcross - 1) / (8 * maxAcross);
  layout.mcuRows = (height + 8 * maxDown - 1) / (8 * maxDown);
  layout.mcuHeight = 2 * maxDown;
  layout.components = info.num_components;

  McuCoding& coding = layout.coding;
  for (int c = 0; c < info.num_components; ++c) {
    const jpeg_component_info& component = info.comp_info[c];
    const auto index = static_cast<std::size_t>(c);
    if (info.cur_comp_info[c] != &component) return false;
    const JQUANT_TBL* quant = component.quant_tbl_no >= 0 && component.quant_tbl_no < NUM_QUANT_TBLS
                                  ? info.quant_tbl_ptrs[component.quant_tbl_no]
                                  : nullptr;
    const JHUFF_TBL* dc = component.dc_tbl_no >= 0 && component.dc_tbl_no < NUM_HUFF_TBLS
                              ? info.dc_huff_tbl_ptrs[component.dc_tbl_no]
                              : nullptr;
    const JHUFF_TBL* ac = component.ac_tbl_no >= 0 && component.ac_tbl_no < NUM_HUFF_TBLS
                              ? info.ac_huff_tbl_ptrs[component.ac_tbl_no]
                              : nullptr;
    if (quant == nullptr || dc == nullptr || ac == nullptr) return false;
    std::optional<HuffmanTable> dcTable = BuildHuffmanTable(SpecOf(*dc), true);
    std::optional<HuffmanTable> acTable = BuildHuffmanTable(SpecOf(*ac), false);
    if (!dcTable || !acTable) return false;
    scan.dcTables[index] = *dcTable;
    scan.acTables[index] = *acTable;

    const int across = component.h_samp_factor;
    const int down = component.v_samp_factor;
    const int samples = SamplesPerBlock(maxAcross, maxDown, across, down);
    std::array<std::uint16_t, 64> quantValues;
    std::copy(std::begin(quant->quantval), std::end(quant->quantval), quantValues.begin());
    scan.contributions[index] = Contributions(quantValues, samples);
    layout.component[index] = {
        .across = across,
        .down = down,
        .dcScale = static_cast<float>(quantValues[0]) / 8,
    };
    for (int b = 0; b < across * down; ++b) {
      coding.block[static_cast<std::size_t>(coding.blocks++)] = {
          .dc = &scan.dcTables[index],
          .ac = &scan.acTables[index],
          .contributions = scan.contributions[index].data(),
          .samples = samples,
          .component = c,
          .acOffset = coding.acFloats,
      };
      coding.acFloats += samples * samples;
    }
  }
  scan.mcus =
      static_cast<std::size_t>(layout.mcusPerRow) * static_cast<std::size_t>(layout.mcuRows);
  scan.restartInterval = info.restart_interval;
  scan.data = {info.src->next_input_byte, info.src->bytes_in_buffer};
  return true;
}

bool IntervalsComplete(const Scan& scan, const EntropyData& entropy) {
  const std::size_t intervals =
      scan.restartInterval == 0 ? 1 : (scan.mcus + scan.restartInterval - 1) / scan.restartInterval;
  if (entropy.segments.size() < intervals) return false;
  for (std::size_t i = 0; i + 1 < intervals; ++i) {
    if (entropy.segments[i].marker != kFirstRestartMarker + static_cast<int>(i % 8)) return false;
  }
  return entropy.segments[intervals - 1].marker != kNoMarker;
}

}  // namespace jpegfast
