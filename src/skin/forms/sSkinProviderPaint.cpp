// The skinned non-client area: the whole window image composed in the cache bitmap of the
// provider's skin link (borders, title, icon, menu line, grip, caption buttons, caption text),
// copied to the window in four strips, and the window region cut at the skin's key-colour corners.
#include <algorithm>
#include <utility>

#include "classlib/Handles.h"
#include "skin/core/sMessages.h"
#include "skin/core/sSkinManager.h"
#include "skin/forms/sMDIForm.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/paint/sFast24.h"
#include "skin/paint/sMaskCopy.h"
#include "skin/paint/sStyleSimply.h"

namespace korv {

void SendNcPaint(HWND wnd) {
  if (wnd) SendMessageA(wnd, WM_NCPAINT, 0, 0);
}

void CopySameRect(HDC dst, const TRect& r, HDC src) {
  if (RectWidth(r) > 0 && RectHeight(r) > 0)
    BitBlt(dst, r.left, r.top, RectWidth(r), RectHeight(r), src, r.left, r.top, SRCCOPY);
}

namespace {

// The caption font: the form's font at the height of the system's status font, bold.
void SetCaptionFont(TCanvas& canvas, const TFont* formFont) {
  canvas.SetFont(formFont);
  NONCLIENTMETRICSA ncm{};
  ncm.cbSize = sizeof ncm;
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0)) {
    ncm.cbSize = sizeof ncm - sizeof ncm.iPaddedBorderWidth;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0);
  }
  if (ncm.lfStatusFont.lfHeight != 0) canvas.Font()->SetHeight(ncm.lfStatusFont.lfHeight);
  canvas.Font()->SetStyle(canvas.Font()->Style() | fsBold);
}

}  // namespace

int TsSkinProvider::TitleSkinIndex() const {
  const TsSkinManager* sm = Manager();
  return sm ? sm->GetSkinIndex(FTitleSkin.empty() ? "FORMTITLE" : FTitleSkin) : -1;
}

bool TsSkinProvider::FastPathApplies() {
  const TsSkinManager* sm = Manager();
  const TBitmap* cache = FSkinData->CacheBmp.get();
  if (RebuildRequested || !sm || !Form || !cache || !TitleBackground) return false;
  const TsGeneralData* section = FSkinData->Section();
  return section && section->ReservedBoolean && TitleBackground->Width() == FormWidth() &&
         cache->Height() == Form->Height() && Form->BorderStyle() != bsNone;
}

void TsSkinProvider::PaintAll() {
  if (!Form || FormCreating()) return;
  TsSkinManager* sm = Manager();
  if (!FSkinData->BGChanged || !sm) return;
  if (!FSkinData->CacheBmp) FSkinData->CacheBmp = std::make_unique<TBitmap>();
  TBitmap* cache = FSkinData->CacheBmp.get();
  // The window's image is sized again at every step of a resize: its section keeps room.
  cache->SetKeepsRoom(true);
  const TsFormFrame f = Frame();

  if (FastPathApplies()) {
    BitBlt(cache->Canvas()->Handle(), 0, 0, TitleBackground->Width(), TitleBackground->Height(),
           TitleBackground->Canvas()->Handle(), 0, 0, SRCCOPY);
    PaintCaption();
  } else {
    RegionChanged = true;
    cache->SetSize(std::max(0, f.FormWidth()), std::max(0, f.Height));
    const TRect r = Rect(0, 0, f.FormWidth(), f.Iconic ? f.TitleHeight() + 1 : f.Height);
    const int state = SkinState();
    if (sm->IsValidSectionIndex(FSkinData->SkinIndex) && !cache->Empty()) {
      if (f.Bordered())
        PaintItem(FSkinData.get(), EmptyCacheInfo, state, true, cache, Point(0, 0), r, state);
      else
        PaintItemBG(FSkinData.get(), EmptyCacheInfo, state, r, Point(0, 0), cache);
    }
    if (FGripMode == gmRightBottom) PaintGrip();
    const TsGeneralData* section = FSkinData->Section();
    if (section && section->ReservedBoolean && !cache->Empty() &&
        (!TitleBackground || TitleBackground->Width() != f.FormWidth())) {
      TitleBackground = CreateBmp24(f.FormWidth(), std::min(f.TitleHeight(), cache->Height()));
      BitBlt(TitleBackground->Canvas()->Handle(), 0, 0, TitleBackground->Width(), TitleBackground->Height(),
             cache->Canvas()->Handle(), 0, 0, SRCCOPY);
    }
    if (f.Bordered()) PaintTitle(f);
    if (MenuPresent() && f.MenuHeight() > 0) PaintMenuLine(f);
    if (f.Bordered()) {
      SaveButtonsBackground(f);
      PaintCaptionButtons();
      PaintCaptionText(f);
    }
    if (MDIHelper) MDIHelper->PaintArea();
  }
  // A new picture: the client's screen copy is taken again, the children see a new stamp.
  ++FSkinData->CacheStamp;
  ClientImage.Invalidate();
  RebuildRequested = false;
  ImageComposed = true;
  FSkinData->BGChanged = false;
  FSkinData->Updating = false;
}

