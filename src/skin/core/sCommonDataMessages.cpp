// The control skin link's answers to the skin commands and to the ordinary messages it follows,
// and the copy of a control's cache onto the screen around its children.
// clang-format off
#include <windows.h>
#include <uxtheme.h>  // needs windows.h first
// clang-format on

#include "classlib/Handles.h"
#include "skin/core/sCommonData.h"
#include "skin/core/sMessages.h"
#include "skin/core/sSkinManager.h"
#include "skin/data/sUtils.h"

namespace korv {

namespace {

TacBackgroundPainter gBackgroundPainter = nullptr;

// RDW_INVALIDATE | RDW_NOINTERNALPAINT | RDW_NOERASE | RDW_ALLCHILDREN: the window and its
// children repaint from their caches, without erasing first.
constexpr UINT kRedrawFromCache = RDW_INVALIDATE | RDW_NOINTERNALPAINT | RDW_NOERASE | RDW_ALLCHILDREN;
static_assert(kRedrawFromCache == 0xB1);

// What the control's parent shows (command 21 to the parent's window, else the parent's colour);
// the control's own colour without a parent.
TColor ColorUnder(const TControl* owner) {
  if (TWinControl* parent = owner->Parent()) return GetParentSkinColor(parent);
  return ColorToRGB(owner->Color());
}

// Command 21: the colour the control shows, in SkinColorReply.
void AnswerColor(TsCommonData& link) {
  const TControl* owner = link.OwnerControl;
  const TsGeneralData* s = link.Skinned() ? link.Section() : nullptr;
  if (!s) {
    if (owner) SkinColorReply = ColorToRGB(owner->Color());
    return;
  }
  const int t = s->Transparency;
  const TColor own = ColorToRGB(s->Color);
  if (t == 0 || !owner) {
    SkinColorReply = own;
    return;
  }
  const TColor under = ColorUnder(owner);
  if (t == 100) {
    SkinColorReply = under;
    return;
  }
  // Each byte: the section's colour plus the share a / 256 of the difference to what lies under.
  const int a = LimitByte(t * 255 / 100);
  TColor mixed = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int c = own >> shift & 0xFF, p = under >> shift & 0xFF;
    mixed |= LimitByte((a * (p - c) + c * 256) >> 8) << shift;
  }
  SkinColorReply = mixed;
}

// Command 20: the image under the control changed.
void ParentImageChanged(TsCommonData& link, bool redraw) {
  const bool depends = link.NeedsParentImage();
  link.BGChanged = link.BGChanged || depends;
  if (!link.OwnerControl || !link.OwnerControl->IsWindowed()) return;
  auto* w = static_cast<TWinControl*>(link.OwnerControl);
  if (redraw && w->HandleAllocated()) RedrawWindow(w->HandleIfAllocated(), nullptr, nullptr, kRedrawFromCache);
  if (!depends) return;
  for (int i = 0; i < w->ControlCount(); ++i) {
    TControl* child = w->Controls(i);
    if (!child->HasState(csDestroying)) SendSkinCmd(child, skcParentImageChanged);
  }
}

void RemoveSkin(TsCommonData& link) {
  link.SkinIndex = link.BorderIndex = link.Texture = link.HotTexture = -1;
  link.Updating = true;
  if (link.CacheBmp) link.CacheBmp->SetSize(0, 0);
  if (link.OwnerIsEdit()) {
    if (!link.CustomColor()) link.OwnerControl->SetColor(clWindow);
    if (!link.CustomFont()) link.OwnerControl->Font()->SetColor(clWindowText);
  }
}

}  // namespace

bool CommonWndProc(TMessage& m, TsCommonData* link) {
  if (!link || m.Msg != SM_ALPHACMD || m.WParamHi() > skcLast) return false;
  const bool flag = m.WParamLo() == 1;
  // Commands 1 to 3 and 16 are for the links of the manager that sends them.
  const bool mine = m.LParam == reinterpret_cast<LPARAM>(link->SkinManager());
  switch (m.WParamHi()) {
    case skcNewSkin:
      if (mine) {
        link->Updating = true;
        link->UpdateIndexes();
      }
      return false;
    case skcRemoveSkin:
      if (!mine) return false;
      // A manager that is going is forgotten; the default one is never stored.
      if (link->FSkinManager && link->FSkinManager->HasState(csDestroying)) link->WatchManager(nullptr);
      RemoveSkin(*link);
      return false;
    case skcRefreshFollows:
      if (mine) {
        link->BGChanged = true;
        link->RefreshPending = true;
      }
      return false;
    case skcRefresh:
      if (mine) {
        // A cache rebuilt since the announcement shows this skin already: it is not made again.
        if (!link->PaintedForRefresh()) link->BGChanged = true;
        link->RefreshPending = false;
        link->Updating = false;
        if (link->Skinned() && link->OwnerIsEdit()) link->ApplyEditColors(false);
      }
      return false;
    case skcGetCache:
      ParentCacheInfo.Ready = false;
      // An emptied cache (after the skin was removed) shows nothing: no answer.
      if (link->CacheBmp && !link->CacheBmp->Empty())
        ParentCacheInfo = TCacheInfo{link->CacheBmp.get(), 0, 0, true, link->CacheStamp};
      return false;
    case skcHandlesSkinCmds:
      m.LParam = 1;
      return true;
    case 8:
      link->Updating = flag;
      return false;
    case skcSetParentRepaint:
      link->ParentRepaint = flag;
      return false;
    case skcIsBGChanged:
      m.LParam = link->BGChanged || link->PaintDeferred() ? 1 : 0;
      return true;
    case 11:
      m.LParam = link->HalfVisible ? 1 : 0;
      return true;
    case 12:
      if (flag && link->SectionTransparent()) link->BGChanged = true;
      return false;
    case 15:
      link->StoredValue = static_cast<int32_t>(m.LParam);
      return false;
    case 17:
      link->BGChanged = true;
      return false;
    case skcNeedsParentImage: {
      if (link->SkinIndex < 0) return false;
      const TsGeneralData* s = link->Section();
      m.LParam = (s && s->GradientPercent + s->ImagePercent > 0) || link->NeedsParentImage() ? 1 : 0;
      return true;
    }
    case skcParentImageChanged:
      ParentImageChanged(*link, flag);
      return false;
    case skcGetColor:
      AnswerColor(*link);
      return true;
    case skcNotPainted:
      link->HalfVisible = true;
      return false;
    default:
      return false;
  }
}

