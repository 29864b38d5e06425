// Colours, fonts, pens, brushes, the canvas over a device context, and the graphic classes
// (TGraphic, TBitmap as a 24-bit DIB section, TIcon). TJPEGImage lives in Jpeg.h.
//
// Handle ownership: every GDI object a class creates is owned by it (Handles.h wrappers) and
// freed when it changes or dies; a canvas selects its font, pen and brush into the DC lazily and
// puts the DC's previous objects back before the handle changes, so nothing stays selected into
// a foreign DC and nothing leaks.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Handles.h"
#include "classlib/SysUtils.h"
#include "classlib/System.h"

namespace korv {

// ---------------------------------------------------------------------------------------------
// Geometry. The platform's own structures, so they pass to Win32 as they are.

using TRect = RECT;
using TPoint = POINT;
using TSize = SIZE;

[[nodiscard]] constexpr TRect Rect(int left, int top, int right, int bottom) noexcept {
  return TRect{left, top, right, bottom};
}
[[nodiscard]] constexpr TRect Bounds(int left, int top, int width, int height) noexcept {
  return TRect{left, top, left + width, top + height};
}
[[nodiscard]] constexpr TPoint Point(int x, int y) noexcept { return TPoint{x, y}; }
[[nodiscard]] constexpr int RectWidth(const TRect& r) noexcept { return r.right - r.left; }
[[nodiscard]] constexpr int RectHeight(const TRect& r) noexcept { return r.bottom - r.top; }

// ---------------------------------------------------------------------------------------------
// Colours. A TColor is 0x00BBGGRR (red in the low byte), or a system colour 0xFF000000 | index
// (COLOR_xxx), or one of the special values clNone and clDefault.

using TColor = int32_t;

inline constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);
[[nodiscard]] constexpr TColor SysColor(int index) noexcept {
  return static_cast<TColor>(0xFF000000u | static_cast<uint32_t>(index));
}

inline constexpr TColor clScrollBar = SysColor(COLOR_SCROLLBAR);
inline constexpr TColor clBackground = SysColor(COLOR_BACKGROUND);
inline constexpr TColor clActiveCaption = SysColor(COLOR_ACTIVECAPTION);
inline constexpr TColor clInactiveCaption = SysColor(COLOR_INACTIVECAPTION);
inline constexpr TColor clMenu = SysColor(COLOR_MENU);
inline constexpr TColor clWindow = SysColor(COLOR_WINDOW);
inline constexpr TColor clWindowFrame = SysColor(COLOR_WINDOWFRAME);
inline constexpr TColor clMenuText = SysColor(COLOR_MENUTEXT);
inline constexpr TColor clWindowText = SysColor(COLOR_WINDOWTEXT);
inline constexpr TColor clCaptionText = SysColor(COLOR_CAPTIONTEXT);
inline constexpr TColor clActiveBorder = SysColor(COLOR_ACTIVEBORDER);
inline constexpr TColor clInactiveBorder = SysColor(COLOR_INACTIVEBORDER);
inline constexpr TColor clAppWorkSpace = SysColor(COLOR_APPWORKSPACE);
inline constexpr TColor clHighlight = SysColor(COLOR_HIGHLIGHT);
inline constexpr TColor clHighlightText = SysColor(COLOR_HIGHLIGHTTEXT);
inline constexpr TColor clBtnFace = SysColor(COLOR_BTNFACE);
inline constexpr TColor clBtnShadow = SysColor(COLOR_BTNSHADOW);
inline constexpr TColor clGrayText = SysColor(COLOR_GRAYTEXT);
inline constexpr TColor clBtnText = SysColor(COLOR_BTNTEXT);
inline constexpr TColor clInactiveCaptionText = SysColor(COLOR_INACTIVECAPTIONTEXT);
inline constexpr TColor clBtnHighlight = SysColor(COLOR_BTNHIGHLIGHT);
inline constexpr TColor cl3DDkShadow = SysColor(COLOR_3DDKSHADOW);
inline constexpr TColor cl3DLight = SysColor(COLOR_3DLIGHT);
inline constexpr TColor clInfoText = SysColor(COLOR_INFOTEXT);
inline constexpr TColor clInfoBk = SysColor(COLOR_INFOBK);
inline constexpr TColor clHotLight = SysColor(COLOR_HOTLIGHT);
inline constexpr TColor clGradientActiveCaption = SysColor(COLOR_GRADIENTACTIVECAPTION);
inline constexpr TColor clGradientInactiveCaption = SysColor(COLOR_GRADIENTINACTIVECAPTION);
inline constexpr TColor clMenuHighlight = SysColor(COLOR_MENUHILIGHT);
inline constexpr TColor clMenuBar = SysColor(COLOR_MENUBAR);

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clLtGray = 0xC0C0C0;
inline constexpr TColor clDkGray = 0x808080;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clMoneyGreen = 0xC0DCC0;
inline constexpr TColor clSkyBlue = 0xF0CAA6;
inline constexpr TColor clCream = 0xF0FBFF;
inline constexpr TColor clMedGray = 0xA4A0A0;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

