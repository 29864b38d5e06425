// A skinned form's scroll bars: the form's own bars are switched off by the provider, and while
// the form had AutoScroll its content is reached through two skinned bars (and a grip between
// them) that move the children. A direction's offset is always minus its bar's position.
#include <algorithm>
#include <vector>

#include "skin/controls/sPanel.h"
#include "skin/controls/sScrollBar.h"
#include "skin/core/sSkinManager.h"
#include "skin/forms/sMDIForm.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSkinProviderClient.h"

namespace korv {

// ---- the rules ----

TsScrollInfo ScrollInfoOf(bool vertical, const TsScrollInput& in) noexcept {
  TsScrollInfo info;
  info.Range = in.FormRange != 0 ? std::max(in.Content, in.FormRange) : in.Content;
  info.Page = (vertical ? in.ClientHeight : in.ClientWidth) - sScrollPageMargin;
  info.Maximum = info.Range - info.Page;
  info.SmallStep = in.Increment;
  info.LargeStep = sScrollLargeStep;
  if (info.Maximum < 1) return info;
  const int w = in.BarSize;
  if (!vertical)
    info.Rect = Rect(0, in.ClientHeight - w, in.ClientWidth, in.ClientHeight);
  else if (in.RightToLeft)
    info.Rect = Rect(1, 1, w + 1, in.ClientHeight - 1);
  else
    info.Rect = Rect(in.ClientWidth - w, 0, in.ClientWidth, in.ClientHeight);
  info.Needed = in.CanShow && info.Range > info.Page + sScrollPageMargin;
  return info;
}

TRect FitScrollBars(TsScrollInfo& vert, TsScrollInfo& horz, bool rightToLeft) noexcept {
  vert.Rect.bottom -= RectHeight(horz.Rect);
  if (rightToLeft)
    horz.Rect.left = std::max(horz.Rect.left + RectWidth(vert.Rect), vert.Rect.right);
  else
    horz.Rect.right -= RectWidth(vert.Rect);
  return Bounds(vert.Rect.left, horz.Rect.top, RectWidth(vert.Rect), RectHeight(horz.Rect));
}

TsScrollInfo FormScrollInfo(const TsSkinProvider& provider, bool vertical) {
  TCustomForm* form = provider.Form;
  if (!form || !provider.FormAutoScroll) return {};
  const TControlScrollBar* own = vertical ? form->VertScrollBar() : form->HorzScrollBar();
  if (!own->Visible()) return {};
  const TsCommonData* link = provider.SkinData();
  const TsSkinManager* sm = link->SkinManager();
  TsScrollInput in;
  in.Content = vertical ? provider.ContentHeight : provider.ContentWidth;
  in.FormRange = own->Range();
  in.Increment = own->Increment();
  in.ClientWidth = form->ClientWidth();
  in.ClientHeight = form->ClientHeight();
  in.BarSize = GetSystemMetrics(vertical ? SM_CXVSCROLL : SM_CYHSCROLL);
  in.RightToLeft = form->UseRightToLeftScrollBar();
  in.CanShow = sm && sm->IsValidSectionIndex(link->SkinIndex) && form->Visible();
  return ScrollInfoOf(vertical, in);
}

// ---- the provider's part ----

namespace {

// Holds a control's alignment back for a scope.
class TAlignHold {
 public:
  explicit TAlignHold(TWinControl* c) : C_(c) { C_->DisableAlign(); }
  ~TAlignHold() {
    try {
      C_->EnableAlign();
    } catch (...) {
    }
  }
  TAlignHold(const TAlignHold&) = delete;
  TAlignHold& operator=(const TAlignHold&) = delete;

