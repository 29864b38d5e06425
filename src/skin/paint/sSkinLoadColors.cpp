// The colour passes of a skin load: hue and saturation over the pixels and colours of the skin.
#include <algorithm>
#include <array>

#include "skin/data/sUtils.h"
#include "skin/paint/sColors.h"
#include "skin/paint/sFast24.h"
#include "skin/paint/sPixelRows.h"
#include "skin/paint/sSkinLoad.h"

namespace korv {

namespace {

// Results of a colour change remembered by colour: skin pictures hold few colours, in runs and
// repeated across rows.
template <class Change>
class TColorMemo {
 public:
  explicit TColorMemo(Change& change) : Change_(change) { In_.fill(kEmpty); }
  uint32_t operator()(uint32_t c) {
    const uint32_t slot = (c * 2654435761u) >> (32 - kBits);
    if (In_[slot] != c) {
      In_[slot] = c;
      Out_[slot] = Change_(c);
    }
    return Out_[slot];
  }

 private:
  static constexpr int kBits = 10;
  static constexpr uint32_t kEmpty = 0xFFFFFFFF;  // never a 24-bit colour
  Change& Change_;
  std::array<uint32_t, 1u << kBits> In_;
  std::array<uint32_t, 1u << kBits> Out_;
};

// Every pixel of a 24-bit bitmap changed, except the key colour and greys.
template <class Change>
void ChangePixels(TBitmap& bmp, Change& change) {
  const TsPixels24 pixels = BitmapPixels(&bmp);
  if (pixels.Empty()) return;
  TColorMemo<Change> memo(change);
  for (int y = 0; y < pixels.Height; ++y) {
    uint8_t* p = pixels.Row(y);
    for (int x = 0; x < pixels.Width; ++x, p += 3) {
      if (p[0] == p[1] && p[1] == p[2]) continue;
      const uint32_t c = static_cast<uint32_t>(rows::ColorAt(p));
      if (c == static_cast<uint32_t>(sKeyColor)) continue;
      rows::PutColor(p, static_cast<int32_t>(memo(c)));
    }
  }
}

// One colour change over the whole loaded skin: bitmap pixels (but the key colour and greys),
// section colours with their gradient stops, the shadow colour.
template <class Color>
void ChangeSkinColors(TsSkinManager& sm, Color color) {
  auto pixel = [&color](uint32_t c) { return static_cast<uint32_t>(color(static_cast<TColor>(c))); };
  if (sm.MasterBitmap) ChangePixels(*sm.MasterBitmap, pixel);
  for (TsMaskData& m : sm.Images)
    if (m.Bmp) ChangePixels(*m.Bmp, pixel);
  for (TsGeneralData& g : sm.Sections) {
    g.Color = color(g.Color);
    g.HotColor = color(g.HotColor);
    for (int i = 0; i < 5; ++i) {
      if (g.FontColor[i] != -1) g.FontColor[i] = color(g.FontColor[i]);
      if (g.HotFontColor[i] != -1) g.HotFontColor[i] = color(g.HotFontColor[i]);
    }
    // The stops the text gives (five fields a stop); all the stops of the hot gradient.
    const size_t stops = std::min(g.GradientArray.size(), static_cast<size_t>(CountWords(g.GradientData, ";") / 5));
    for (size_t i = 0; i < stops; ++i) {
      g.GradientArray[i].Color1 = color(g.GradientArray[i].Color1);
      g.GradientArray[i].Color2 = color(g.GradientArray[i].Color2);
    }
    for (TsGradStop& s : g.HotGradientArray) {
      s.Color1 = color(s.Color1);
      s.Color2 = color(s.Color2);
    }
  }
  sm.SkinData.Shadow1Color = color(sm.SkinData.Shadow1Color);
}

}  // namespace

void TacSkinLoader::ChangeSkinHue(TsSkinManager& sm, int amount) {
  if (amount == 0) return;
  ChangeSkinColors(sm, [amount](TColor c) { return ChangeColorHue(amount, c); });
}

void TacSkinLoader::ChangeSkinSaturation(TsSkinManager& sm, int amount) {
  if (amount == 0) return;
  // The remainder takes the sign of the dividend: 10 gives -10, -150 gives 49.
  const int a = static_cast<int>(-static_cast<int64_t>(amount) % 101);
  ChangeSkinColors(sm, [a](TColor c) { return ChangeColorSaturation(c, a); });
}

}  // namespace korv