[[nodiscard]] constexpr bool IsSystemColor(TColor c) noexcept { return c < 0; }
// A system colour becomes its current RGB value (GetSysColor); any other value is returned as it
// is (clNone and clDefault included).
[[nodiscard]] TColor ColorToRGB(TColor color) noexcept;
// The COLORREF GDI is given for a colour: ColorToRGB, limited to the 24 RGB bits.
[[nodiscard]] inline COLORREF ColorToColorRef(TColor color) noexcept {
  return static_cast<COLORREF>(ColorToRGB(color)) & 0x00FFFFFFu;
}

// Pixels per logical inch of the screen (LOGPIXELSY), read once.
[[nodiscard]] int ScreenPixelsPerInch() noexcept;

// ---------------------------------------------------------------------------------------------
// Font, pen, brush

class TCanvas;
class TBitmap;

// Base of the GDI object wrappers: an OnChange event, fired after every change of a property.
// The handle is created on first use from the properties and freed on the next change (after the
// change has been announced, so a canvas can deselect it first) and at destruction.
class TGraphicsObject : public TPersistent {
  KORV_CLASS(TGraphicsObject, TPersistent)
 public:
  TNotifyEvent OnChange;

 protected:
  // Announces a change: OnChange first, then the old handle is freed by the derived class.
  virtual void Changed();
};

enum : unsigned {
  fsBold = 1u << 0,
  fsItalic = 1u << 1,
  fsUnderline = 1u << 2,
  fsStrikeOut = 1u << 3,
};
using TFontStyles = unsigned;  // bit set of fsBold, fsItalic, fsUnderline, fsStrikeOut
using TFontCharset = uint8_t;
enum TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };

class TFont : public TGraphicsObject {
  KORV_CLASS(TFont, TGraphicsObject)
 public:
  // Defaults: "MS Sans Serif", 8 points at the screen's resolution, clWindowText, no style,
  // DEFAULT_CHARSET.
  TFont();
  ~TFont() override;

  // The font handle, created on first use. The font keeps owning it.
  [[nodiscard]] HFONT Handle() const;
  // Takes over a font handle: the properties are read from its LOGFONT (escapement and
  // orientation kept), and the font owns and later frees it. nullptr restores the defaults.
  void SetHandle(HFONT font);
  [[nodiscard]] bool HandleAllocated() const noexcept { return static_cast<bool>(FHandle); }

  [[nodiscard]] std::string Name() const { return FLog.lfFaceName; }
  void SetName(const std::string& name);  // at most 31 characters are kept; "" is ignored
  // Height in pixels: negative = character height, positive = cell height (LOGFONT rule).
  [[nodiscard]] int Height() const noexcept { return FLog.lfHeight; }
  void SetHeight(int height);
  // Size in points: -Height * 72 / PixelsPerInch, rounded; setting it sets Height negative.
  [[nodiscard]] int Size() const noexcept;
  void SetSize(int points);
  [[nodiscard]] TColor Color() const noexcept { return FColor; }
  void SetColor(TColor color);
  [[nodiscard]] TFontStyles Style() const noexcept;
  void SetStyle(TFontStyles style);
  [[nodiscard]] TFontCharset Charset() const noexcept { return FLog.lfCharSet; }
  void SetCharset(TFontCharset charset);
  [[nodiscard]] TFontPitch Pitch() const noexcept;
  void SetPitch(TFontPitch pitch);
  [[nodiscard]] int PixelsPerInch() const noexcept { return FPixelsPerInch; }
  void SetPixelsPerInch(int ppi) noexcept { FPixelsPerInch = ppi > 0 ? ppi : FPixelsPerInch; }
  // The whole logical font (escapement, weight...).
  [[nodiscard]] const LOGFONTA& LogFont() const noexcept { return FLog; }

