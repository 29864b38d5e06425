// TScrollBar and TCustomEdit/TEdit.
#include "classlib/StdCtrls.h"

#include <algorithm>
#include <utility>

#include "classlib/Streaming.h"

namespace korv {

namespace {
constexpr const char* kScrollBarRange = "Scrollbar property out of range";

const TPropInfo kScrollBarProps[] = {
    KORV_PROP_ENUM(TScrollBar, Align, kAlignIdents, alNone),
    KORV_PROP_SET(TScrollBar, Anchors, kAnchorIdents, kDefaultAnchors),
    KORV_PROP_OBJECT(TScrollBar, Constraints),
    KORV_PROP_BOOL(TScrollBar, Enabled, true),
    KORV_PROP_ENUM(TScrollBar, Kind, kScrollBarKindIdents, sbHorizontal),
    KORV_PROP_INT(TScrollBar, LargeChange, 1),
    KORV_PROP_INT(TScrollBar, Max, 100),
    KORV_PROP_INT(TScrollBar, Min, 0),
    KORV_PROP_INT(TScrollBar, PageSize, 0),
    KORV_PROP_INT(TScrollBar, Position, 0),
    KORV_PROP_INT(TScrollBar, SmallChange, 1),
    KORV_PROP_BOOL(TScrollBar, TabStop, true),
    KORV_PROP_BOOL(TScrollBar, Visible, true),
};

constexpr const char* kEditBorderStyleIdents[] = {"bsNone", "bsSingle"};

const TPropInfo kEditProps[] = {
    KORV_PROP_SET(TEdit, Anchors, kAnchorIdents, kDefaultAnchors),
    KORV_PROP_ENUM(TEdit, BorderStyle, kEditBorderStyleIdents, bsSingle),
    KORV_PROP_STORED(KORV_PROP_INT(TEdit, Color, clWindow), TEdit, IsColorStored),
    KORV_PROP_OBJECT(TEdit, Constraints),
    KORV_PROP_BOOL(TEdit, Enabled, true),
    KORV_PROP_STORED(KORV_PROP_OBJECT(TEdit, Font), TEdit, IsFontStored),
    KORV_PROP_ENUM(TEdit, ImeMode, kImeModeIdents, imDontCare),
    KORV_PROP_INT(TEdit, MaxLength, 0),
    KORV_PROP_BOOL(TEdit, ParentColor, false),
    KORV_PROP_BOOL(TEdit, ParentFont, true),
    KORV_PROP_BOOL(TEdit, ReadOnly, false),
    KORV_PROP_BOOL(TEdit, TabStop, true),
    KORV_PROP_STR_EX("Text", TEdit, &TEdit::GetText, &TEdit::SetText, ""),
    KORV_PROP_BOOL(TEdit, Visible, true),
};
}  // namespace

KORV_DEFINE_PROPS(TScrollBar, kScrollBarProps);
KORV_DEFINE_CLASS(TScrollBar, TWinControl, &CreateComponent<TScrollBar>, &TScrollBar_PropTable);
KORV_DEFINE_CLASS(TCustomEdit, TWinControl, nullptr, nullptr);
KORV_DEFINE_PROPS(TEdit, kEditProps);
KORV_DEFINE_CLASS(TEdit, TCustomEdit, &CreateComponent<TEdit>, &TEdit_PropTable);

// ---------------------------------------------------------------------------------------------
// TScrollBar

TScrollBar::TScrollBar(TComponent* owner) : TWinControl(owner) {
  FControlStyle = csFramed | csDoubleClicks | csOpaque;
  FWidth = 121;
  FHeight = GetSystemMetrics(SM_CYHSCROLL);
  FTabStop = true;
}

void TScrollBar::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  FRTLFactor = FKind == sbHorizontal && UseRightToLeftScrollBar() ? -1 : 1;
  if (!UsesSystemClass()) {
    // The two faces need window classes of their own: the system one carries its own class data.
    p.WinClassName += "Own";
    return;
  }
  CreateSubClass(p, "SCROLLBAR");
  p.Style |= FKind == sbHorizontal ? SBS_HORZ : SBS_VERT;
  if (FKind == sbVertical) p.Style |= UseRightToLeftScrollBar() ? SBS_LEFTALIGN : SBS_RIGHTALIGN;
}

