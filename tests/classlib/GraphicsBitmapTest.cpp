// TBitmap as a 24-bit DIB section: scan lines, sizing, copies, saving and loading, handles.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "classlib/Graphics.h"
#include "support/Pixels.h"

namespace korv {
namespace {

using test::BitmapImage;
using test::TPixelImage;

TColor Rgb(int r, int g, int b) { return static_cast<TColor>(r | (g << 8) | (b << 16)); }

void Paint(TBitmap& b) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) b.Canvas()->SetPixels(x, y, Rgb(x * 20, y * 30, 200 - x - y));
}

TEST(BitmapTest, ScanLineRowZeroIsTheTopAndTheStrideIsNegative) {
  TBitmap b(5, 4);
  EXPECT_EQ(b.PixelFormat(), pf24bit);
  b.Canvas()->SetPixels(0, 0, Rgb(1, 2, 3));
  b.Canvas()->SetPixels(4, 3, Rgb(7, 8, 9));
  const uint8_t* top = b.ScanLine(0);
  EXPECT_EQ(top[0], 3);  // blue first
  EXPECT_EQ(top[1], 2);
  EXPECT_EQ(top[2], 1);
  const uint8_t* bottom = b.ScanLine(3);
  EXPECT_EQ(bottom[12], 9);
  EXPECT_EQ(bottom[14], 7);
  // The stride is what the rows' addresses say: -16 for width 5 (15 bytes padded to 16).
  EXPECT_EQ(b.ScanLine(1) - b.ScanLine(0), b.Stride());
  EXPECT_EQ(b.Stride(), -16);
  EXPECT_EQ(b.ScanLine(3) - b.ScanLine(0), 3 * b.Stride());
  // Writing through a scan line shows in GDI reads.
  uint8_t* row2 = b.ScanLine(2);
  row2[3] = 0x40;
  row2[4] = 0x50;
  row2[5] = 0x60;
  EXPECT_EQ(b.Canvas()->Pixels(1, 2), Rgb(0x60, 0x50, 0x40));
  EXPECT_THROW((void)b.ScanLine(-1), EInvalidGraphicOperation);
  EXPECT_THROW((void)b.ScanLine(4), EInvalidGraphicOperation);
  TBitmap empty;
  EXPECT_THROW((void)empty.ScanLine(0), EInvalidGraphicOperation);
}

TEST(BitmapTest, ResizingKeepsTheTopLeftAndFillsWithWhite) {
  TBitmap b(6, 5);
  Paint(b);
  TPixelImage before = BitmapImage(b);
  b.SetSize(9, 3);
  TPixelImage after = BitmapImage(b);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(after.At(x, y), before.At(x, y));
  EXPECT_TRUE(after.All(Rect(6, 0, 9, 3), clWhite));
  b.SetWidth(2);
  EXPECT_EQ(BitmapImage(b).At(1, 2), before.At(1, 2));
  b.SetHeight(0);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Handle(), nullptr);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_THROW(b.SetSize(MaxBitmapDimension + 1, 2), EInvalidGraphic);
  EXPECT_THROW(b.SetPixelFormat(pf8bit), EInvalidGraphicOperation);
  b.SetPixelFormat(pf24bit);
}