  // Copies a TFont (properties and colour; a handle-only font's LOGFONT included).
  void Assign(const TPersistent* source) override;

 protected:
  void Changed() override;

 private:
  LOGFONTA FLog{};
  TColor FColor = clWindowText;
  int FPixelsPerInch = 96;
  mutable TUniqueFont FHandle;
};

enum TPenStyle : uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// Raster operations of the pen (SetROP2), in the order of R2_BLACK..R2_WHITE mapped by name.
enum TPenMode : uint8_t {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor,
};
[[nodiscard]] int PenModeToRop2(TPenMode mode) noexcept;

class TPen : public TGraphicsObject {
  KORV_CLASS(TPen, TGraphicsObject)
 public:
  TPen();
  ~TPen() override;

  [[nodiscard]] HPEN Handle() const;
  [[nodiscard]] TColor Color() const noexcept { return FColor; }
  void SetColor(TColor color);
  [[nodiscard]] int Width() const noexcept { return FWidth; }
  void SetWidth(int width);  // negative values are ignored; 0 draws one pixel wide, as GDI does
  [[nodiscard]] TPenStyle Style() const noexcept { return FStyle; }
  void SetStyle(TPenStyle style);
  // The drawing mode is a property of the DC: the canvas applies it with SetROP2.
  [[nodiscard]] TPenMode Mode() const noexcept { return FMode; }
  void SetMode(TPenMode mode);

  void Assign(const TPersistent* source) override;

 protected:
  void Changed() override;

 private:
  TColor FColor = clBlack;
  int FWidth = 1;
  TPenStyle FStyle = psSolid;
  TPenMode FMode = pmCopy;
  mutable TUniquePen FHandle;
};

enum TBrushStyle : uint8_t { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
  KORV_CLASS(TBrush, TGraphicsObject)
 public:
  TBrush();
  ~TBrush() override;

  // bsClear gives the stock NULL_BRUSH (never freed); a Bitmap gives a pattern brush.
  [[nodiscard]] HBRUSH Handle() const;
  [[nodiscard]] TColor Color() const noexcept { return FColor; }
  void SetColor(TColor color);  // a bsClear brush becomes bsSolid, as painting with a colour asks
  [[nodiscard]] TBrushStyle Style() const noexcept { return FStyle; }
  void SetStyle(TBrushStyle style);
  // Pattern bitmap; not owned: it must outlive its use by this brush (or be reset to nullptr).
  [[nodiscard]] TBitmap* Bitmap() const noexcept { return FBitmap; }
  void SetBitmap(TBitmap* bitmap);

  void Assign(const TPersistent* source) override;

 protected:
  void Changed() override;

 private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
  TBitmap* FBitmap = nullptr;
  mutable TUniqueBrush FHandle;
};

// ---------------------------------------------------------------------------------------------
// Canvas

class TGraphic;

enum TCanvasStateFlag : unsigned {
  csHandleValid = 1u << 0,
  csFontValid = 1u << 1,
  csPenValid = 1u << 2,
  csBrushValid = 1u << 3,
};
using TCanvasState = unsigned;

// Drawing surface over a device context. The canvas does not own the DC it is given with
// SetHandle; a derived canvas that obtains a DC itself (CreateHandle) frees it itself.
class TCanvas : public TPersistent {
  KORV_CLASS(TCanvas, TPersistent)
 public:
  TCanvas();
  ~TCanvas() override;

  // The DC; when none is set, CreateHandle is asked for one. Raises EInvalidOperation "Canvas
  // does not allow drawing" when there is still none.
  [[nodiscard]] HDC Handle();
  // Sets the DC (nullptr: none). The objects selected into the old DC are deselected first.
  void SetHandle(HDC dc);
  [[nodiscard]] bool HandleAllocated() const noexcept { return FHandle != nullptr; }

