// Section painting: the key-colour corners of a border image, filled in a control's cache and
// collected as rectangles for window regions.
#include <cstring>

#include "skin/core/sCommonData.h"
#include "skin/core/sMessages.h"
#include "skin/core/sSkinManager.h"
#include "skin/paint/sFast24.h"
#include "skin/paint/sMaskCopy.h"
#include "skin/paint/sPixelRows.h"
#include "skin/paint/sStyleSimply.h"

namespace korv {

namespace {

// The picture pixels of an image: its own bitmap or its manager's master bitmap.
TsPixels24 PicturePixels(const TsMaskData& image) { return ImagePixels(image, BitmapPixels(MasterBitmapOf(image))); }

}  // namespace

bool FillKeyColorCorners(TsCommonData& link, const TCacheInfo& ci, TPoint pos, int state) {
  const TsSkinManager* sm = link.SkinManager();
  const TsPixels24 dst = BitmapPixels(link.CacheBmp.get());
  if (!sm || dst.Empty() || !sm->IsValidSkinIndex(link.BorderIndex)) return false;
  const TsMaskData& image = sm->Images[static_cast<size_t>(link.BorderIndex)];
  const TsPixels24 src = PicturePixels(image);
  const TacNinePieces n = NinePieces(image, src, dst.Width, dst.Height, state);
  if (!n.Valid) return false;
  const bool colour = SkinColorReply != sNoColorReply;
  const TsPixels24 under = ci.Ready ? BitmapPixels(ci.Bmp) : TsPixels24{};
  if (!colour && under.Empty()) return false;
  bool changed = false;

  struct TCorner {
    int DX, DY, SX, SY, W, H;
  };
  const int right = dst.Width - n.Right, bottom = dst.Height - n.Bottom;
  const TCorner corners[4] = {{0, 0, n.FrameX, n.FrameY, n.Left, n.Top},
                              {right, 0, n.RightX(), n.FrameY, n.Right, n.Top},
                              {0, bottom, n.FrameX, n.BottomY(), n.Left, n.Bottom},
                              {right, bottom, n.RightX(), n.BottomY(), n.Right, n.Bottom}};
  for (const TCorner& c : corners)
    for (int y = 0; y < c.H; ++y) {
      const uint8_t* s = src.Row(c.SY + y) + c.SX * 3;
      uint8_t* d = dst.Row(c.DY + y) + c.DX * 3;
      const int uy = ci.Y + pos.y + c.DY + y;
      for (int x = 0; x < c.W; ++x) {
        if (rows::ColorAt(s + x * 3) != sKeyColor) continue;
        if (colour) {
          changed = changed || rows::ColorAt(d + x * 3) != SkinColorReply;
          rows::PutColor(d + x * 3, SkinColorReply);
          continue;
        }
        const int ux = ci.X + pos.x + c.DX + x;
        if (ux >= 0 && uy >= 0 && ux < under.Width && uy < under.Height) {
          const uint8_t* u = under.Row(uy) + ux * 3;
          changed = changed || std::memcmp(d + x * 3, u, 3) != 0;
          std::memcpy(d + x * 3, u, 3);
        }
      }
    }
  return changed;
}

void CollectKeyColorRects(std::vector<TRect>& rects, int width, const TsMaskData& image, int bottom, int yOffset) {
  const TsPixels24 src = PicturePixels(image);
  // Whole cells: a rectangle larger than two cells each way keeps them uncut.
  const TacNinePieces n = NinePieces(image, src, 1 << 20, 1 << 20, 0);
  if (!n.Valid) return;
  const int cw = n.CellW, top = n.FrameY + (bottom ? 2 * n.CellH : 0);
  // Appends the runs of key-colour pixels of cw pixels of row from column sx, placed at x.
  auto runs = [&](const uint8_t* row, int sx, int x, int y) {
    for (int i = 0; i < cw;) {
      if (rows::ColorAt(row + (sx + i) * 3) != sKeyColor) {
        ++i;
        continue;
      }
      const int start = i;
      while (i < cw && rows::ColorAt(row + (sx + i) * 3) == sKeyColor) ++i;
      rects.push_back(Rect(x + start, y, x + i, y + 1));
    }
  };
  for (int j = 0; j < n.CellH; ++j) {
    const uint8_t* row = src.Row(top + j);
    runs(row, n.FrameX, 0, j + yOffset);
    runs(row, n.FrameX + 2 * cw, width - cw, j + yOffset);
  }
}

}  // namespace korv