 private:
  TWinControl* C_;
};

}  // namespace

bool TsSkinProvider::IsScrollPart(const TControl* control) const {
  if (!control) return false;
  if (control == VertBar || control == HorzBar || control == Grip) return true;
  if (MDIHelper && MDIHelper->Owns(control)) return true;
  if (const auto* bar = dynamic_cast<const TsScrollBar*>(control))
    return dynamic_cast<const TCustomForm*>(bar->LinkedControl()) != nullptr;
  // A grip between a form's bars is made by a provider.
  return dynamic_cast<const TsGrip*>(control) && dynamic_cast<const TsSkinProvider*>(control->Owner());
}

int TsSkinProvider::ContentExtent(bool vertical) const {
  if (!Form) return 0;
  int extent = 0;
  for (int i = 0; i < Form->ControlCount(); ++i) {
    const TControl* c = Form->Controls(i);
    if (!c->Visible() || IsScrollPart(c)) continue;
    // A child placed by hand stands shifted by the offset; one aligned at the top (left) is put
    // back there by the alignment whatever the bars did.
    if (vertical && (c->Align() == alNone || c->Align() == alTop))
      extent = std::max(extent, c->Top() + c->Height() - (c->Align() == alNone ? VertOffset : 0));
    else if (!vertical && (c->Align() == alNone || c->Align() == alLeft))
      extent = std::max(extent, c->Left() + c->Width() - (c->Align() == alNone ? HorzOffset : 0));
  }
  extent += 2;
  if (vertical && HorzBar) extent += HorzBar->Height();
  if (!vertical && VertBar) extent += VertBar->Width();
  return extent;
}

void TsSkinProvider::MeasureContent() {
  ContentHeight = ContentExtent(true);
  ContentWidth = ContentExtent(false);
}

void TsSkinProvider::ShiftChildren(int dx, int dy) {
  if (!Form || (dx == 0 && dy == 0)) return;
  // Through the bounds whether the window shows or not: graphic children move too, and a later
  // shift back finds every child where this one left it.
  std::vector<TControl*> children;
  for (int i = 0; i < Form->ControlCount(); ++i)
    if (!IsScrollPart(Form->Controls(i))) children.push_back(Form->Controls(i));
  TAlignHold hold(Form);
  for (TControl* c : children) c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
}

void TsSkinProvider::ResetScroll(bool vertical) {
  // The bar's clamp reaches BarScrollChange, which moves the children back itself.
  if (TsScrollBar* bar = vertical ? VertBar : HorzBar) bar->SetPosition(0);
  int& offset = vertical ? VertOffset : HorzOffset;
  if (offset == 0) return;
  const int back = -offset;
  offset = 0;
  if (vertical)
    ShiftChildren(0, back);
  else
    ShiftChildren(back, 0);
}

void TsSkinProvider::RaiseScrollParts() {
  // A new child window is placed at the bottom of its siblings, under the children made before it.
  for (TWinControl* part :
       {static_cast<TWinControl*>(VertBar), static_cast<TWinControl*>(HorzBar), static_cast<TWinControl*>(Grip)})
    if (part && part->HandleAllocated())
      SetWindowPos(part->HandleIfAllocated(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TsSkinProvider::BarScrollChange(TObject* Sender, int OldPosition) {
  auto* bar = dynamic_cast<TsScrollBar*>(Sender);
  if (Scrolling || !bar || (bar != VertBar && bar != HorzBar)) return;
  Scrolling = true;
  const bool locked = bar->PaintLocked();
  bar->SetPaintLocked(true);
  struct TEnd {
    TsSkinProvider* P;
    TsScrollBar* Bar;
    bool Locked;
    ~TEnd() {
      P->Scrolling = false;
      if (!Locked) Bar->Repaint();
    }
  } end{this, bar, locked};
  // Towards the end the children go up (left): the offset is always -Position.
  const int d = OldPosition - bar->Position();
  if (bar == VertBar) {
    VertOffset += d;
    ShiftChildren(0, d);
  } else {
    HorzOffset += d;
    ShiftChildren(d, 0);
  }
}

void TsSkinProvider::UpdateScrolls() {
  if (HasState(csLoading | csDestroying) || !Form || Form->HasState(csDestroying | csLoading) ||
      (Form->FormState() & fsCreating) || Form->FormStyle() == fsMDIForm || Form->FormStyle() == fsMDIChild)
    return;
  TsScrollInfo vert = FormScrollInfo(*this, true);
  TsScrollInfo horz = FormScrollInfo(*this, false);
  auto drop = [this](bool vertical) {
    ResetScroll(vertical);
    TsScrollBar*& bar = vertical ? VertBar : HorzBar;
    delete std::exchange(bar, nullptr);
  };
  if (!FSkinData->Skinned() || !Form->Visible()) {
    drop(true);
    drop(false);
    delete std::exchange(Grip, nullptr);
    return;
  }
  if (!vert.Needed) drop(true);
  if (!horz.Needed) drop(false);

  TsSkinManager* sm = Manager();
  if (vert.Needed && horz.Needed) {
    const TRect grip = FitScrollBars(vert, horz, Form->UseRightToLeftScrollBar());
    if (!Grip) {
      Grip = NewComponent<TsGrip>(this);
      Grip->SkinData()->SetSkinManager(sm);
      Grip->SetParent(Form);
    }
    Grip->SetBoundsRect(grip);
  } else {
    delete std::exchange(Grip, nullptr);
  }

  for (const bool vertical : {true, false}) {
    const TsScrollInfo& info = vertical ? vert : horz;
    if (!info.Needed) continue;
    TsScrollBar*& bar = vertical ? VertBar : HorzBar;
    if (!bar) {
      bar = NewComponent<TsScrollBar>(this);
      bar->SetVisible(false);
      bar->SetTabStop(false);
      bar->SetLinkedControl(Form);
      bar->SkinData()->SetSkinManager(sm);
      bar->OnScrollChange = TsScrollChangeEvent(this, &TsSkinProvider::BarScrollChange);
      bar->SetKind(vertical ? sbVertical : sbHorizontal);
      bar->SetParent(Form);
    }
    (vertical ? ContentHeight : ContentWidth) = info.Range;
    // A position beyond the new maximum comes back through BarScrollChange with the children.
    bar->SetPaintLocked(true);
    bar->SetMax(info.Maximum);
    bar->SetSmallChange(static_cast<TScrollBarInc>(std::clamp(info.SmallStep, 1, 32767)));
    bar->SetMin(0);
    bar->SetPageSize(std::max(0, info.Page));
    bar->SetLargeChange(static_cast<TScrollBarInc>(info.LargeStep));
    bar->SetPaintLocked(false);
    bar->SetBoundsRect(info.Rect);
    const TControlScrollBar* own = vertical ? Form->VertScrollBar() : Form->HorzScrollBar();
    bar->SetSmooth(own->Smooth());
    bar->SetVisible(true);
  }
}

}  // namespace korv