  [[nodiscard]] TFont* Font() const noexcept { return FFont.get(); }
  [[nodiscard]] TPen* Pen() const noexcept { return FPen.get(); }
  [[nodiscard]] TBrush* Brush() const noexcept { return FBrush.get(); }
  void SetFont(const TFont* font) { FFont->Assign(font); }
  void SetPen(const TPen* pen) { FPen->Assign(pen); }
  void SetBrush(const TBrush* brush) { FBrush->Assign(brush); }

  // Raster operation of CopyRect and of graphics drawn by Draw/StretchDraw (default SRCCOPY).
  [[nodiscard]] DWORD CopyMode() const noexcept { return FCopyMode; }
  void SetCopyMode(DWORD rop) noexcept { FCopyMode = rop; }

  [[nodiscard]] TColor Pixels(int x, int y);  // GetPixel: CLR_INVALID (-1) outside the clip area
  void SetPixels(int x, int y, TColor color);

  [[nodiscard]] TPoint PenPos();
  void SetPenPos(TPoint p) { MoveTo(p.x, p.y); }
  void MoveTo(int x, int y);
  void LineTo(int x, int y);  // with the pen; leaves out the end point, as GDI does
  void Polyline(const TPoint* points, int count);
  void Polyline(const std::vector<TPoint>& points) { Polyline(points.data(), static_cast<int>(points.size())); }
  void Polygon(const TPoint* points, int count);
  void Polygon(const std::vector<TPoint>& points) { Polygon(points.data(), static_cast<int>(points.size())); }

  void FillRect(const TRect& rect);   // with the brush, no pen
  void FrameRect(const TRect& rect);  // one-pixel frame in the brush
  void Rectangle(int x1, int y1, int x2, int y2);  // pen outline, brush interior
  void Rectangle(const TRect& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
  void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight);
  void Ellipse(int x1, int y1, int x2, int y2);
  void Ellipse(const TRect& r) { Ellipse(r.left, r.top, r.right, r.bottom); }

  // Text in the font, on the brush's colour unless the brush is bsClear (transparent).
  void TextOut(int x, int y, std::string_view text);
  // Text at (x, y) clipped to rect; rect is filled with the brush first unless it is bsClear.
  void TextRect(const TRect& rect, int x, int y, std::string_view text);
  // DrawTextA with the canvas's font and brush; returns the text height, and with DT_CALCRECT
  // updates rect.
  int DrawTextRect(std::string_view text, TRect& rect, UINT flags);
  [[nodiscard]] TSize TextExtent(std::string_view text);  // GetTextExtentPoint32A in the font
  [[nodiscard]] int TextWidth(std::string_view text) { return TextExtent(text).cx; }
  [[nodiscard]] int TextHeight(std::string_view text) { return TextExtent(text).cy; }

  // Draws a graphic at its own size / stretched into rect (nothing for nullptr or empty).
  void Draw(int x, int y, const TGraphic* graphic);
  void StretchDraw(const TRect& rect, const TGraphic* graphic);
  // StretchBlt of source's rectangle into dest with CopyMode.
  void CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect);

  // The clip box of the DC (GetClipBox).
  [[nodiscard]] TRect ClipRect();

  // Serialises drawing from several threads: Lock/Unlock nest.
  void Lock();
  void Unlock();
  [[nodiscard]] bool TryLock();
  [[nodiscard]] int LockCount() const noexcept { return FLockCount; }

  // Deselects font, pen and brush; they are selected again on the next drawing call.
  void Refresh();

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  // Asked for a DC when Handle() is used without one: a derived canvas sets it with SetHandle.
  virtual void CreateHandle() {}
  // Makes sure the DC and the given objects are selected.
  void RequiredState(TCanvasState required);
  virtual void Changing();
  virtual void Changed();
  [[nodiscard]] TCanvasState State() const noexcept { return FState; }

 private:
  void DeselectHandles();
  void CreateFont();
  void CreatePen();
  void CreateBrush();
  void FontChanged(TObject* sender);
  void PenChanged(TObject* sender);
  void BrushChanged(TObject* sender);

  HDC FHandle = nullptr;
  TCanvasState FState = 0;
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
  DWORD FCopyMode = SRCCOPY;
  // Objects the DC had before ours were selected, put back by DeselectHandles.
  HGDIOBJ FOldFont = nullptr;
  HGDIOBJ FOldPen = nullptr;
  HGDIOBJ FOldBrush = nullptr;
  CRITICAL_SECTION FLock{};
  int FLockCount = 0;
};

