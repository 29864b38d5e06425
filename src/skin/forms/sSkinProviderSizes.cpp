// The provider's geometry, icon and caption-button sizes, read from the form and the skin on
// every call, the caption icon's drawing and the lookup of the caption-button images.
#include <algorithm>

#include "skin/core/sMessages.h"
#include "skin/core/sSkinManager.h"
#include "skin/forms/sSkinProvider.h"

namespace korv {

// ---- geometry ----

TsFormFrame TsSkinProvider::Frame() const {
  if (!Form) {
    TsFormFrame none;
    none.BorderStyle = bsNone;
    return none;
  }
  return FormFrameOf(*Form);
}

int TsSkinProvider::SysBorderHeight() const { return Form ? Frame().SysBorderHeight() : 0; }
int TsSkinProvider::SysBorderWidth() const { return Form ? Frame().SysBorderWidth() : 0; }
int TsSkinProvider::SysCaptionHeight() const { return Form ? Frame().SysCaptionHeight() : 0; }
int TsSkinProvider::FormBorderHeight() const { return Frame().FormBorderHeight(); }
int TsSkinProvider::FormWidth() const { return Frame().FormWidth(); }
int TsSkinProvider::MenuHeight() const { return Frame().MenuHeight(); }
int TsSkinProvider::HeaderHeight() const { return Frame().HeaderHeight(); }
int TsSkinProvider::ClientOffsetX() const { return Frame().ClientOffsetX(); }
int TsSkinProvider::ClientOffsetY() const { return Frame().ClientOffsetY(); }

TPoint TsSkinProvider::FormLeftTop() const {
  if (!Form || !Form->HandleAllocated()) return Point(0, 0);
  HWND wnd = Form->HandleIfAllocated();
  if (Form->FormStyle() != fsMDIChild) {
    RECT r{};
    GetWindowRect(wnd, &r);
    return Point(r.left, r.top);
  }
  const TsFormFrame f = Frame();
  POINT p{0, 0};
  ClientToScreen(wnd, &p);
  return Point(p.x - f.SysBorderWidth(), p.y - f.SysBorderHeight() - (f.Iconic ? 0 : f.SysCaptionHeight()));
}

bool TsSkinProvider::MenuPresent() const {
  if (!Form || Form->BorderStyle() == bsDialog || Form->FormStyle() == fsMDIChild || !Form->Menu()) return false;
  // A merged menu (a maximised MDI child's) shows on the line too.
  for (const TMainMenu* menu : {Form->Menu(), Form->Menu()->Merged()}) {
    const TMenuItem* items = menu ? menu->Items() : nullptr;
    for (int i = 0; items && i < items->Count(); ++i)
      if (items->Items(i)->Visible()) return true;
  }
  return false;
}

int TsSkinProvider::MenuLines() {
  if (!Form || !Form->Menu()) return 0;
  if (MenuLineCount >= 0) return MenuLineCount;
  const TsFormFrame f = Frame();
  std::vector<TMenuItem*> items;
  std::vector<int> widths;
  MenuLineItems(items, widths);
  const int limit = f.FormWidth() - 2 * f.SysBorderWidth() - 2 * f.BorderWidth;
  MenuLineCount = MenuLineCountOf(widths, f.SysBorderWidth(), limit);
  return MenuLineCount;
}

// The bar's entries in the bar's order: the menu's visible items and a merged menu's, and entries
// of the system's own. While an MDI child is maximised the system puts the child's system menu
// first and its buttons, right-justified, last: the first takes its place in the row (nullptr),
// the others stand at the row's end, where the skin draws the child's buttons.
void TsSkinProvider::MenuLineItems(std::vector<TMenuItem*>& items, std::vector<int>& widths) const {
  if (!Form || !Form->Menu() || !Form->HandleAllocated()) return;
  HWND wnd = Form->HandleIfAllocated();
  HMENU bar = Form->Menu()->Handle();
  const int count = GetMenuItemCount(bar);
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE | MIIM_DATA;
    RECT r{};
    if (!GetMenuItemInfoA(bar, static_cast<UINT>(i), TRUE, &mii) || (mii.fType & MFT_RIGHTJUSTIFY) ||
        !GetMenuItemRect(wnd, bar, static_cast<UINT>(i), &r))
      continue;
    TMenuItem* item = TMenuItem::FromItemData(mii.dwItemData);
    if (item && !item->OnAdvancedDrawItem) continue;  // only what the menu painter draws
    items.push_back(item);
    widths.push_back(RectWidth(r));
  }
}

