// The picture and colour passes of a skin load, installed into every skin manager at the skin
// units' start-up: the master bitmap and the image table, the JPEG texture table, and the hue and
// saturation shifts of everything that carries a colour.
//
// Sources: the folder skin being loaded (CurrentSkinFile, pictures relative to SkinData.SkinPath),
// else the stored skin named SkinName; then the manager's CommonSections. Bitmaps of any BMP
// depth become 24-bit DIB sections through the class library's checked BMP reader, JPEG files go
// through its one JPEG decoder. A missing file is skipped; an image value with a bad number drops
// only its entry, as does an entry whose rectangle is empty or leaves its bitmap. Any other error
// (a damaged picture, a file that cannot be read) leaves the pass by an exception, and the
// manager then drops the whole load.
#pragma once

#include "skin/core/sSkinManager.h"

namespace korv {

class TacSkinLoader final : public TacSkinLoadPasses {
 public:
  // The image table and master bitmap, replacing the previous skin's.
  void LoadAllMasks(TsSkinManager& sm) override;
  // The texture table, replacing the previous skin's; folder JPEGs of fewer than 90000 pixels
  // become image entries instead.
  void LoadAllPatterns(TsSkinManager& sm) override;
  // The colours of the loaded skin shifted: pixels of the master bitmap and of every image's own
  // bitmap (the key colour and greys left alone), the colours of every section with their
  // gradient stops, and the skin's shadow colour. Amount 0 changes nothing.
  void ChangeSkinHue(TsSkinManager& sm, int amount) override;
  // Saturation S becomes the amount -S rem 101 of ChangeColorSaturation.
  void ChangeSkinSaturation(TsSkinManager& sm, int amount) override;
};

// Installs the passes for every manager (part of the skin units' start-up) / puts back the
// ones installed before.
void SkinLoadStartup();
void SkinLoadShutdown() noexcept;

}  // namespace korv