// ---------------------------------------------------------------------------------------------
// Graphics

// A picture that can draw itself, load and save itself, and be streamed as binary data.
class TGraphic : public TPersistent {
  KORV_CLASS(TGraphic, TPersistent)
 public:
  [[nodiscard]] virtual bool Empty() const = 0;
  [[nodiscard]] virtual int Width() const = 0;
  [[nodiscard]] virtual int Height() const = 0;
  virtual void SetWidth(int width) = 0;
  virtual void SetHeight(int height) = 0;
  [[nodiscard]] bool Transparent() const noexcept { return FTransparent; }
  virtual void SetTransparent(bool value);
  [[nodiscard]] bool Modified() const noexcept { return FModified; }
  void SetModified(bool value);  // true fires OnChange

  // Loading raises EInvalidGraphic for data that is not a valid picture of the class; the
  // graphic is then left as it was.
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) const = 0;
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

  // Draws the picture into rect of the canvas (stretched when the sizes differ).
  virtual void Draw(TCanvas& canvas, const TRect& rect) const = 0;

  // Component streaming stores the picture as the binary property "Data" (ReadData/WriteData).
  void DefineProperties(TFiler* filer) override;
  // The "Data" property's bytes: the same bytes SaveToStream writes (by default).
  virtual void ReadData(TStream& stream);
  virtual void WriteData(TStream& stream) const;

  TNotifyEvent OnChange;

 protected:
  virtual void Changed();

 private:
  bool FTransparent = false;
  bool FModified = false;
};

using TGraphicClass = TClass;

enum TPixelFormat : uint8_t { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// ---------------------------------------------------------------------------------------------
// Device-independent bitmaps

// Bytes in a row of an uncompressed DIB: rows are padded to a multiple of 4 bytes.
[[nodiscard]] constexpr int DibRowBytes(int width, int bitCount) noexcept { return ((width * bitCount + 31) / 32) * 4; }
// The header of an uncompressed (BI_RGB) DIB; a negative height makes the rows top-down.
[[nodiscard]] BITMAPINFOHEADER DibHeader(int width, int height, WORD bitCount) noexcept;
// A DIB section and the address of its pixels (which live as long as the section).
struct TDibSection {
  TUniqueBitmap Handle;
  uint8_t* Bits = nullptr;
};
// A 24-bit DIB section of the platform's own memory; bottom-up rows, or top-down ones for a
// negative height. Raises EOutOfMemory "Out of system resources" when it cannot be had.
[[nodiscard]] TDibSection CreateDibSection24(int width, int height);

// Decoded BMP: 24-bit pixels, rows top-down, each row padded to a multiple of 4 bytes.
struct TDecodedBmp {
  int Width = 0;
  int Height = 0;
  int RowBytes = 0;
  std::vector<uint8_t> Bits;  // Height * RowBytes bytes, blue-green-red
};
// Reads a BMP file image (BITMAPFILEHEADER first) of 1, 4, 8 (incl. RLE4/RLE8), 16, 24 or 32
// bits per pixel, bottom-up or top-down, with a core, info, V4 or V5 header. Raises
// EInvalidGraphic for anything it cannot read safely (truncated data, offsets or sizes out of
// range, unsupported compression). Never reads outside [data, data + size).
[[nodiscard]] TDecodedBmp DecodeBmp(const uint8_t* data, size_t size);
// Same without the file header (a packed DIB: BITMAPINFO then bits, as in resources).
[[nodiscard]] TDecodedBmp DecodePackedDib(const uint8_t* data, size_t size);
// Rows of 24-bit pixels to decode into: the top row and the distance from a row to the one
// below it (negative for the bottom-up rows of a DIB).
struct TBmpRows {
  uint8_t* Top;
  ptrdiff_t Stride;
};
// DecodeBmp without a buffer of its own: once the headers are checked, target(width, height)
// gives the rows, zeroed, that the pixels are decoded into. Same checks and errors.
void DecodeBmpTo(const uint8_t* data, size_t size, const std::function<TBmpRows(int, int)>& target);
// Largest width and height accepted (a guard against absurd allocations).
inline constexpr int MaxBitmapDimension = 32767;

class TBitmapCanvas;

// A 24-bit DIB section. Row 0 of ScanLine is the top row; the rows are stored bottom-up, so the
// stride between consecutive rows (Stride) is negative. A bitmap that keeps room (SetKeepsRoom)
// may hold its picture in the top-left part of a larger section.
class TBitmap : public TGraphic {
  KORV_CLASS(TBitmap, TGraphic)
 public:
  TBitmap();
  TBitmap(int width, int height);  // white pixels
  ~TBitmap() override;

