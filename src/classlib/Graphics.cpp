// Colours, font, pen, brush and canvas.
#include "classlib/Graphics.h"

#include <algorithm>
#include <cstring>

#include "classlib/Streaming.h"

namespace korv {

// ---------------------------------------------------------------------------------------------
// Colours

TColor ColorToRGB(TColor color) noexcept {
  if (IsSystemColor(color)) return static_cast<TColor>(GetSysColor(color & 0xFF));
  return color;
}

int ScreenPixelsPerInch() noexcept {
  static const int ppi = [] {
    HDC dc = GetDC(nullptr);
    int v = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return v > 0 ? v : 96;
  }();
  return ppi;
}

// ---------------------------------------------------------------------------------------------
// Published properties of the GDI object wrappers (streamed as sub-objects of controls).

namespace {

const char* const kFontPitchIdents[] = {"fpDefault", "fpVariable", "fpFixed"};
const char* const kFontStyleIdents[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
const char* const kPenStyleIdents[] = {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"};
const char* const kPenModeIdents[] = {"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy",
                                      "pmMergePenNot", "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen",
                                      "pmMerge", "pmNotMerge", "pmMask", "pmNotMask", "pmXor", "pmNotXor"};
const char* const kBrushStyleIdents[] = {"bsSolid", "bsClear", "bsHorizontal", "bsVertical",
                                         "bsFDiagonal", "bsBDiagonal", "bsCross", "bsDiagCross"};

const TPropInfo kFontProps[] = {
    KORV_PROP_INT(TFont, Charset, DEFAULT_CHARSET),
    KORV_PROP_INT(TFont, Color, clWindowText),
    KORV_PROP_INT_NODEFAULT(TFont, Height),
    KORV_PROP_STR_NODEFAULT(TFont, Name),
    KORV_PROP_ENUM(TFont, Pitch, kFontPitchIdents, fpDefault),
    KORV_PROP_SET(TFont, Style, kFontStyleIdents, 0),
};
KORV_DEFINE_PROPS(TFont, kFontProps);

const TPropInfo kPenProps[] = {
    KORV_PROP_INT(TPen, Color, clBlack),
    KORV_PROP_ENUM(TPen, Mode, kPenModeIdents, pmCopy),
    KORV_PROP_ENUM(TPen, Style, kPenStyleIdents, psSolid),
    KORV_PROP_INT(TPen, Width, 1),
};
KORV_DEFINE_PROPS(TPen, kPenProps);

const TPropInfo kBrushProps[] = {
    KORV_PROP_INT(TBrush, Color, clWhite),
    KORV_PROP_ENUM(TBrush, Style, kBrushStyleIdents, bsSolid),
};
KORV_DEFINE_PROPS(TBrush, kBrushProps);

}  // namespace

KORV_DEFINE_CLASS(TGraphicsObject, TPersistent, nullptr, nullptr);
KORV_DEFINE_CLASS(
    TFont, TGraphicsObject, [](TObject*) -> TObject* { return new TFont(); }, &TFont_PropTable);
KORV_DEFINE_CLASS(
    TPen, TGraphicsObject, [](TObject*) -> TObject* { return new TPen(); }, &TPen_PropTable);
KORV_DEFINE_CLASS(
    TBrush, TGraphicsObject, [](TObject*) -> TObject* { return new TBrush(); }, &TBrush_PropTable);
KORV_DEFINE_CLASS(TCanvas, TPersistent, nullptr, nullptr);

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------------------------
// TFont

namespace {

void DefaultLogFont(LOGFONTA& lf, int ppi) {
  std::memset(&lf, 0, sizeof lf);
  lf.lfHeight = -MulDiv(8, ppi, 72);
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  std::strcpy(lf.lfFaceName, "MS Sans Serif");
}

}  // namespace

TFont::TFont() : FPixelsPerInch(ScreenPixelsPerInch()) { DefaultLogFont(FLog, FPixelsPerInch); }

TFont::~TFont() = default;

HFONT TFont::Handle() const {
  if (!FHandle) FHandle.Reset(CreateFontIndirectA(&FLog));
  return FHandle.Get();
}

void TFont::Changed() {
  // The old handle lives until the change has been announced: a canvas that has it selected
  // deselects it in its OnChange handler, and only then is it deleted.
  TUniqueFont old(FHandle.Release());
  TGraphicsObject::Changed();
}

void TFont::SetHandle(HFONT font) {
  if (font && font == FHandle.Get()) return;
  LOGFONTA lf;
  if (font) {
    if (GetObjectA(font, sizeof lf, &lf) != sizeof lf) {
      DeleteObject(font);  // the caller handed it over; keep the promise of ownership
      throw EInvalidGraphic("Invalid font handle");
    }
  } else {
    DefaultLogFont(lf, FPixelsPerInch);
  }
  TUniqueFont old(FHandle.Release());
  FHandle.Reset(font);
  FLog = lf;
  TGraphicsObject::Changed();
}

void TFont::SetName(const std::string& name) {
  if (name.empty()) return;
  char face[LF_FACESIZE] = {};
  std::strncpy(face, name.c_str(), LF_FACESIZE - 1);
  if (std::strcmp(face, FLog.lfFaceName) == 0) return;
  std::memcpy(FLog.lfFaceName, face, LF_FACESIZE);
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == FLog.lfHeight) return;
  FLog.lfHeight = height;
  Changed();
}

int TFont::Size() const noexcept { return -MulDiv(FLog.lfHeight, 72, FPixelsPerInch); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, FPixelsPerInch, 72)); }