void TsSkinProvider::PaintCaption() {
  if (!Form || !Manager() || !FSkinData->CacheBmp || FSkinData->CacheBmp->Empty()) return;
  const TsFormFrame f = Frame();
  if (!f.Bordered()) return;
  PaintTitle(f);
  SaveButtonsBackground(f);
  PaintCaptionButtons();
  PaintCaptionText(f);
}

void TsSkinProvider::PaintTitle(const TsFormFrame& f) {
  TsSkinManager* sm = Manager();
  TBitmap* cache = FSkinData->CacheBmp.get();
  const int state = SkinState();
  const int title = TitleSkinIndex();
  if (sm->IsValidSectionIndex(title)) {
    const TRect r = f.Iconic ? Rect(0, 0, cache->Width(), cache->Height()) : Rect(0, 0, f.FormWidth(), f.TitleHeight());
    PaintBorders(cache, sm, sm->Sections[static_cast<size_t>(title)].SectionName, state, r, Point(0, 0),
                 EmptyCacheInfo);
  }
  DrawAppIcon();
  const int bar = sm->GetMaskIndex(FSkinData->SkinIndex, FSkinData->SkinSection(), "TITLEBAR");
  if (VisibleSysButtons() > 0 && sm->IsValidSkinIndex(bar)) {
    const TsMaskData& image = sm->Images[static_cast<size_t>(bar)];
    const int w = 2 * TitleBarSideWidth(image) + ButtonsWidth();
    PaintRectByMask(cache, Rect(f.FormWidth() - w, 0, cache->Width(), f.TitleHeight()), state, image, true);
  }
}

int TsSkinProvider::GripImage(TRect& place) const {
  TsSkinManager* sm = Manager();
  if (!sm || !Form) return -1;
  const int grip = sm->GetMaskIndex(sm->GetSkinIndex(s_GlobalInfo), s_GlobalInfo, "GRIPIMAGE");
  if (!sm->IsValidSkinIndex(grip)) return -1;
  const TPoint frame = GripFrameSize(sm->Images[static_cast<size_t>(grip)]);
  if (frame.x < 1 || frame.y < 1) return -1;
  const TsFormFrame f = Frame();
  const TBitmap* cache = FSkinData->CacheBmp.get();
  const int w = cache && !cache->Empty() ? cache->Width() : f.WindowWidth;
  const int h = cache && !cache->Empty() ? cache->Height() : f.WindowHeight;
  place = Bounds(w - frame.x - f.SysBorderWidth(), h - frame.y - f.SysBorderHeight(), frame.x, frame.y);
  return grip;
}