  [[nodiscard]] bool Empty() const override { return !FHandle; }
  [[nodiscard]] int Width() const override { return FWidth; }
  [[nodiscard]] int Height() const override { return FHeight; }
  void SetWidth(int width) override { SetSize(width, FHeight); }
  void SetHeight(int height) override { SetSize(FWidth, height); }
  // Resizes, keeping the overlapping top-left part; new pixels are white. 0 in either
  // dimension makes the bitmap empty. Raises EInvalidGraphic beyond MaxBitmapDimension.
  void SetSize(int width, int height);
  // A bitmap that keeps room is resized again and again (a window's image while the window is
  // dragged larger and smaller): it keeps its section while the picture still fills a quarter
  // of it, and a section made anew for another size gets room to grow into. Its picture is then
  // the top-left Width x Height part of the section; ScanLine, Stride and RowBytes address it
  // there, and saving, copying and ReleaseHandle give the picture alone. Off by default;
  // switching it off gives the picture a section of its own size.
  [[nodiscard]] bool KeepsRoom() const noexcept { return FKeepsRoom; }
  void SetKeepsRoom(bool value);

  // The DIB section (nullptr while empty). The bitmap keeps owning it. While the bitmap's canvas
  // has a DC the section is selected into it, and a bitmap can be selected into one DC at a
  // time: call FreeCanvasDC before selecting Handle() into a DC of your own. With room kept, the
  // section may be larger than the picture.
  [[nodiscard]] HBITMAP Handle() const noexcept { return FHandle.Get(); }
  // Deletes the canvas's memory DC (the canvas makes a new one on its next use).
  void FreeCanvasDC() { FreeCanvasContext(); }
  // Takes ownership of a bitmap of any kind: the picture becomes a 24-bit DIB copy of it and
  // the given handle is freed. nullptr empties the bitmap.
  void SetHandle(HBITMAP bitmap);
  // Hands the DIB section over to the caller (who must DeleteObject it); the bitmap is empty.
  [[nodiscard]] HBITMAP ReleaseHandle();

  // Address of the first byte of row (0 = top). Raises EInvalidGraphicOperation "Scan line
  // index out of range" outside 0..Height-1. Flushes pending GDI drawing first.
  [[nodiscard]] uint8_t* ScanLine(int row);
  [[nodiscard]] const uint8_t* ScanLine(int row) const;
  // ScanLine(1) - ScanLine(0) in bytes (negative: bottom-up rows).
  [[nodiscard]] int Stride() const noexcept { return -RowBytes(); }
  [[nodiscard]] int RowBytes() const noexcept { return DibRowBytes(FSectionWidth, 24); }

  // Always pf24bit; setting pf24bit is accepted, any other format raises
  // EInvalidGraphicOperation (the class keeps every picture in 24-bit form).
  [[nodiscard]] TPixelFormat PixelFormat() const noexcept { return pf24bit; }
  void SetPixelFormat(TPixelFormat format);

  // The colour drawn transparent when Transparent is set. Automatic (the default): the
  // bottom-left pixel (clNone while empty). Setting clDefault returns to automatic.
  [[nodiscard]] TColor TransparentColor() const;
  void SetTransparentColor(TColor color);

  // A canvas drawing on the bitmap (created on first use; lives as long as the bitmap).
  [[nodiscard]] TCanvas* Canvas();