void TFont::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  // The colour is not part of the font handle, but the canvas applies it on reselection.
  TGraphicsObject::Changed();
}

TFontStyles TFont::Style() const noexcept {
  TFontStyles s = 0;
  if (FLog.lfWeight >= FW_BOLD) s |= fsBold;
  if (FLog.lfItalic) s |= fsItalic;
  if (FLog.lfUnderline) s |= fsUnderline;
  if (FLog.lfStrikeOut) s |= fsStrikeOut;
  return s;
}

void TFont::SetStyle(TFontStyles style) {
  if (style == Style()) return;
  FLog.lfWeight = (style & fsBold) ? FW_BOLD : FW_NORMAL;
  FLog.lfItalic = (style & fsItalic) ? 1 : 0;
  FLog.lfUnderline = (style & fsUnderline) ? 1 : 0;
  FLog.lfStrikeOut = (style & fsStrikeOut) ? 1 : 0;
  Changed();
}

void TFont::SetCharset(TFontCharset charset) {
  if (charset == FLog.lfCharSet) return;
  FLog.lfCharSet = charset;
  Changed();
}

TFontPitch TFont::Pitch() const noexcept {
  switch (FLog.lfPitchAndFamily & 3) {
    case FIXED_PITCH:
      return fpFixed;
    case VARIABLE_PITCH:
      return fpVariable;
    default:
      return fpDefault;
  }
}

void TFont::SetPitch(TFontPitch pitch) {
  if (pitch == Pitch()) return;
  BYTE bits = pitch == fpFixed ? FIXED_PITCH : pitch == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
  FLog.lfPitchAndFamily = static_cast<BYTE>((FLog.lfPitchAndFamily & ~3) | bits);
  Changed();
}

void TFont::Assign(const TPersistent* source) {
  if (auto* f = dynamic_cast<const TFont*>(source)) {
    if (f == this) return;
    // A height given in pixels at another resolution keeps its point size here.
    LOGFONTA lf = f->FLog;
    if (f->FPixelsPerInch != FPixelsPerInch && lf.lfHeight < 0) lf.lfHeight = -MulDiv(f->Size(), FPixelsPerInch, 72);
    bool same = std::memcmp(&lf, &FLog, sizeof lf) == 0;
    if (same && f->FColor == FColor) return;
    FLog = lf;
    FColor = f->FColor;
    if (same)
      TGraphicsObject::Changed();  // colour only: the handle stays valid
    else
      Changed();
    return;
  }
  TGraphicsObject::Assign(source);
}

// ---------------------------------------------------------------------------------------------
// TPen

