#include "FontConfiguration.h"

#include <cstdlib>

namespace {

bool NamesCacheFolder(FcConfig* config) {
  FcStrList* folders = FcConfigGetCacheDirs(config);
  if (folders == nullptr) return false;
  const bool named = FcStrListNext(folders) != nullptr;
  FcStrListDone(folders);
  return named;
}

}  // namespace

FcConfig* LoadFontConfiguration() {
  if (std::getenv("FC_DEBUG") != nullptr) return nullptr;
  FcConfig* config = FcConfigCreate();
  if (config == nullptr) return nullptr;
  if (FcConfigParseAndLoad(config, nullptr, FcTrue) && NamesCacheFolder(config) &&
      FcConfigBuildFonts(config)) {
    return config;
  }
  FcConfigDestroy(config);
  return nullptr;
}

void StartFontConfiguration() {
  FcConfig* config = LoadFontConfiguration();
  if (config == nullptr) {
    FcInit();
    return;
  }
  FcConfigSetCurrent(config);
  // Being current, it keeps a reference of its own.
  FcConfigDestroy(config);
}
