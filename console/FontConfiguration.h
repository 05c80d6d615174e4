#pragma once

#include <fontconfig/fontconfig.h>

// The system font configuration with its fonts, read as FcInit reads it but
// without FcInit's catalogue of every configuration file available (what
// fc-conflist lists), which takes longer to read than the configuration in
// use. Null when fontconfig's own start should handle things: no readable
// configuration, no cache folder named, or FC_DEBUG set.
FcConfig* LoadFontConfiguration();

// Makes that configuration the current one, else starts fontconfig as usual.
// Call first thing in main, before anything can have asked for a font.
void StartFontConfiguration();