TEST(BitmapTest, ABitmapThatKeepsRoomIsResizedInItsSectionAndGivesThePictureAlone) {
  TBitmap b(100, 80);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 100; ++x) b.ScanLine(y)[x * 3] = static_cast<uint8_t>(x + y);
  const TPixelImage first = BitmapImage(b);
  b.SetKeepsRoom(true);
  b.SetSize(101, 80);  // made anew, with room to grow
  const HBITMAP section = b.Handle();
  // Smaller and larger again inside the room: the same section, the picture as SetSize gives it,
  // GDI and the scan lines on the same pixels.
  b.SetSize(80, 60);
  b.Canvas()->SetPixels(79, 59, clLime);
  b.SetSize(120, 100);
  EXPECT_EQ(b.Handle(), section);
  const TPixelImage grown = BitmapImage(b);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 120; ++x)
      ASSERT_EQ(grown.At(x, y), x == 79 && y == 59 ? clLime
                                : x < 80 && y < 60 ? first.At(x, y)
                                                   : clWhite)
          << x << "," << y;
  EXPECT_EQ(b.Canvas()->Pixels(100, 70), clWhite);  // in the picture at 101 x 80, out of it, back in
  // Saved, copied and handed out: the picture alone.
  TMemoryStream ms;
  b.SaveToStream(ms);
  ms.SetPosition(0);
  TBitmap loaded, copy;
  loaded.LoadFromStream(ms);
  copy.Assign(&b);
  for (const TBitmap* other : {&loaded, &copy}) {
    const TPixelImage img = BitmapImage(*other);
    ASSERT_EQ(img.Width(), 120);
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 120; ++x) ASSERT_EQ(img.At(x, y), grown.At(x, y));
  }
  // A picture under a quarter of the section gets a new one.
  b.SetSize(30, 20);
  EXPECT_NE(b.Handle(), section);
  HBITMAP out = b.ReleaseHandle();
  DIBSECTION ds{};
  ASSERT_EQ(GetObjectA(out, sizeof ds, &ds), static_cast<int>(sizeof ds));
  EXPECT_EQ(ds.dsBmih.biWidth, 30);
  EXPECT_EQ(ds.dsBmih.biHeight, 20);
  DeleteObject(out);
}

TEST(BitmapTest, AssignMakesADeepCopy) {
  TBitmap a(7, 6);
  Paint(a);
  a.SetTransparentColor(clRed);
  a.SetTransparent(true);
  TBitmap b;
  b.Assign(&a);
  EXPECT_NE(a.Handle(), b.Handle());
  EXPECT_EQ(b.Transparent(), true);
  EXPECT_EQ(b.TransparentColor(), clRed);
  TPixelImage pa = BitmapImage(a), pb = BitmapImage(b);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 7; ++x) ASSERT_EQ(pa.At(x, y), pb.At(x, y));
  b.Canvas()->SetPixels(0, 0, clLime);
  EXPECT_NE(a.Canvas()->Pixels(0, 0), clLime);
  b.Assign(nullptr);
  EXPECT_TRUE(b.Empty());
  TFont font;
  EXPECT_THROW(b.Assign(&font), EConvertError);
}

TEST(BitmapTest, TransparentColourIsTheBottomLeftPixelUnlessFixed) {
  TBitmap b;
  EXPECT_EQ(b.TransparentColor(), clNone);
  b.SetSize(3, 3);
  b.Canvas()->SetPixels(0, 2, clFuchsia);
  EXPECT_EQ(b.TransparentColor(), clFuchsia);
  b.SetTransparentColor(0x123456);
  EXPECT_EQ(b.TransparentColor(), 0x123456);
  b.SetTransparentColor(clDefault);
  EXPECT_EQ(b.TransparentColor(), clFuchsia);
}

TEST(BitmapTest, SavesA24BitBmpThatBothReadersLoadBack) {
  TBitmap a(13, 7);
  Paint(a);
  TMemoryStream ms;
  a.SaveToStream(ms);
  ASSERT_GT(ms.Size(), 54);
  // The written file is what the format rules say: a 24-bit bottom-up BMP with rows of 40 bytes.
  const auto* p = static_cast<const uint8_t*>(ms.Memory());
  EXPECT_EQ(p[0], 'B');
  EXPECT_EQ(p[1], 'M');
  EXPECT_EQ(ms.Size(), 14 + 40 + 40 * 7);
  const auto* ih = reinterpret_cast<const BITMAPINFOHEADER*>(p + 14);
  EXPECT_EQ(ih->biBitCount, 24);
  EXPECT_EQ(ih->biHeight, 7);
  // Ours reads it back...
  ms.SetPosition(0);
  TBitmap b;
  b.LoadFromStream(ms);
  TPixelImage pa = BitmapImage(a), pb = BitmapImage(b);
  ASSERT_EQ(pb.Width(), 13);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) ASSERT_EQ(pa.At(x, y), pb.At(x, y));
  // ...and so does the platform's file loader.
  std::string path = GetTempDir() + "korv_bitmap_test.bmp";
  a.SaveToFile(path);
  HBITMAP loaded = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  ASSERT_NE(loaded, nullptr);
  TBitmap c;
  c.SetHandle(loaded);  // taken over and converted
  TPixelImage pc = BitmapImage(c);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) ASSERT_EQ(pa.At(x, y), pc.At(x, y));
  TBitmap d;
  d.LoadFromFile(path);
  EXPECT_EQ(d.Width(), 13);
  DeleteFileA(path.c_str());
  EXPECT_THROW(d.LoadFromFile(path), EFOpenError);
}