int PenModeToRop2(TPenMode mode) noexcept {
  static constexpr int kRop2[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                                  R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                                  R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                                  R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
  return mode <= pmNotXor ? kRop2[mode] : R2_COPYPEN;
}

TPen::TPen() = default;
TPen::~TPen() = default;

HPEN TPen::Handle() const {
  if (!FHandle) {
    static constexpr int kStyles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    int style = FStyle <= psInsideFrame ? kStyles[FStyle] : PS_SOLID;
    FHandle.Reset(CreatePen(style, FWidth, ColorToColorRef(FColor)));
  }
  return FHandle.Get();
}

void TPen::Changed() {
  TUniquePen old(FHandle.Release());
  TGraphicsObject::Changed();
}

void TPen::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Changed();
}

void TPen::SetWidth(int width) {
  if (width < 0 || width == FWidth) return;
  FWidth = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (style == FStyle || style > psInsideFrame) return;
  FStyle = style;
  Changed();
}

void TPen::SetMode(TPenMode mode) {
  if (mode == FMode || mode > pmNotXor) return;
  FMode = mode;
  TGraphicsObject::Changed();  // a DC setting: the pen handle stays valid
}

void TPen::Assign(const TPersistent* source) {
  if (auto* p = dynamic_cast<const TPen*>(source)) {
    if (p == this) return;
    bool handleSame = p->FColor == FColor && p->FWidth == FWidth && p->FStyle == FStyle;
    if (handleSame && p->FMode == FMode) return;
    FColor = p->FColor;
    FWidth = p->FWidth;
    FStyle = p->FStyle;
    FMode = p->FMode;
    if (handleSame)
      TGraphicsObject::Changed();
    else
      Changed();
    return;
  }
  TGraphicsObject::Assign(source);
}

// ---------------------------------------------------------------------------------------------
// TBrush

TBrush::TBrush() = default;
TBrush::~TBrush() = default;

HBRUSH TBrush::Handle() const {
  if (FHandle) return FHandle.Get();
  if (FBitmap && !FBitmap->Empty()) {
    FHandle.Reset(CreatePatternBrush(FBitmap->Handle()));
  } else {
    switch (FStyle) {
      case bsClear:
        return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));  // stock: never deleted
      case bsSolid:
        FHandle.Reset(CreateSolidBrush(ColorToColorRef(FColor)));
        break;
      default: {
        static constexpr int kHatch[] = {HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS};
        int hatch = FStyle <= bsDiagCross ? kHatch[FStyle - bsHorizontal] : HS_CROSS;
        FHandle.Reset(CreateHatchBrush(hatch, ColorToColorRef(FColor)));
        break;
      }
    }
  }
  return FHandle.Get();
}

void TBrush::Changed() {
  TUniqueBrush old(FHandle.Release());
  TGraphicsObject::Changed();
}

void TBrush::SetColor(TColor color) {
  if (color == FColor && FStyle != bsClear) return;
  FColor = color;
  if (FStyle == bsClear) FStyle = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == FStyle || style > bsDiagCross) return;
  FStyle = style;
  Changed();
}

void TBrush::SetBitmap(TBitmap* bitmap) {
  if (bitmap == FBitmap) return;
  FBitmap = bitmap;
  Changed();
}

void TBrush::Assign(const TPersistent* source) {
  if (auto* b = dynamic_cast<const TBrush*>(source)) {
    if (b == this) return;
    if (b->FColor == FColor && b->FStyle == FStyle && b->FBitmap == FBitmap) return;
    FColor = b->FColor;
    FStyle = b->FStyle;
    FBitmap = b->FBitmap;
    Changed();
    return;
  }
  TGraphicsObject::Assign(source);
}

// ---------------------------------------------------------------------------------------------
// TCanvas

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()) {
  InitializeCriticalSection(&FLock);
  FFont->OnChange = TNotifyEvent(this, &TCanvas::FontChanged);
  FPen->OnChange = TNotifyEvent(this, &TCanvas::PenChanged);
  FBrush->OnChange = TNotifyEvent(this, &TCanvas::BrushChanged);
}

TCanvas::~TCanvas() {
  DeselectHandles();
  DeleteCriticalSection(&FLock);
}

HDC TCanvas::Handle() {
  RequiredState(csHandleValid);
  return FHandle;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == FHandle) return;
  DeselectHandles();
  FHandle = dc;
  FState = dc ? TCanvasState{csHandleValid} : TCanvasState{0};
}