// ---- icon ----

bool TsSkinProvider::IconVisible() const {
  return Form && FShowAppIcon && (Form->BorderStyle() == bsSingle || Form->BorderStyle() == bsSizeable);
}

int TsSkinProvider::IconWidth() const {
  if (!IconVisible()) return 0;
  return FTitleIcon->Width() != 0 ? FTitleIcon->Width() : SnapIconSize(SysCaptionHeight());
}

int TsSkinProvider::IconHeight() const {
  if (!IconVisible()) return 0;
  return FTitleIcon->Height() != 0 ? FTitleIcon->Height() : SnapIconSize(SysCaptionHeight());
}

TRect TsSkinProvider::IconRect() const { return Frame().IconRect(IconWidth(), IconHeight()); }

void TsSkinProvider::DrawAppIcon() {
  TBitmap* cache = FSkinData->CacheBmp.get();
  if (!IconVisible() || !cache || cache->Empty()) return;
  const TRect place = IconRect();
  HDC dc = cache->Canvas()->Handle();
  TBitmap* glyph = FTitleIcon->Glyph();
  if (glyph && !glyph->Empty()) {
    const int w = FTitleIcon->Width() != 0 ? FTitleIcon->Width() : SnapIconSize(HeaderHeight()) - 2;
    const int h = FTitleIcon->Height() != 0 ? FTitleIcon->Height() : SnapIconSize(HeaderHeight()) - 2;
    if (w > 0 && h > 0)
      TransparentBlt(dc, place.left, place.top, w, h, glyph->Canvas()->Handle(), 0, 0, glyph->Width(),
                     glyph->Height(), RGB(0xFF, 0x00, 0xFF));
    return;
  }
  auto drawIcon = [&](HICON icon, int w, int h) {
    DrawIconEx(dc, place.left, place.top, icon, w, h, 0, nullptr, DI_NORMAL);
  };
  if (Form->Icon() && Form->Icon()->Handle()) return drawIcon(Form->Icon()->Handle(), IconWidth(), IconHeight());
  if (Application && Application->Icon() && Application->Icon()->Handle())
    return drawIcon(Application->Icon()->Handle(), IconWidth(), IconHeight());
  const int w = FTitleIcon->Width() != 0 ? FTitleIcon->Width() : SysCaptionHeight() - place.top;
  const int h = FTitleIcon->Height() != 0 ? FTitleIcon->Height() : SysCaptionHeight() - place.top;
  if (h > 16 && AppIconLarge && AppIconLarge->Handle()) return drawIcon(AppIconLarge->Handle(), w, h);
  if (AppIconSmall && AppIconSmall->Handle()) return drawIcon(AppIconSmall->Handle(), w, h);
  drawIcon(LoadIconA(nullptr, IDI_APPLICATION), IconWidth(), IconHeight());
}

// ---- caption buttons ----

TsSysButtonsState TsSkinProvider::ButtonsState() const {
  TsSysButtonsState s;
  s.Icons = FBorderIcons;
  if (!Form) return s;
  s.BorderStyle = Form->BorderStyle();
  s.WindowState = Form->WindowState();
  s.Iconic = Form->HandleAllocated() && IsIconic(Form->HandleIfAllocated());
  return s;
}

// A button whose image is missing, or whose frame is less than a pixel, is of the default size.
int TsSkinProvider::SysButtonHeight() const {
  const TsSkinManager* sm = Manager();
  if (!sm || !sm->IsValidSkinIndex(ButtonClose.ImageIndex)) return kDefaultButtonSize;
  const int h = ImageFrameHeight(sm->Images[static_cast<size_t>(ButtonClose.ImageIndex)]);
  return h >= 1 ? h : kDefaultButtonSize;
}

int TsSkinProvider::SysButtonWidth(const TsCaptionButton& button) const {
  const TsSkinManager* sm = Manager();
  if (!sm || !sm->IsValidSkinIndex(button.ImageIndex)) return kDefaultButtonSize;
  const int w = ImageFrameWidth(sm->Images[static_cast<size_t>(button.ImageIndex)]);
  return w >= 1 ? w : kDefaultButtonSize;
}