void TScrollBar::CreateWnd() {
  TWinControl::CreateWnd();
  if (!UsesSystemClass()) return;
  SetScrollRange(FHandle, SB_CTL, FMin, FMax, FALSE);
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_PAGE;
  si.nPage = static_cast<UINT>(FPageSize);
  SetScrollInfo(FHandle, SB_CTL, &si, FALSE);
  ShowPosition();
  // An aligned vertical bar takes the system's width: the control follows its window.
  UpdateBounds();
}

void TScrollBar::Loaded() {
  TWinControl::Loaded();
  if (FMin > FMax) throw EInvalidOperation(kScrollBarRange);
  FPosition = std::clamp(FPosition, FMin, FMax);
  if (FHandle && UsesSystemClass()) {
    SetScrollRange(FHandle, SB_CTL, FMin, FMax, FALSE);
    ShowPosition();
  }
}

void TScrollBar::ShowPosition() {
  // A right-to-left horizontal bar shows the position from the other end.
  if (FHandle) SetScrollPos(FHandle, SB_CTL, FRTLFactor == 1 ? FPosition : FMax - FPosition, TRUE);
}

void TScrollBar::SetKind(TScrollBarKind v) {
  if (FKind == v) return;
  FKind = v;
  if (!HasState(csLoading)) SetBounds(FLeft, FTop, FHeight, FWidth);
  RecreateWnd();
}

void TScrollBar::SetParams(int position, int min, int max) {
  if (HasState(csReading)) {
    // Streamed values come one by one: Loaded checks them together.
    FPosition = position;
    FMin = min;
    FMax = max;
    return;
  }
  if (min > max) throw EInvalidOperation(kScrollBarRange);
  position = std::clamp(position, min, max);
  if (FMin != min || FMax != max) {
    FMin = min;
    FMax = max;
    if (FHandle) SetScrollRange(FHandle, SB_CTL, min, max, FPosition == position);
  }
  if (FPosition != position) {
    FPosition = position;
    ShowPosition();
    SetEnabled(true);
    Change();
  }
}

void TScrollBar::SetPageSize(int v) {
  if (v < 0 || v == FPageSize) return;
  FPageSize = v;
  if (FHandle) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_PAGE;
    si.nPage = static_cast<UINT>(v);
    SetScrollInfo(FHandle, SB_CTL, &si, TRUE);
  }
  Invalidate();
}

void TScrollBar::SetSmallChange(TScrollBarInc v) { FSmallChange = std::max<TScrollBarInc>(v, 1); }
void TScrollBar::SetLargeChange(TScrollBarInc v) { FLargeChange = std::max<TScrollBarInc>(v, 1); }

void TScrollBar::Change() {
  Changed();
  if (OnChange) OnChange(this);
}

void TScrollBar::Scroll(TScrollCode code, int& position) {
  if (OnScroll) OnScroll(this, code, position);
}

void TScrollBar::CNScroll(TMessage& m) {
  m.Result = 0;
  unsigned code = LOWORD(m.WParam);
  if (code > scEndScroll) return;
  int pos = FPosition;
  switch (static_cast<TScrollCode>(code)) {
    case scLineUp:
      pos -= FSmallChange * FRTLFactor;
      break;
    case scLineDown:
      pos += FSmallChange * FRTLFactor;
      break;
    case scPageUp:
      pos -= FLargeChange * FRTLFactor;
      break;
    case scPageDown:
      pos += FLargeChange * FRTLFactor;
      break;
    case scPosition:
    case scTrack:
      if (FMin >= 0 && FMax <= 0xFFFF) {
        pos = HIWORD(m.WParam);
      } else {
        // The message carries 16 unsigned bits only; the bar knows the whole position.
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        if (!FHandle || !GetScrollInfo(FHandle, SB_CTL, &si)) return;
        pos = si.nTrackPos;
      }
      if (FRTLFactor == -1) pos = FMax - pos;
      break;
    case scTop:
      pos = FMin;
      break;
    case scBottom:
      pos = FMax;
      break;
    case scEndScroll:
      break;
  }
  pos = std::clamp(pos, FMin, FMax);
  Scroll(static_cast<TScrollCode>(code), pos);
  SetPosition(pos);
}