TEST(BitmapTest, LoadingStopsAtTheEndOfThePictureInALongerStream) {
  TBitmap a(3, 2);
  Paint(a);
  TMemoryStream ms;
  a.SaveToStream(ms);
  int64_t pictureEnd = ms.Size();
  const char tail[] = "after";
  ms.WriteBuffer(tail, sizeof tail);
  ms.SetPosition(0);
  TBitmap b;
  b.LoadFromStream(ms);
  EXPECT_EQ(ms.Position(), pictureEnd);
  char got[sizeof tail] = {};
  ms.ReadBuffer(got, sizeof got);
  EXPECT_STREQ(got, "after");
  // An empty rest of a stream is an empty picture.
  TBitmap c(2, 2);
  c.LoadFromStream(ms);
  EXPECT_TRUE(c.Empty());
  TMemoryStream none;
  c.SaveToStream(none);
  EXPECT_EQ(none.Size(), 0);
}

TEST(BitmapTest, TakesOverADeviceBitmapAndHandsItsSectionOut) {
  TWindowDC screen = TWindowDC::Client(nullptr);
  HBITMAP ddb = CreateCompatibleBitmap(screen.Get(), 6, 4);
  {
    TUniqueDC dc(CreateCompatibleDC(screen.Get()));
    TSelectGuard sel(dc.Get(), ddb);
    TUniqueBrush red(CreateSolidBrush(RGB(255, 0, 0)));
    RECT r{0, 0, 6, 4};
    FillRect(dc.Get(), &r, red.Get());
    SetPixel(dc.Get(), 5, 0, RGB(0, 0, 255));
  }
  TBitmap b;
  b.SetHandle(ddb);
  EXPECT_EQ(GetObjectType(ddb), 0u);  // freed after the copy
  EXPECT_EQ(b.Width(), 6);
  EXPECT_EQ(b.Height(), 4);
  EXPECT_EQ(b.Canvas()->Pixels(0, 3), clRed);
  EXPECT_EQ(b.Canvas()->Pixels(5, 0), clBlue);
  HBITMAP section = b.ReleaseHandle();
  EXPECT_TRUE(b.Empty());
  DIBSECTION ds{};
  ASSERT_EQ(GetObjectA(section, sizeof ds, &ds), static_cast<int>(sizeof ds));
  EXPECT_EQ(ds.dsBmih.biBitCount, 24);
  DeleteObject(section);
}

TEST(BitmapTest, DrawsThroughAForeignDcAfterFreeingItsCanvasDc) {
  TBitmap b(4, 4);
  b.Canvas()->Brush()->SetColor(clTeal);
  b.Canvas()->FillRect(Rect(0, 0, 4, 4));
  b.FreeCanvasDC();
  TUniqueDC dc(CreateCompatibleDC(nullptr));
  HGDIOBJ old = SelectObject(dc.Get(), b.Handle());
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(static_cast<TColor>(GetPixel(dc.Get(), 2, 2)), clTeal);
  SelectObject(dc.Get(), old);
  // The canvas comes back on its next use.
  b.Canvas()->SetPixels(0, 0, clMaroon);
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), clMaroon);
}

}  // namespace
}  // namespace korv
