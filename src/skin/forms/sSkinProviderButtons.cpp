// The caption buttons of a skinned form: placed right to left in the title, drawn from the skin's
// images in their normal, hot, pressed and disabled looks, and repainted one at a time when the
// mouse makes one hot or pressed.
#include <algorithm>
#include <utility>

#include "classlib/Handles.h"
#include "skin/core/sSkinManager.h"
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

int TsSkinProvider::ButtonImage(int code) const {
  const TsSkinManager* sm = Manager();
  const TsSysButtonsState s = ButtonsState();
  const bool maximized = s.WindowState == wsMaximized && !s.Iconic;
  const bool minimized = s.Iconic || s.WindowState == wsMinimized;
  if (sm && ((code == htSkinMaximize && maximized) || (code == htSkinMinimize && minimized))) {
    const int norm = sm->GetMaskIndex(sm->GetSkinIndex(s_GlobalInfo), s_GlobalInfo, "BICONNORM");
    return sm->IsValidSkinIndex(norm) ? norm
                                      : sm->GetMaskIndex(FSkinData->SkinIndex, FSkinData->SkinSection(), "BICONNORM");
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
}

void TsSkinProvider::RepaintButton(int code) {
  TBitmap* cache = FSkinData->CacheBmp.get();
  const TsCaptionButton* b = ButtonRecord(code);
  if (!Form || !cache || cache->Empty() || !b || !ButtonFits(b->Rect)) return;
  const TRect r = b->Rect;
  HDC dc = cache->Canvas()->Handle();
  // The strip under the buttons was taken from the window's right edge.
  if (ButtonsBackground && !ButtonsBackground->Empty()) {
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
// enabled; an MDI child's restore only while the form's maximise is enabled.
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
  if (code == htSkinMDIRestore && !MaximizeEnabled(s)) return;
  b->State = 2;
  RepaintButton(code);
}

}  // namespace korv