void TsSkinProvider::PaintGrip() {
  TBitmap* cache = FSkinData->CacheBmp.get();
  TRect place{};
  const int grip = GripImage(place);
  if (grip < 0 || cache->Empty()) return;
  DrawSkinGlyph(cache, Point(place.left, place.top), 0, Manager()->Images[static_cast<size_t>(grip)], 1);
}

void TsSkinProvider::PaintMenuLine(const TsFormFrame& f) {
  TsSkinManager* sm = Manager();
  TBitmap* cache = FSkinData->CacheBmp.get();
  const int rows = MenuLines();
  const int top = f.TitleHeight();
  const int block = rows * f.MenuHeight();
  int line = FMenuLineSkin.empty() ? -1 : sm->GetSkinIndex(FMenuLineSkin);
  if (!sm->IsValidSectionIndex(line)) line = sm->GetSkinIndex("MENULINE");
  if (sm->IsValidSectionIndex(line))
    PaintBorders(cache, sm, sm->Sections[static_cast<size_t>(line)].SectionName, 0,
                 Rect(0, top, cache->Width(), top + block), Point(0, 0), EmptyCacheInfo);
  if (!MenuLineBackground) MenuLineBackground = std::make_unique<TBitmap>();
  MenuLineBackground->SetSize(std::max(0, f.FormWidth()), std::max(0, block));
  if (!MenuLineBackground->Empty())
    BitBlt(MenuLineBackground->Canvas()->Handle(), 0, 0, MenuLineBackground->Width(), MenuLineBackground->Height(),
           cache->Canvas()->Handle(), 0, top + f.BorderWidth, SRCCOPY);
  if (ChildButtonsShown()) DrawChildIcon(f);
  // The items that the menu painter draws, laid out in rows as the system lays the bar out (a
  // maximised MDI child's merged items among them, and places of the system's own entries).
  std::vector<TMenuItem*> items;
  std::vector<int> widths;
  MenuLineItems(items, widths);
  const int limit = f.FormWidth() - 2 * f.SysBorderWidth() - 2 * f.BorderWidth;
  const std::vector<TPoint> places = LayMenuItems(widths, f.SysBorderWidth(), top, limit, f.MenuHeight());
  for (size_t i = 0; i < items.size(); ++i) {
    if (!items[i]) continue;
    const TRect r = Bounds(places[i].x, places[i].y, widths[i], f.MenuHeight());
    items[i]->OnAdvancedDrawItem(items[i], cache->Canvas(), r, 0);
  }
}

// The child's icon, else the application's, else the system's, a pixel inside the line's start.
void TsSkinProvider::DrawChildIcon(const TsFormFrame& f) {
  const TCustomForm* child = Form->ActiveMDIChild();
  HICON icon = child && child->Icon() ? child->Icon()->Handle() : nullptr;
  if (!icon && Application && Application->Icon()) icon = Application->Icon()->Handle();
  if (!icon) icon = LoadIconA(nullptr, IDI_APPLICATION);
  const int size = f.MenuHeight() - 2;
  if (icon && size > 0)
    DrawIconEx(FSkinData->CacheBmp->Canvas()->Handle(), f.SysBorderWidth() + 1, f.TitleHeight() + 1, icon, size, size,
               0, nullptr, DI_NORMAL);
}

// The strip under the caption buttons, taken from the same origin that a button's repaint puts
// it back to.
void TsSkinProvider::SaveButtonsBackground(const TsFormFrame& f) {
  TBitmap* cache = FSkinData->CacheBmp.get();
  if (!ButtonsBackground) ButtonsBackground = std::make_unique<TBitmap>();
  const int w = ButtonsWidth() + f.SysBorderWidth();
  ButtonsBackground->SetSize(std::max(0, w), std::max(0, f.HeaderHeight()));
  if (!ButtonsBackground->Empty())
    BitBlt(ButtonsBackground->Canvas()->Handle(), 0, 0, ButtonsBackground->Width(), ButtonsBackground->Height(),
           cache->Canvas()->Handle(), f.FormWidth() - w, 0, SRCCOPY);
}