void TCanvas::DeselectHandles() {
  if (FHandle) {
    if (FOldFont) SelectObject(FHandle, FOldFont);
    if (FOldPen) SelectObject(FHandle, FOldPen);
    if (FOldBrush) SelectObject(FHandle, FOldBrush);
  }
  FOldFont = FOldPen = FOldBrush = nullptr;
  FState &= ~(csFontValid | csPenValid | csBrushValid);
}

void TCanvas::RequiredState(TCanvasState required) {
  TCanvasState need = required & ~FState;
  if (!need) return;
  if (need & csHandleValid) {
    CreateHandle();
    if (!FHandle) throw EInvalidOperation("Canvas does not allow drawing");
    FState |= csHandleValid;
  }
  if (need & csFontValid) CreateFont();
  if (need & csPenValid) CreatePen();
  if (need & csBrushValid) CreateBrush();
  FState |= need;
}

void TCanvas::CreateFont() {
  HGDIOBJ old = SelectObject(FHandle, FFont->Handle());
  if (!FOldFont && old && old != HGDI_ERROR) FOldFont = old;
  SetTextColor(FHandle, ColorToColorRef(FFont->Color()));
}

void TCanvas::CreatePen() {
  HGDIOBJ old = SelectObject(FHandle, FPen->Handle());
  if (!FOldPen && old && old != HGDI_ERROR) FOldPen = old;
  SetROP2(FHandle, PenModeToRop2(FPen->Mode()));
}

void TCanvas::CreateBrush() {
  HBRUSH b = FBrush->Handle();
  UnrealizeObject(b);
  HGDIOBJ old = SelectObject(FHandle, b);
  if (!FOldBrush && old && old != HGDI_ERROR) FOldBrush = old;
  if (FBrush->Style() == bsSolid) {
    SetBkColor(FHandle, ColorToColorRef(FBrush->Color()));
    SetBkMode(FHandle, OPAQUE);
  } else {
    // Hatches need a background colour different from the brush's; the mode is transparent,
    // so nothing draws with it.
    SetBkColor(FHandle, ~ColorToColorRef(FBrush->Color()) & 0x00FFFFFFu);
    SetBkMode(FHandle, TRANSPARENT);
  }
}

// The changed object is deselected before its old handle is deleted (see TFont::Changed).
void TCanvas::FontChanged(TObject*) {
  if ((FState & csFontValid) && FHandle) {
    if (FOldFont) SelectObject(FHandle, FOldFont);
    FOldFont = nullptr;
  }
  FState &= ~csFontValid;
}

void TCanvas::PenChanged(TObject*) {
  if ((FState & csPenValid) && FHandle) {
    if (FOldPen) SelectObject(FHandle, FOldPen);
    FOldPen = nullptr;
  }
  FState &= ~csPenValid;
}

