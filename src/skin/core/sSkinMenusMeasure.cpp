// The menu painter: popup items measured, the columns of a popup, and the extra side line's data.
#include <algorithm>
#include <cmath>

#include "classlib/Forms.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinMenus.h"

namespace korv {

namespace {

// Clears the re-entry guard whatever the extra-line event does.
struct TFetchingGuard {
  ~TFetchingGuard() { MenuPainterState.ExtraLineFetching = false; }
};

}  // namespace

void UseMenuFont(TCanvas* canvas) {
  if (Screen && Screen->MenuFont()) canvas->Font()->Assign(Screen->MenuFont());
}

TsMenuItemType TsSkinableMenus::ItemTypeOf(const TMenuItem* item) noexcept {
  const std::string& c = item->Caption();
  if (c == cLineCaption) return smDivider;
  if (c.size() > 1 && c.front() == '-' && c.back() == '-') return smCaption;
  return smNormal;
}

TSize TsSkinableMenus::GetGlyphSize(const TMenuItem* item) {
  if (item->HasBitmap()) {
    TBitmap* b = const_cast<TMenuItem*>(item)->Bitmap();
    return TSize{b->Width(), b->Height()};
  }
  const TMenu* menu = item->GetParentMenu();
  if (menu && menu->Images()) return TSize{menu->Images()->Width(), menu->Images()->Height()};
  return TSize{16, 16};
}

void TsSkinableMenus::FetchExtraLineData(TMenuItem* firstItem, bool fromMeasure) {
  TacMenuPainterState& st = MenuPainterState;
  // The skin-selection menu of a form's system menu never shows the line.
  if (firstItem && firstItem->Name() == "SkinSelectItem") {
    st.ExtraLineVisible = false;
    return;
  }
  TFetchingGuard guard;
  if (fromMeasure) st.ExtraLineFetching = true;
  st.ExtraSection = "EXTRALINE";
  FreeAndNil(st.ExtraGlyph);
  st.ExtraCaption = "Don`t forget OnGetExtraLineData event...";
  st.ExtraLineVisible = true;
  if (FManager && FManager->OnGetMenuExtraLineData)
    FManager->OnGetMenuExtraLineData(firstItem, st.ExtraSection, st.ExtraCaption, st.ExtraGlyph, st.ExtraLineVisible);
  std::erase(st.ExtraCaption, '&');
  if (!st.ExtraLineVisible) FreeAndNil(st.ExtraGlyph);
  st.ExtraLineFetched = true;
}

int TsSkinableMenus::CurrentExtraLineWidth(bool narrow) {
  if (!FManager || !FManager->MenuSupport()->UseExtraLine() || !MenuPainterState.ExtraLineVisible) return 0;
  int width = FManager->MenuSupport()->ExtraLineWidth();
  const int skinBorder = SkinBorderWidth();
  if (narrow && skinBorder < BorderWidth) width -= BorderWidth - skinBorder;
  // A line narrower than the frame it shares would give items a negative offset.
  return std::max(0, width);
}

int TsSkinableMenus::ItemHeight(TCanvas* canvas, const TMenuItem* item) {
  const TsMenuItemType type = ItemTypeOf(item);
  if (type == smDivider) return MenuPainting().DividerHeight(*this);
  UseMenuFont(canvas);
  const int h = static_cast<int>(std::nearbyint(canvas->TextHeight("W") * 1.25));
  if (type == smCaption) return h + 2 * Margin;
  return std::max(h, static_cast<int>(GetGlyphSize(item).cy)) + 2 * Margin;
}

int TsSkinableMenus::ColumnsHeight(TCanvas* canvas, const TMenuItem* item) {
  const TMenuItem* parent = item->Parent();
  if (!parent) return ItemHeight(canvas, item);
  int tallest = 0, column = 0;
  for (int i = 0; i < parent->Count(); ++i) {
    const TMenuItem* sibling = parent->Items(i);
    if (!sibling->Visible()) continue;
    if (sibling->Break() != mbNone) {
      tallest = std::max(tallest, column);
      column = 0;
    }
    column += ItemHeight(canvas, sibling);
  }
  return std::max(tallest, column);
}

void TsSkinableMenus::MeasureItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  // The measures read the manager's skin and options: none without a manager.
  if (!FManager || !item || !ACanvas || item->HasState(csDestroying)) return;
  TacMenuPainterState& st = MenuPainterState;
  TMenuItem* first = MenuFirstItem(item);
  if (first != st.CachedFirstItem) ResetMenuCache();
  st.CachedFirstItem = first;
  const TsMenuItemType type = ItemTypeOf(item);
  st.CurrentItemType = type;
  if (!st.ExtraLineFetching && !st.ExtraLineFetched) FetchExtraLineData(first, true);
  UseMenuFont(ACanvas);
  int text = 0;
  if (type == smCaption) {
    text = ACanvas->TextWidth("-" + item->Caption() + "-");
  } else if (type == smNormal) {
    TRect r{0, 0, 0, 0};
    ACanvas->DrawTextRect(item->Caption() + ShortCutToText(item->ShortCut()), r,
                          DT_CALCRECT | DT_EXPANDTABS | DT_SINGLELINE | DT_NOCLIP);
    text = RectWidth(r);
  }
  Width = text + 2 * GetGlyphSize(item).cx + 3 * Margin + Spacing;
  if (st.ExtraLineVisible) Width += CurrentExtraLineWidth(false);
  Height = ItemHeight(ACanvas, item);
}

}  // namespace korv