void TsSkinProvider::PaintCaptionText(const TsFormFrame& f) {
  TBitmap* cache = FSkinData->CacheBmp.get();
  TRect r = CaptionTextRect(f, IconVisible(), IconWidth(), ButtonsWidth());
  if (IsRectEmpty(&r)) return;
  TCanvas& canvas = *cache->Canvas();
  SetCaptionFont(canvas, Form->Font());
  const std::string text = CutText(&canvas, Form->Caption(), RectWidth(r));
  if (text.empty()) return;
  WriteTextEx(&canvas, text, true, r, DrawTextFlags(Form, FCaptionAlignment), Manager(), TitleSkinIndex(),
              !FormActive);
}

void TsSkinProvider::PaintToWindow(HDC dc) {
  if (!Form || !FSkinData->CacheBmp) return;
  if (FSkinData->BGChanged) {
    if (!FastPathApplies()) ClientRepaint = !ImageComposed;
    PaintAll();
    FSkinData->BGChanged = false;
    FSkinData->Updating = false;
  }
  TBitmap* cache = FSkinData->CacheBmp.get();
  if (cache->Empty()) return;
  const TsFormFrame f = Frame();
  const int block = MenuPresent() ? MenuLines() * f.MenuHeight() : 0;
  HDC src = cache->Canvas()->Handle();
  for (const TRect& strip : NonClientStrips(f, block, cache->Width(), cache->Height())) CopySameRect(dc, strip, src);
}

void TsSkinProvider::FullRedraw() {
  FSkinData->BGChanged = true;
  RebuildRequested = true;
  MenuLineCount = -1;
  if (Form) SendNcPaint(Form->HandleIfAllocated());
}

// ---- the window region ----

void TsSkinProvider::BuildRegionList() {
  const TsFormFrame f = Frame();
  BuildRegionList(f.FormWidth(), f.Height);
}

void TsSkinProvider::BuildRegionList(int width, int height) {
  RegionList.clear();
  TsSkinManager* sm = Manager();
  if (!sm || !Form) return;
  // A damaged image cuts nothing: the corners it did collect stay.
  try {
    if (sm->IsValidSkinIndex(FSkinData->BorderIndex)) {
      const TsMaskData& image = sm->Images[static_cast<size_t>(FSkinData->BorderIndex)];
      CollectKeyColorRects(RegionList, width, image, 0, 0);
      CollectKeyColorRects(RegionList, width, image, 1, height - BorderCellHeight(image));
    }
    const int title = TitleSkinIndex();
    if (sm->IsValidSectionIndex(title)) {
      const std::string& name = sm->Sections[static_cast<size_t>(title)].SectionName;
      const int border = sm->GetMaskIndex(title, name, "BORDERSMASK");
      if (sm->IsValidSkinIndex(border))
        CollectKeyColorRects(RegionList, width, sm->Images[static_cast<size_t>(border)], 0, 0);
    }
  } catch (const std::exception&) {
  }
}

void TsSkinProvider::UpdateRgn() {
  const TsFormFrame f = Frame();
  UpdateRgn(f.FormWidth(), f.Height);
}

namespace {

bool SameRects(const std::vector<TRect>& a, const std::vector<TRect>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const TRect& x, const TRect& y) { return EqualRect(&x, &y); });
}

}  // namespace