int TsSkinProvider::TitleBarStripWidth(int imageIndex) const {
  const TsSkinManager* sm = Manager();
  const int side =
      sm && sm->IsValidSkinIndex(imageIndex) ? TitleBarSideWidth(sm->Images[static_cast<size_t>(imageIndex)]) : 0;
  return 2 * side + ButtonsWidth();
}

int TsSkinProvider::VisibleSysButtons() const {
  if (!SysButtonsShown()) return 0;
  const TsSysButtonsState s = ButtonsState();
  return 1 + (MaximizeVisible(s) ? 1 : 0) + (MinimizeVisible(s) ? 1 : 0) + ((FBorderIcons & biHelp) ? 1 : 0);
}

int TsSkinProvider::ButtonsWidth() const {
  int w = 0;
  if (SysButtonsShown()) {
    const TsSysButtonsState s = ButtonsState();
    w += SysButtonWidth(ButtonClose);
    if (MaximizeVisible(s)) w += SysButtonWidth(ButtonMax);
    if (MinimizeVisible(s)) w += SysButtonWidth(ButtonMin);
    if (FBorderIcons & biHelp) w += SysButtonWidth(ButtonHelp);
  }
  for (int i = 0; i < FTitleButtons->Count(); ++i) w += TitleButtonWidth(*FTitleButtons->Items(i));
  return w;
}

void TsSkinProvider::UpdateButtonImages() {
  // Indexes of an earlier skin mean nothing in the new tables.
  for (TsCaptionButton* b : {&ButtonMin, &ButtonMax, &ButtonClose, &ButtonHelp, &MDIMin, &MDINorm, &MDIClose})
    b->ImageIndex = -1;
  TitleButtonImage = -1;
  TsSkinManager* sm = Manager();
  if (!sm) return;
  const int global = sm->GetSkinIndex(s_GlobalInfo);
  if (!sm->IsValidSectionIndex(global)) return;
  auto globalImage = [&](const char* name) { return sm->GetMaskIndex(global, s_GlobalInfo, name); };
  const bool big = Form && (Form->BorderStyle() == bsSingle || Form->BorderStyle() == bsSizeable);
  const bool mdiParent = Form && Form->FormStyle() == fsMDIForm;
  // The four caption buttons from one prefix of an image lookup ("BICON" or "SICON"); an MDI
  // parent's child buttons from another, or the same images as the form's own.
  auto takeButtons = [&](auto image, const char* prefix) {
    const std::string p = prefix;
    ButtonMin.ImageIndex = image((p + "MIN").c_str());
    ButtonMax.ImageIndex = image((p + "MAX").c_str());
    ButtonClose.ImageIndex = image((p + "CLOSE").c_str());
    ButtonHelp.ImageIndex = image("BICONHELP");
  };
  bool smallChildButtons = false;
  if (sm->IsValidSkinIndex(globalImage("BICONCLOSE"))) {
    takeButtons(globalImage, big ? "BICON" : "SICON");
    if (sm->IsValidSkinIndex(ButtonClose.ImageIndex))
      smallChildButtons = sm->IsValidSkinIndex(globalImage("SICONMIN"));
    else
      takeButtons(globalImage, "BICON");  // no small close image: the big ones serve every style
  } else {
    // A skin without the global close image keeps its caption buttons in the form's section.
    const int own = FSkinData->SkinIndex;
    const std::string& section = FSkinData->SkinSection();
    takeButtons([&](const char* name) { return sm->GetMaskIndex(own, section, name); }, "BICON");
  }
  if (mdiParent) {
    MDIMin.ImageIndex = smallChildButtons ? globalImage("SICONMIN") : ButtonMin.ImageIndex;
    MDINorm.ImageIndex = smallChildButtons ? globalImage("SICONMAX") : ButtonMax.ImageIndex;
    MDIClose.ImageIndex = smallChildButtons ? globalImage("SICONCLOSE") : ButtonClose.ImageIndex;
  }
  TitleButtonImage = globalImage("TITLEBUTTON");
}

}  // namespace korv
