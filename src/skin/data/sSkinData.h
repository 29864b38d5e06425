// The skin-wide values of the loaded skin that the skin manager keeps beside its tables.
#pragma once

#include <cstdint>
#include <string>

namespace korv {

struct TsSkinData {
  std::string SkinPath;  // folder of a folder skin, with a trailing "\"; empty for a stored skin
  bool Active = false;   // a loaded skin is live
  double Version = 0;    // "VERSION" of GLOBALINFO
  std::string Author;
  std::string Description;
  int32_t Shadow1Color = 0;
  int32_t Shadow1Offset = 0;
  int32_t Shadow1Blur = -1;
  int32_t Shadow1Transparency = 0;
};

}  // namespace korv