bool CommonMessage(TMessage& m, TsCommonData* link) {
  if (!link) return false;
  TControl* owner = link->OwnerControl;
  auto* win = owner && owner->IsWindowed() ? static_cast<TWinControl*>(owner) : nullptr;
  switch (m.Msg) {
    case SM_ALPHACMD:
      return CommonWndProc(m, link);
    case WM_MOVE:
      if (owner && link->NeedsParentImage()) owner->Perform(SM_ALPHACMD, SkinCmdWParam(skcParentImageChanged, 1), 0);
      return false;
    case WM_SIZE: {
      if (!link->Skinned()) return false;
      link->BGChanged = true;
      const TsGeneralData* s = link->Section();
      if (!win || !s || s->GradientPercent < 1) return false;
      // A gradient stretches with the control: what lies under the children that keep their
      // place from the top-left corner has changed.
      for (int i = 0; i < win->ControlCount(); ++i) {
        TControl* child = win->Controls(i);
        if (!child->HasState(csDestroying) && !(child->Anchors() & (akRight | akBottom)))
          child->Perform(SM_ALPHACMD, SkinCmdWParam(skcParentImageChanged, 1), 0);
      }
      return false;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (win && win->CanFocus() && win->TabStop()) {
        link->BGChanged = true;
        link->Focused = m.Msg == WM_SETFOCUS;
      }
      return false;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: {
      // The layer also tells a parent about its children's hover (LParam: the child); only the
      // owner's own hover counts.
      if (m.LParam != 0 && m.LParam != reinterpret_cast<LPARAM>(owner)) return false;
      const auto* c = dynamic_cast<const TComponent*>(link->OwnerObject);
      if ((!c || !c->HasState(csDesigning)) && !IsNoHotType(link->CtrlTypeCode))
        link->MouseAbove = m.Msg == CM_MOUSEENTER;
      return false;
    }
    case CM_ENABLEDCHANGED:
    case WM_FONTCHANGE:
      link->MouseAbove = false;
      link->Focused = false;
      return false;
    case WM_UPDATEUISTATE:
      if (link->Skinned()) return true;
      // The platform's theme comes back on a control that is no longer skinned. The call fails on
      // some systems without harm: its result says nothing we could act on.
      if (ThemesEnabled() && win && win->HandleAllocated()) (void)SetWindowTheme(win->HandleIfAllocated(), L"", L"");
      return false;
    default:
      return false;
  }
}

TacBackgroundPainter SetBackgroundPainter(TacBackgroundPainter painter) noexcept {
  const TacBackgroundPainter old = gBackgroundPainter;
  gBackgroundPainter = painter;
  return old;
}

void PaintChildControls(TWinControl* control, TsCommonData* link, const TRect& srcRect, bool refresh, HDC dc,
                        const TRect& dstRect) {
  if (!control || !link || !dc) return;
  if (refresh && gBackgroundPainter) gBackgroundPainter(*link);
  TBitmap* cache = link->CacheBmp.get();
  if (!cache || cache->Empty()) return;
  CopyAroundChildren(control, cache->Canvas()->Handle(), Point(srcRect.left, srcRect.top), dc, dstRect);
}

void CopyAroundChildren(TWinControl* control, HDC src, TPoint srcOrigin, HDC dc, const TRect& dstRect) {
  if (!control || !src || !dc) return;
  TSaveDCGuard saved(dc);
  IntersectClipRect(dc, dstRect.left, dstRect.top, dstRect.right, dstRect.bottom);
  const bool designing = control->HasState(csDesigning);
  for (int i = 0; i < control->ControlCount(); ++i) {
    const TControl* child = control->Controls(i);
    if (!child->Visible()) continue;
    const TRect r = child->BoundsRect();
    RECT common;
    if (!IntersectRect(&common, &r, &dstRect)) continue;
    if ((child->ControlStyle() & csOpaque) || child->IsWindowed() || designing)
      ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  }
  BitBlt(dc, dstRect.left, dstRect.top, RectWidth(dstRect), RectHeight(dstRect), src, srcOrigin.x, srcOrigin.y,
         SRCCOPY);
}

}  // namespace korv