void TsSkinProvider::UpdateRgn(int width, int height) {
  if (!Form || !Form->HandleAllocated()) return;
  HWND wnd = Form->HandleIfAllocated();
  // Before the first composition a form may keep a region of its own.
  if (!ImageComposed && SendMessageA(wnd, WM_SKINREGIONQUERY, kRegionKept, 0) == static_cast<LRESULT>(kRegionKept))
    return;
  // The window holds this region already.
  if (RegionMade.Wnd == wnd && RegionMade.Width == width && RegionMade.Height == height &&
      SameRects(RegionMade.List, RegionList))
    return;
  InRegionUpdate = true;
  TUniqueRgn region(CreateRectRgn(0, 0, width, height));
  if (!region) return;
  int kind = SIMPLEREGION;
  for (const TRect& r : RegionList) {
    TUniqueRgn cut(CreateRectRgnIndirect(&r));
    if (cut) kind = CombineRgn(region.Get(), region.Get(), cut.Get(), RGN_DIFF);
  }
  // Corners that cut away the whole window would leave the form invisible.
  if (kind == NULLREGION) SetRectRgn(region.Get(), 0, 0, width, height);
  // The window's region again would only make the system repaint the whole window.
  TUniqueRgn current(CreateRectRgn(0, 0, 0, 0));
  const bool same = current && GetWindowRgn(wnd, current.Get()) != ERROR && EqualRgn(current.Get(), region.Get());
  // The system owns the region once it is set. A redraw here would repaint the whole window,
  // client included, for a change of the frame's shape.
  if (!same) {
    if (!SetWindowRgn(wnd, region.Get(), FALSE)) return;
    (void)region.Release();
  }
  RegionMade = TRegionMade{wnd, width, height, RegionList};
}

// ---- the menu line ----

void TsSkinProvider::RepaintMenuItem(TMenuItem* item, const TRect& rect, TOwnerDrawState state) {
  if (!item || !MenuPresent() || !FSkinData->CacheBmp || FSkinData->CacheBmp->Empty()) return;
  TMainMenu* menu = Form->Menu();
  if (item->Parent() != menu->Items() || !item->OnAdvancedDrawItem || !Form->HandleAllocated()) return;
  TBitmap* cache = FSkinData->CacheBmp.get();
  item->OnAdvancedDrawItem(item, cache->Canvas(), rect, state);
  const TWindowDC dc = TWindowDC::Window(Form->HandleIfAllocated());
  if (dc) CopySameRect(dc.Get(), rect, cache->Canvas()->Handle());
}

namespace {

void HandMenusOver(TsSkinableMenus& painter, TComponent* owner, bool active, bool popups) {
  for (int i = 0; i < owner->ComponentCount(); ++i) {
    TComponent* c = owner->Components(i);
    if (auto* main = dynamic_cast<TMainMenu*>(c)) {
      painter.HookMenu(main, active);
    } else if (auto* popup = dynamic_cast<TPopupMenu*>(c)) {
      if (popups) painter.HookPopupMenu(popup, active);
    } else if (auto* item = dynamic_cast<TMenuItem*>(c)) {
      // An item of a main menu came with its menu; any other is handed over on its own.
      if (popups && !dynamic_cast<TMainMenu*>(item->GetParentMenu())) painter.HookItem(item, active);
    }
    HandMenusOver(painter, c, active, popups);
  }
}

}  // namespace

void TsSkinProvider::InitMenuItems(bool active) {
  TsSkinManager* sm = Manager();
  if (HasState(csDesigning) || !sm || !sm->SkinableMenus() || !Form) return;
  sm->SkinableMenus()->SetActive(active);
  HandMenusOver(*sm->SkinableMenus(), Form, active, sm->SkinnedPopups());
}

void TsSkinProvider::RefreshMenuBar() {
  if (!Form || !Form->Menu() || Form->Menu()->Items()->Count() == 0) return;
  TMainMenu* menu = Form->Menu();
  TMenuItem* first = menu->Items()->Items(0);
  const std::string caption = first->Caption();
  FSkinData->BeginUpdate();
  first->SetCaption("");
  menu->SetOwnerDraw(FSkinData->Skinned());
  first->SetCaption(caption);
  FSkinData->EndUpdate();
  // The bar's change repaints the frame and, for a form being shown, sends its first client
  // paint, all while painting waited: the client and its children are painted now.
  if (std::exchange(ClientPaintSkipped, false))
    RedrawWindow(Form->HandleIfAllocated(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

}  // namespace korv
