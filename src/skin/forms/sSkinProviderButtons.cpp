// The caption buttons of a skinned form: placed right to left in the title, drawn from the skin's
// images in their normal, hot, pressed and disabled looks, and repainted one at a time when the
// mouse makes one hot or pressed.
#include <algorithm>
#include <utility>

#include "classlib/Handles.h"
#include "skin/core/sSkinManager.h"
#include "skin/forms/sMDIForm.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/paint/sMaskCopy.h"

namespace korv {

namespace {

// The top of the button row: centred on the caption and the top frame, two pixels lower for
// images under 16 pixels high.
int ButtonTop(const TsFormFrame& f, int height) noexcept {
  const int top = (f.SysCaptionHeight() - height + f.SysBorderHeight()) / 2;
  return height < 16 ? top + 2 : top;
}

// The glyph mode of a button: the disabled look (2) for a disabled button, and for a button at
// rest on an inactive form; the full look (1) otherwise, so hover and press show on inactive
// forms too.
int GlyphMode(bool formActive, bool enabled, int state) noexcept {
  return (!formActive || !enabled) && (state == 0 || !enabled) ? 2 : 1;
}

bool IsTitleCode(int code, int count) noexcept { return code >= htSkinTitleButton && code - htSkinTitleButton < count; }

}  // namespace

bool TsSkinProvider::SysButtonsShown() const noexcept { return (FBorderIcons & biSystemMenu) && SystemMenu; }

const TsCaptionButton* TsSkinProvider::ButtonRecord(int code) const {
  switch (code) {
    case htSkinMinimize:
      return &ButtonMin;
    case htSkinMaximize:
      return &ButtonMax;
    case htSkinClose:
      return &ButtonClose;
    case htSkinHelp:
      return &ButtonHelp;
    case htSkinMDIClose:
      return &MDIClose;
    case htSkinMDIRestore:
      return &MDINorm;
    case htSkinMDIMinimize:
      return &MDIMin;
    default:
      break;
  }
  if (IsTitleCode(code, FTitleButtons->Count())) return &FTitleButtons->Items(code - htSkinTitleButton)->Data;
  return nullptr;
}

TsCaptionButton* TsSkinProvider::ButtonRecord(int code) {
  return const_cast<TsCaptionButton*>(std::as_const(*this).ButtonRecord(code));
}

int TsSkinProvider::SkinImage(const char* name) const {
  const TsSkinManager* sm = Manager();
  if (!sm) return -1;
  const int global = sm->GetMaskIndex(sm->GetSkinIndex(s_GlobalInfo), s_GlobalInfo, name);
  return sm->IsValidSkinIndex(global) ? global : sm->GetMaskIndex(FSkinData->SkinIndex, FSkinData->SkinSection(), name);
}

int TsSkinProvider::ButtonImage(int code) const {
  const TsSysButtonsState s = ButtonsState();
  const bool maximized = s.WindowState == wsMaximized && !s.Iconic;
  const bool minimized = s.Iconic || s.WindowState == wsMinimized;
  if ((code == htSkinMaximize && maximized) || (code == htSkinMinimize && minimized)) return SkinImage("BICONNORM");
  // The maximised child's restore: the small restore image, else the big one.
  if (code == htSkinMDIRestore) {
    const int small = SkinImage("SICONNORM");
    return small >= 0 ? small : SkinImage("BICONNORM");
  }
  const TsCaptionButton* b = ButtonRecord(code);
  return b ? b->ImageIndex : -1;
}

bool TsSkinProvider::ButtonEnabled(int code) const {
  const TsSysButtonsState s = ButtonsState();
  switch (code) {
    case htSkinMaximize:
      return s.WindowState == wsMaximized && !s.Iconic ? RestoreEnabled(s) : MaximizeEnabled(s);
    case htSkinMinimize:
      return s.Iconic || s.WindowState == wsMinimized ? RestoreEnabled(s) : MinimizeEnabled(s);
    default:
      break;
  }
  if (IsTitleCode(code, FTitleButtons->Count())) return FTitleButtons->Items(code - htSkinTitleButton)->Enabled();
  return true;
}

int TsSkinProvider::TitleButtonWidth(const TsTitleButton& button) const {
  TsCaptionButton image;
  image.ImageIndex = button.UseSkinData() ? TitleButtonImage : -1;
  return std::max(button.Glyph()->Width() + 2, SysButtonWidth(image));
}

void TsSkinProvider::DrawCaptionButton(int code) {
  TsSkinManager* sm = Manager();
  TBitmap* cache = FSkinData->CacheBmp.get();
  const TsCaptionButton* b = ButtonRecord(code);
  if (!sm || !cache || cache->Empty() || !b) return;
  const int image = ButtonImage(code);
  if (sm->IsValidSkinIndex(image))
    DrawSkinGlyph(cache, Point(b->Rect.left, b->Rect.top), b->State, sm->Images[static_cast<size_t>(image)],
                  GlyphMode(FormActive, ButtonEnabled(code), b->State));
  if (!IsTitleCode(code, FTitleButtons->Count())) return;
  TBitmap* glyph = FTitleButtons->Items(code - htSkinTitleButton)->Glyph();
  if (!glyph || glyph->Empty() || glyph->Width() < 1 || glyph->Height() < 1) return;
  // Centred, one pixel lower and to the right while pressed, and kept inside the button (whose
  // repaint restores only its rectangle); the glyph's bottom-left pixel is its transparent colour.
  const int shift = b->State == 2 ? 1 : 0;
  const int x = b->Rect.left + (RectWidth(b->Rect) - glyph->Width()) / 2 + shift;
  const int y = b->Rect.top + (RectHeight(b->Rect) - glyph->Height()) / 2 + shift;
  const int left = std::max<int>(x, b->Rect.left), top = std::max<int>(y, b->Rect.top);
  const int w = std::min<int>(x + glyph->Width(), b->Rect.right) - left;
  const int h = std::min<int>(y + glyph->Height(), b->Rect.bottom) - top;
  if (w < 1 || h < 1) return;
  HDC src = glyph->Canvas()->Handle();
  const COLORREF key = GetPixel(src, 0, glyph->Height() - 1);
  TransparentBlt(cache->Canvas()->Handle(), left, top, w, h, src, left - x, top - y, w, h, key);
}

std::vector<int> TsSkinProvider::CaptionButtonCodes() const {
  std::vector<int> codes;
  if (SysButtonsShown()) {
    const TsSysButtonsState s = ButtonsState();
    codes.push_back(htSkinClose);
    if (MaximizeVisible(s)) codes.push_back(htSkinMaximize);
    if (MinimizeVisible(s)) codes.push_back(htSkinMinimize);
    if (FBorderIcons & biHelp) codes.push_back(htSkinHelp);
  }
  for (int i = 0; i < FTitleButtons->Count(); ++i) codes.push_back(htSkinTitleButton + i);
  return codes;
}

TRect TsSkinProvider::CaptionButtonRow() const {
  const TsFormFrame f = Frame();
  const int h = SysButtonHeight();
  const int top = ButtonTop(f, h);
  return Rect(0, top, f.FormWidth(), top + h);
}

bool TsSkinProvider::ButtonFits(const TRect& r) const { return !IsRectEmpty(&r) && IconRect().right < r.left; }

void TsSkinProvider::PaintCaptionButtons() {
  TBitmap* cache = FSkinData->CacheBmp.get();
  if (!Form || !cache || cache->Empty()) return;
  const TRect row = CaptionButtonRow();
  int x = FormWidth() - SysBorderWidth();
  for (TsCaptionButton* b : {&ButtonClose, &ButtonMax, &ButtonMin, &ButtonHelp}) b->Rect = TRect{};
  for (const int code : CaptionButtonCodes()) {
    int width = 0;
    if (IsTitleCode(code, FTitleButtons->Count())) {
      TsTitleButton* b = FTitleButtons->Items(code - htSkinTitleButton);
      b->Data.ImageIndex = b->UseSkinData() ? TitleButtonImage : -1;
      width = TitleButtonWidth(*b);
    } else {
      width = SysButtonWidth(*ButtonRecord(code));
    }
    ButtonRecord(code)->Rect = Rect(x - width, row.top, x, row.bottom);
    x -= width;
    DrawCaptionButton(code);
  }
  PaintChildButtons();
}

bool TsSkinProvider::ChildButtonsShown() const { return MDIHelper && Form && ShowsMDIChildButtons(*Form); }

// Minimise, restore and close from the right frame leftwards, one pixel apart, centred on the
// last row of the menu line; all of the close image's frame size (16 without the image).
void TsSkinProvider::PaintChildButtons() {
  const int codes[] = {htSkinMDIClose, htSkinMDIRestore, htSkinMDIMinimize};
  for (const int code : codes) ButtonRecord(code)->Rect = TRect{};
  if (!ChildButtonsShown() || !MenuPresent()) return;
  const TsSkinManager* sm = Manager();
  const TsFormFrame f = Frame();
  int w = 16, h = 16;
  if (sm && sm->IsValidSkinIndex(MDIClose.ImageIndex)) {
    const TsMaskData& image = sm->Images[static_cast<size_t>(MDIClose.ImageIndex)];
    w = ImageFrameWidth(image);
    h = ImageFrameHeight(image);
  }
  const int top = f.HeaderHeight() - (f.MenuHeight() - h) / 2 - h - 1;
  for (int k = 1; k <= 3; ++k) {
    const int code = codes[k - 1];
    const int left = f.FormWidth() - f.SysBorderWidth() - (w + 1) * k;
    ButtonRecord(code)->Rect = Bounds(left, top, w, h);
    RestoreMenuLine(ButtonRecord(code)->Rect);
    DrawCaptionButton(code);
  }
}

// The strip was taken BorderWidth rows below the line's top, where the menu painter reads it too.
void TsSkinProvider::RestoreMenuLine(const TRect& r) {
  TBitmap* cache = FSkinData->CacheBmp.get();
  if (!cache || !MenuLineBackground || MenuLineBackground->Empty()) return;
  const TsFormFrame f = Frame();
  const int top = f.TitleHeight() + f.BorderWidth;
  TRect src = Rect(r.left, r.top - top, r.right, r.bottom - top);
  const TRect strip = Rect(0, 0, MenuLineBackground->Width(), MenuLineBackground->Height());
  if (IntersectRect(&src, &src, &strip))
    BitBlt(cache->Canvas()->Handle(), src.left, src.top + top, RectWidth(src), RectHeight(src),
           MenuLineBackground->Canvas()->Handle(), src.left, src.top, SRCCOPY);
}

void TsSkinProvider::RepaintButton(int code) {
  TBitmap* cache = FSkinData->CacheBmp.get();
  const TsCaptionButton* b = ButtonRecord(code);
  if (!Form || !cache || cache->Empty() || !b || !ButtonFits(b->Rect)) return;
  const TRect r = b->Rect;
  HDC dc = cache->Canvas()->Handle();
  // The strip under the buttons was taken from the window's right edge; the maximised MDI
  // child's buttons stand on the menu line.
  if (code == htSkinMDIClose || code == htSkinMDIRestore || code == htSkinMDIMinimize) {
    RestoreMenuLine(r);
  } else if (ButtonsBackground && !ButtonsBackground->Empty()) {
    const int origin = FormWidth() - ButtonsBackground->Width();
    TRect src = Rect(r.left - origin, r.top, r.right - origin, r.bottom);
    const TRect strip = Rect(0, 0, ButtonsBackground->Width(), ButtonsBackground->Height());
    if (IntersectRect(&src, &src, &strip))
      BitBlt(dc, src.left + origin, src.top, RectWidth(src), RectHeight(src), ButtonsBackground->Canvas()->Handle(),
             src.left, src.top, SRCCOPY);
  }
  DrawCaptionButton(code);
  if (!Form->HandleAllocated()) return;
  const TWindowDC window = TWindowDC::Window(Form->HandleIfAllocated());
  if (window) CopySameRect(window.Get(), r, dc);
}

void TsSkinProvider::SetHotButton(int code) {
  if (TMenuItem* item = HotMenuItem) {
    HotMenuItem = nullptr;
    if (TMenuItem::IsLive(item)) RepaintMenuItem(item, HotMenuItemRect, 0);
  }
  if (code == HotButton) return;
  if (TsCaptionButton* old = ButtonRecord(HotButton)) {
    old->State = 0;
    RepaintButton(HotButton);
  }
  HotButton = code;
  if (TsCaptionButton* b = ButtonRecord(code)) {
    b->State = 1;
    RepaintButton(code);
  }
}

// Maximise is pressed only while it would act: enabled, or the form maximised and restore
// enabled. The maximised MDI child's restore always acts, whatever the parent's own maximise.
void TsSkinProvider::SetPressedButton(int code) {
  if (code != HotButton) {
    if (TsCaptionButton* old = ButtonRecord(HotButton)) {
      old->State = 0;
      RepaintButton(HotButton);
    }
  }
  HotButton = code;
  TsCaptionButton* b = ButtonRecord(code);
  if (!b) return;
  const TsSysButtonsState s = ButtonsState();
  if (code == htSkinMaximize && !MaximizeEnabled(s) && !(s.WindowState == wsMaximized && RestoreEnabled(s))) return;
  b->State = 2;
  RepaintButton(code);
}

}  // namespace korv