void TCanvas::BrushChanged(TObject*) {
  if ((FState & csBrushValid) && FHandle) {
    if (FOldBrush) SelectObject(FHandle, FOldBrush);
    FOldBrush = nullptr;
  }
  FState &= ~csBrushValid;
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

TColor TCanvas::Pixels(int x, int y) {
  RequiredState(csHandleValid);
  return static_cast<TColor>(GetPixel(FHandle, x, y));
}

void TCanvas::SetPixels(int x, int y, TColor color) {
  Changing();
  RequiredState(csHandleValid | csPenValid);
  SetPixel(FHandle, x, y, ColorToColorRef(color));
  Changed();
}

TPoint TCanvas::PenPos() {
  RequiredState(csHandleValid);
  TPoint p{};
  GetCurrentPositionEx(FHandle, &p);
  return p;
}

void TCanvas::MoveTo(int x, int y) {
  RequiredState(csHandleValid);
  MoveToEx(FHandle, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::LineTo(FHandle, x, y);
  Changed();
}

void TCanvas::Polyline(const TPoint* points, int count) {
  if (!points || count < 2) return;
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::Polyline(FHandle, points, count);
  Changed();
}

void TCanvas::Polygon(const TPoint* points, int count) {
  if (!points || count < 2) return;
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::Polygon(FHandle, points, count);
  Changed();
}

void TCanvas::FillRect(const TRect& rect) {
  Changing();
  RequiredState(csHandleValid | csBrushValid);
  ::FillRect(FHandle, &rect, FBrush->Handle());
  Changed();
}

void TCanvas::FrameRect(const TRect& rect) {
  Changing();
  RequiredState(csHandleValid | csBrushValid);
  ::FrameRect(FHandle, &rect, FBrush->Handle());
  Changed();
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::Rectangle(FHandle, x1, y1, x2, y2);
  Changed();
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::RoundRect(FHandle, x1, y1, x2, y2, cornerWidth, cornerHeight);
  Changed();
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::Ellipse(FHandle, x1, y1, x2, y2);
  Changed();
}

void TCanvas::TextOut(int x, int y, std::string_view text) {
  Changing();
  RequiredState(csHandleValid | csFontValid | csBrushValid);
  ExtTextOutA(FHandle, x, y, 0, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
  TSize size{};
  GetTextExtentPoint32A(FHandle, text.data(), static_cast<int>(text.size()), &size);
  MoveToEx(FHandle, x + size.cx, y, nullptr);
  Changed();
}

void TCanvas::TextRect(const TRect& rect, int x, int y, std::string_view text) {
  Changing();
  RequiredState(csHandleValid | csFontValid | csBrushValid);
  UINT options = ETO_CLIPPED;
  if (FBrush->Style() != bsClear) options |= ETO_OPAQUE;
  ExtTextOutA(FHandle, x, y, options, &rect, text.data(), static_cast<UINT>(text.size()), nullptr);
  Changed();
}

int TCanvas::DrawTextRect(std::string_view text, TRect& rect, UINT flags) {
  bool calcOnly = (flags & DT_CALCRECT) != 0;
  if (!calcOnly) Changing();
  RequiredState(csHandleValid | csFontValid | csBrushValid);
  int h = ::DrawTextA(FHandle, text.data(), static_cast<int>(text.size()), &rect, flags);
  if (!calcOnly) Changed();
  return h;
}

TSize TCanvas::TextExtent(std::string_view text) {
  RequiredState(csHandleValid | csFontValid);
  TSize size{};
  GetTextExtentPoint32A(FHandle, text.data(), static_cast<int>(text.size()), &size);
  return size;
}

void TCanvas::Draw(int x, int y, const TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  Changing();
  RequiredState(csHandleValid);
  graphic->Draw(*this, Bounds(x, y, graphic->Width(), graphic->Height()));
  Changed();
}

void TCanvas::StretchDraw(const TRect& rect, const TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  Changing();
  RequiredState(csHandleValid);
  graphic->Draw(*this, rect);
  Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect) {
  if (!source) return;
  Changing();
  RequiredState(csHandleValid | csFontValid | csBrushValid);
  source->RequiredState(csHandleValid | csFontValid | csBrushValid);
  int oldMode = 0;
  bool stretch = RectWidth(dest) != RectWidth(sourceRect) || RectHeight(dest) != RectHeight(sourceRect);
  if (stretch) oldMode = SetStretchBltMode(FHandle, COLORONCOLOR);
  StretchBlt(FHandle, dest.left, dest.top, RectWidth(dest), RectHeight(dest), source->FHandle, sourceRect.left,
             sourceRect.top, RectWidth(sourceRect), RectHeight(sourceRect), FCopyMode);
  if (stretch && oldMode) SetStretchBltMode(FHandle, oldMode);
  Changed();
}

TRect TCanvas::ClipRect() {
  RequiredState(csHandleValid);
  TRect r{};
  GetClipBox(FHandle, &r);
  return r;
}

void TCanvas::Lock() {
  EnterCriticalSection(&FLock);
  ++FLockCount;
}

void TCanvas::Unlock() {
  --FLockCount;
  LeaveCriticalSection(&FLock);
}

bool TCanvas::TryLock() {
  if (!TryEnterCriticalSection(&FLock)) return false;
  ++FLockCount;
  return true;
}

void TCanvas::Refresh() { DeselectHandles(); }

}  // namespace korv