  // Deep copy of a TBitmap; another TGraphic is drawn onto a bitmap of its size; nullptr
  // empties the bitmap.
  void Assign(const TPersistent* source) override;

  // Any BMP DecodeBmp reads. Writes a 24-bit bottom-up BMP file.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;
  // A BMP from memory (the file image).
  void LoadFromBuffer(const uint8_t* data, size_t size);

  // Takes decoded 24-bit pixels (another decoder's output) as the new picture.
  void AssignDecoded(const TDecodedBmp& image);

  void Draw(TCanvas& canvas, const TRect& rect) const override;

 protected:
  void Changed() override;

 private:
  friend class TBitmapCanvas;
  void NewImage(int width, int height, const TDecodedBmp* source);
  // Makes dib (width x height; empty for none) the picture; the canvas's DC lets go of the old
  // one first.
  void TakeDib(TDibSection dib, int width, int height) { TakeDib(std::move(dib), width, height, width, height); }
  // The same for a section of sectionWidth x sectionHeight holding the picture top-left.
  void TakeDib(TDibSection dib, int width, int height, int sectionWidth, int sectionHeight);
  // The picture in a section of its own size (a no-op when it has one).
  void FitSection();
  // Copies the picture's rows to dst (bottom-up rows of dstRowBytes bytes), each padded with
  // zeros; a section of the picture's own size is copied whole, padding included.
  void CopyRowsTo(uint8_t* dst, int dstRowBytes) const;
  // Row y (0 = top) of the section, unchecked and unflushed.
  [[nodiscard]] uint8_t* SectionRow(int y) const noexcept {
    return FBits + static_cast<size_t>(FSectionHeight - 1 - y) * static_cast<size_t>(RowBytes());
  }
  void FreeCanvasContext();
  void CanvasChanged(TObject* sender);

  TUniqueBitmap FHandle;
  uint8_t* FBits = nullptr;  // DIB section memory (bottom-up rows)
  int FWidth = 0;
  int FHeight = 0;
  int FSectionWidth = 0;  // the section's size (the picture's unless room is kept)
  int FSectionHeight = 0;
  bool FKeepsRoom = false;
  TColor FTransparentColor = clDefault;
  std::unique_ptr<TBitmapCanvas> FCanvas;
};

// An icon (HICON). Loaded from .ico data, the original bytes are kept for saving.
class TIcon : public TGraphic {
  KORV_CLASS(TIcon, TGraphic)
 public:
  TIcon();
  ~TIcon() override;

  [[nodiscard]] bool Empty() const override { return !FHandle; }
  [[nodiscard]] int Width() const override { return FWidth; }
  [[nodiscard]] int Height() const override { return FHeight; }
  // An icon's size comes from its image: setting it raises EInvalidGraphicOperation "Cannot
  // change the size of an icon" unless the value is the current one.
  void SetWidth(int width) override;
  void SetHeight(int height) override;

  // The icon handle (owned). SetHandle takes ownership of the given icon (nullptr empties).
  [[nodiscard]] HICON Handle() const noexcept { return FHandle.Get(); }
  void SetHandle(HICON icon);
  [[nodiscard]] HICON ReleaseHandle();

  void Assign(const TPersistent* source) override;
  // .ico data: the image closest to the system's large icon size is taken. Raises
  // EInvalidGraphic "Invalid icon" for anything else.
  void LoadFromStream(TStream& stream) override;
  // The loaded .ico bytes, or, for an icon given as a handle, a one-image .ico built from it.
  void SaveToStream(TStream& stream) const override;

  void Draw(TCanvas& canvas, const TRect& rect) const override;

 protected:
  void Changed() override;

 private:
  TUniqueIcon FHandle;
  int FWidth = 0;
  int FHeight = 0;
  std::vector<uint8_t> FData;  // original .ico bytes (empty for an icon set by handle)
};

// Icon directory parsing (a plain function over bytes): the offset and size of the image the
// loader uses, validated inside the buffer. Raises EInvalidGraphic "Invalid icon".
struct TIconImageRef {
  size_t Offset = 0;
  size_t Size = 0;
  int Width = 0;
  int Height = 0;
};
[[nodiscard]] TIconImageRef SelectIconImage(const uint8_t* data, size_t size, int wantWidth, int wantHeight);

}  // namespace korv
