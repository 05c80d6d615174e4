#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "FontConfiguration.h"

namespace {

struct ConfigRelease {
  void operator()(FcConfig* config) const { FcConfigDestroy(config); }
};
struct PatternRelease {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Config = std::unique_ptr<FcConfig, ConfigRelease>;
using Pattern = std::unique_ptr<FcPattern, PatternRelease>;

Pattern Request(FcConfig* config, const char* request) {
  Pattern pattern(FcNameParse(reinterpret_cast<const FcChar8*>(request)));
  FcConfigSubstitute(config, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  return pattern;
}

std::string Text(const FcPattern* pattern) {
  FcChar8* text = FcNameUnparse(const_cast<FcPattern*>(pattern));
  std::string copy = text != nullptr ? reinterpret_cast<const char*>(text) : "";
  std::free(text);
  return copy;
}

// The face chosen with every rendering setting the rules attach to it.
std::string BestFace(FcConfig* config, const char* request) {
  FcResult result = FcResultNoMatch;
  const Pattern face(FcFontMatch(config, Request(config, request).get(), &result));
  return face ? Text(face.get()) : "no match";
}

std::string FallbackOrder(FcConfig* config, const char* request) {
  FcResult result = FcResultNoMatch;
  FcFontSet* faces = FcFontSort(config, Request(config, request).get(), FcTrue, nullptr, &result);
  std::string order;
  for (int index = 0; faces != nullptr && index < faces->nfont; ++index) {
    FcChar8* file = nullptr;
    int face = 0;
    FcPatternGetString(faces->fonts[index], FC_FILE, 0, &file);
    FcPatternGetInteger(faces->fonts[index], FC_INDEX, 0, &face);
    order += std::string(reinterpret_cast<const char*>(file)) + "#" + std::to_string(face) + "\n";
  }
  if (faces != nullptr) FcFontSetDestroy(faces);
  return order;
}

TEST(FontConfiguration, ResolvesEveryRequestAsFontconfigsOwnStartDoes) {
  const Config ours(LoadFontConfiguration());
  ASSERT_NE(ours, nullptr);
  const Config reference(FcInitLoadConfigAndFonts());
  ASSERT_NE(reference, nullptr);

  for (const char* request :
       {"宋体:pixelsize=14", "黑体:pixelsize=48:weight=bold", "sans-serif:pixelsize=12",
        "monospace:lang=zh-cn", "serif:lang=en", "DejaVu Sans:pixelsize=7"}) {
    EXPECT_EQ(BestFace(ours.get(), request), BestFace(reference.get(), request)) << request;
    EXPECT_EQ(FallbackOrder(ours.get(), request), FallbackOrder(reference.get(), request))
        << request;
  }
}

}  // namespace
