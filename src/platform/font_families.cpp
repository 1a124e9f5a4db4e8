// Font family look-up through fontconfig: a family counts as installed when
// fontconfig lists a font of exactly that family, not merely a substitute.
#include "platform/font_families.h"

#include <fontconfig/fontconfig.h>

namespace glorbe {

namespace {

bool familyInstalled(const std::string& family) {
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return false;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, static_cast<char*>(nullptr));
  FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
  const bool found = fonts != nullptr && fonts->nfont > 0;
  if (fonts != nullptr) FcFontSetDestroy(fonts);
  if (objects != nullptr) FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  return found;
}

}  // namespace

std::string firstInstalledFontFamily(const std::vector<std::string>& families) {
  if (!FcInit()) return "";
  for (const std::string& family : families) {
    if (!family.empty() && familyInstalled(family)) return family;
  }
  return "";
}

}  // namespace glorbe