void TScrollBar::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CN_HSCROLL:
    case CN_VSCROLL:
      CNScroll(m);
      return;
    case CN_CTLCOLORSCROLLBAR:
      // The system's own colours: the class's procedure answers as for its parent.
      if (FHandle && UsesSystemClass()) {
        m.Result = CallWindowProcA(FDefWndProc, FHandle, WM_CTLCOLORSCROLLBAR, m.WParam, m.LParam);
        return;
      }
      break;
    case WM_GETDLGCODE:
      DefaultHandler(m);
      m.Result = DLGC_WANTARROWS;
      return;
    default:
      break;
  }
  TWinControl::Dispatch(m);
}

// ---------------------------------------------------------------------------------------------
// TCustomEdit

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  FControlStyle = csClickEvents | csSetCaption | csDoubleClicks | csFixedHeight;
  FWidth = 121;
  FHeight = 21;
  FColor = clWindow;
  FParentColor = false;
  FTabStop = true;
}

void TCustomEdit::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  CreateSubClass(p, "EDIT");
  p.Style |= ES_LEFT | ES_AUTOHSCROLL;
  if (FReadOnly) p.Style |= ES_READONLY;
  if (FBorderStyle == bsSingle) p.ExStyle |= WS_EX_CLIENTEDGE;
  p.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TCustomEdit::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessageA(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
  SendMessageA(FHandle, EM_SETMODIFY, FModified ? TRUE : FALSE, 0);
}

void TCustomEdit::DestroyWnd() {
  if (FHandle) FModified = SendMessageA(FHandle, EM_GETMODIFY, 0, 0) != 0;
  TWinControl::DestroyWnd();
}

void TCustomEdit::SetBorderStyle(TBorderStyle v) {
  if (v != bsNone && v != bsSingle) throw EInvalidOperation("An edit box has no such border style");
  if (FBorderStyle == v) return;
  FBorderStyle = v;
  RecreateWnd();
}

void TCustomEdit::SetReadOnly(bool v) {
  if (FReadOnly == v) return;
  FReadOnly = v;
  if (FHandle) SendMessageA(FHandle, EM_SETREADONLY, v ? TRUE : FALSE, 0);
}

void TCustomEdit::SetMaxLength(int v) {
  v = std::max(v, 0);
  if (FMaxLength == v) return;
  FMaxLength = v;
  if (FHandle) SendMessageA(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(v), 0);
}

bool TCustomEdit::Modified() const {
  if (FHandle) return SendMessageA(FHandle, EM_GETMODIFY, 0, 0) != 0;
  return FModified;
}

void TCustomEdit::SetModified(bool v) {
  FModified = v;
  if (FHandle) SendMessageA(FHandle, EM_SETMODIFY, v ? TRUE : FALSE, 0);
}

std::pair<int, int> TCustomEdit::Selection() const {
  DWORD start = 0, end = 0;
  if (FHandle) SendMessageA(FHandle, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {static_cast<int>(start), static_cast<int>(end)};
}

int TCustomEdit::SelStart() const { return Selection().first; }

void TCustomEdit::SetSelStart(int v) {
  SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(v), static_cast<LPARAM>(v));
}

int TCustomEdit::SelLength() const {
  auto [start, end] = Selection();
  return end - start;
}

void TCustomEdit::SetSelLength(int v) {
  HWND h = Handle();
  int start = Selection().first;
  SendMessageA(h, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + std::max(v, 0)));
}

void TCustomEdit::SelectAll() {
  if (FHandle) SendMessageA(FHandle, EM_SETSEL, 0, -1);
}

void TCustomEdit::Change() {
  Changed();
  if (OnChange) OnChange(this);
}

void TCustomEdit::Dispatch(TMessage& m) {
  if (m.Msg == CN_COMMAND) {
    if (HIWORD(m.WParam) == EN_CHANGE) Change();
    return;
  }
  TWinControl::Dispatch(m);
}

}  // namespace korv
