// TsScrollBar: the two faces, values and notices, mouse, keys, timers and skin commands.
#include "skin/controls/sScrollBar.h"

#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "classlib/Streaming.h"
#include "skin/core/sMessages.h"

namespace korv {

namespace {

// The one repeat timer of a bar, on its own window.
constexpr UINT_PTR kRepeatTimerId = 1;

constexpr const char* kDisabledKindIdents[] = {"dkBlended", "dkGrayed"};

const char* SectionOf(TScrollBarKind kind) noexcept { return kind == sbHorizontal ? "SCROLLBAR1H" : "SCROLLBAR1V"; }

// ShowHint is stored only when it is the bar's own.
bool ShowHintStored(const TObject* o) { return !static_cast<const TsScrollBar*>(o)->ParentShowHint(); }

const TPropInfo kScrollBarProps[] = {
    KORV_PROP_SET(TsScrollBar, DisabledKind, kDisabledKindIdents, dkBlended),
    KORV_PROP_BOOL(TsScrollBar, ParentShowHint, true),
    KORV_PROP_COMPONENT(TsScrollBar, PopupMenu),
    props::WithStored(KORV_PROP_BOOL_NODEFAULT(TsScrollBar, ShowHint), &ShowHintStored),
    KORV_PROP_BOOL(TsScrollBar, Smooth, true),
    KORV_PROP_INT(TsScrollBar, TabOrder, -1),
};

}  // namespace

KORV_DEFINE_PROPS(TsScrollBar, kScrollBarProps);
KORV_DEFINE_CLASS(TsScrollBar, TScrollBar, &CreateComponent<TsScrollBar>, &TsScrollBar_PropTable);

// ---------------------------------------------------------------------------------------------
// Life cycle

TsScrollBar::TsScrollBar(TComponent* owner)
    : TScrollBar(owner),
      FSkinData(std::make_unique<TsCommonData>(this, false)),
      FModel(TsScrollFields{FKind, FMin, FMax, FPosition, FPageSize, FSmallChange, FLargeChange, FWidth, FHeight,
                            FEnabled},
             *this) {
  FSkinData->CtrlTypeCode = sScrollBarTypeCode;
  FSkinData->SetSkinSection(SectionOf(FKind));
  FControlStyle = csOpaque | csDoubleClicks;
  if (FWidth == 0) FWidth = 121;
  if (FHeight == 0) FHeight = GetSystemMetrics(SM_CYHSCROLL);
  FTabStop = true;
  // Input methods of double-byte locales have nothing to do on a scroll bar.
  if (GetSystemMetrics(SM_DBCSENABLED)) SetImeMode(imDisable);
}

TsScrollBar::~TsScrollBar() {
  Destroying();
  FQuiet = true;
  EndPress();
  // The window goes while the bar is whole: its last messages still find the skinned handlers.
  DestroyHandle();
}

void TsScrollBar::AfterConstruction() {
  TScrollBar::AfterConstruction();
  FSkinData->Loaded();
}

void TsScrollBar::Loaded() {
  TScrollBar::Loaded();
  // Kind may have been read through the base class's setter.
  FSkinData->SetSkinSection(SectionOf(FKind));
  FSkinData->Loaded();
}

void TsScrollBar::CreateParams(TCreateParams& p) {
  // The face of this window: the bar's own while the link is skinned and the skin is live.
  FOwnFace = FSkinData->Skinned(true);
  TScrollBar::CreateParams(p);
}

void TsScrollBar::DestroyWnd() {
  EndPress();
  TScrollBar::DestroyWnd();
}

void TsScrollBar::Notification(TComponent* component, TOperation operation) {
  TScrollBar::Notification(component, operation);
  if (operation == TOperation::opRemove && component == FLinkedControl) FLinkedControl = nullptr;
}

void TsScrollBar::SetLinkedControl(TWinControl* control) {
  if (FLinkedControl == control) return;
  if (FLinkedControl) FLinkedControl->RemoveFreeNotification(this);
  FLinkedControl = control;
  if (control) control->FreeNotification(this);
  FSkinData->Invalidate();
}

bool TsScrollBar::SkinnedRules() const { return FHandle ? FOwnFace : FSkinData->Skinned(true); }

void TsScrollBar::ChooseFace(bool faceCurrent) {
  if (!FHandle || HasState(csDestroying)) return;  // a new window chooses for itself
  if (FSkinData->Skinned(true) != FOwnFace) {
    RecreateWnd();
  } else if (FOwnFace && !faceCurrent) {
    FModel.StateChanged = true;
    Invalidate();
  }
}

// ---------------------------------------------------------------------------------------------
// Values

void TsScrollBar::SetKind(TScrollBarKind v) {
  TScrollBar::SetKind(v);
  FSkinData->SetSkinSection(SectionOf(FKind));
}

void TsScrollBar::SetPosition(int v) {
  if (HasState(csDestroying) || (FControlState & csCreating)) return;
  SetParams(v, FMin, FMax);
  Repaint();
}

void TsScrollBar::SetDisabledKind(TsDisabledKind v) {
  FDisabledKind = v & (dkBlended | dkGrayed);
  FSkinData->Invalidate();
}

void TsScrollBar::SetParams(int position, int min, int max) {
  if (HasState(csReading) || !SkinnedRules()) {
    FSystemOldPosition = FPosition;
    TScrollBar::SetParams(position, min, max);
    return;
  }
  const bool range = min != FMin || max != FMax;
  FModel.SetParams(position, min, max);
  if (range) Invalidate();
}

void TsScrollBar::Change() {
  Changed();
  if (OnScrollChange) OnScrollChange(this, FSystemOldPosition);
  if (OnChange) OnChange(this);
}

void TsScrollBar::ScrollChanged() {
  if (!FQuiet) Changed();
}

void TsScrollBar::ScrollChange(int oldPosition) {
  if (!FQuiet && OnScrollChange) OnScrollChange(this, oldPosition);
}

void TsScrollBar::ScrollNotice(TScrollCode code, int position) {
  if (FQuiet) return;
  // The position is already applied: a handler's change of it is not taken.
  Scroll(code, position);
}

void TsScrollBar::ValueChanged() {
  if (!FQuiet && OnChange) OnChange(this);
}

void TsScrollBar::PositionShown() {
  if (HasState(csLoading | csReading | csDestroying) || (FControlState & csCreating) || !FParent) return;
  PaintBar(nullptr);
}

void TsScrollBar::RepeatTimer(TsRepeatTimer kind, UINT interval) {
  if (!FHandle) return;
  if (kind == rtNone)
    KillTimer(FHandle, kRepeatTimerId);
  else
    SetTimer(FHandle, kRepeatTimerId, interval, nullptr);  // replaces a running one
}

// ---------------------------------------------------------------------------------------------
// Mouse and keys

TsPartState TsScrollBar::LinkState() const { return FSkinData->ControlIsActive() ? psHot : psNormal; }

TPoint TsScrollBar::MousePoint() const {
  POINT p{};
  GetCursorPos(&p);
  if (FHandle) ::ScreenToClient(FHandle, &p);
  return p;
}

void TsScrollBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && OwnFace() && FEnabled) {
    if (!FHintSaved && Application) {
      FSavedShowHint = Application->ShowHint();
      Application->SetShowHint(false);
      FHintSaved = true;
    }
    // Every press holds the capture: the release, or the loss of the capture, ends it.
    SetMouseCapture(true);
    if (CanFocus() && FTabStop && !Focused()) SetFocus();
    FModel.MouseDown(Point(x, y), LinkState());
    Repaint();
  }
  TScrollBar::MouseDown(button, shift, x, y);
}

void TsScrollBar::MouseMoveTo(TPoint p) {
  if (!OwnFace() || !FEnabled) return;
  FModel.MouseMove(p);
  Repaint();
}

void TsScrollBar::MouseMove(TShiftState shift, int x, int y) {
  MouseMoveTo(Point(x, y));
  TScrollBar::MouseMove(shift, x, y);
}

void TsScrollBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button != mbLeft || !OwnFace() || !(FModel.Pressing() || FHintSaved)) {
    TScrollBar::MouseUp(button, shift, x, y);
    return;
  }
  FModel.MouseUp(Point(x, y), LinkState());
  Repaint();
  FReleasing = true;
  if (MouseCapture()) SetMouseCapture(false);
  FReleasing = false;
  TScrollBar::MouseUp(button, shift, x, y);
  int pos = FPosition;
  Scroll(scEndScroll, pos);
  RestoreHint();
}

void TsScrollBar::KeyDown(WORD& key, TShiftState shift) {
  if (key == VK_ESCAPE && FModel.Pressing()) {
    EndPress(true);
    key = 0;
    return;
  }
  if (OwnFace() && FEnabled) FModel.KeyDown(key);
  TScrollBar::KeyDown(key, shift);
}

void TsScrollBar::RestoreHint() noexcept {
  if (!FHintSaved) return;
  FHintSaved = false;
  if (Application) Application->SetShowHint(FSavedShowHint);
}

void TsScrollBar::EndPress(bool cancelled) {
  if (!FModel.Pressing() && !FHintSaved) return;
  if (cancelled)
    FModel.Cancel();
  else
    FModel.Abort();
  RestoreHint();
  if (FHandle && GetCapture() == FHandle) {
    FReleasing = true;
    ReleaseCapture();
    FReleasing = false;
  }
  if (!FQuiet) {
    int pos = FPosition;
    Scroll(scEndScroll, pos);
  }
  if (OwnFace() && !HasState(csDestroying)) Invalidate();
}

// ---------------------------------------------------------------------------------------------
// Messages

void TsScrollBar::SkinCommand(TMessage& m) {
  switch (m.WParamHi()) {
    case skcNewSkin:
      CommonMessage(m, FSkinData.get());
      return;
    case skcRemoveSkin:
      CommonMessage(m, FSkinData.get());
      ChooseFace();
      return;
    case skcRefreshFollows:
      // The skin is final: the face it asks for is made now, before the parent repaints.
      CommonMessage(m, FSkinData.get());
      ChooseFace(true);
      return;
    case skcRefresh: {
      // A face painted since the refresh was announced shows it already (the link leaves it
      // current); only a change of face is still to be made then.
      const bool painted = FSkinData->PaintedForRefresh();
      CommonMessage(m, FSkinData.get());
      ChooseFace(painted);
      return;
    }
    case skcParentPainted:
      // The parent paints around its windowed children: the bar shows its face again only when
      // the face changed (the image under it, say). A window the parent's repaint invalidated
      // copies it at its own WM_PAINT.
      FSkinData->Updating = false;
      if (!OwnFace()) {
        Repaint();
        return;
      }
      FModel.PaintLocked = false;
      if (UnderFaceChanged()) PaintBar(nullptr, true);
      return;
    default:
      if (!CommonMessage(m, FSkinData.get())) TScrollBar::Dispatch(m);
      return;
  }
}

void TsScrollBar::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case SM_ALPHACMD:
      if (!HasState(csDestroying)) {
        SkinCommand(m);
        return;
      }
      break;
    case WM_PAINT:
      if (OwnFace()) {
        WMPaint(m);
        return;
      }
      break;
    case WM_PRINT:
      if (OwnFace()) {
        // A DC is not a region: only the client painting is asked for.
        m.Result = Perform(WM_PAINT, m.WParam, m.LParam);
        return;
      }
      break;
    case WM_NCPAINT:
      // The own face is a window without a frame.
      if (OwnFace() && WithoutNonClientArea(FHandle)) return;
      break;
    case WM_ERASEBKGND:
      // Nothing to erase under a face that covers the whole window.
      if (FModel.PaintLocked || (OwnFace() && FaceCoversWindow())) {
        m.Result = 1;
        return;
      }
      break;
    case WM_NCHITTEST:
      TScrollBar::Dispatch(m);
      if (!HasState(csDesigning))
        MouseMoveTo(ScreenToClient(Point(static_cast<int16_t>(m.LParamLo()), static_cast<int16_t>(m.LParamHi()))));
      return;
    case WM_TIMER:
      if (m.WParam == kRepeatTimerId && OwnFace()) {
        FModel.TimerTick(MousePoint());
        if (FModel.StateChanged) Repaint();
        return;
      }
      break;
    case WM_CAPTURECHANGED:
      if (!FReleasing && reinterpret_cast<HWND>(m.LParam) != FHandle) EndPress();
      break;
    case WM_CANCELMODE:
      EndPress();
      break;
    case CM_CHILDKEY:
      // The keys come here during a press, whichever control has the focus: the capture is ours.
      if (m.WParam == VK_ESCAPE && FModel.Pressing()) {
        EndPress(true);
        m.Result = 1;
        return;
      }
      break;
    case CM_ENABLEDCHANGED:
      if (!FEnabled) EndPress();
      break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      if (m.LParam == 0 && OwnFace()) {
        CommonMessage(m, FSkinData.get());
        if (m.Msg == CM_MOUSEENTER)
          FModel.MouseEnter();
        else
          FModel.MouseLeave();
        Repaint();
        TScrollBar::Dispatch(m);
        return;
      }
      break;
    case CN_HSCROLL:
    case CN_VSCROLL:
      // A drag that holds its notices back takes none from elsewhere either.
      if (OwnFace() && FModel.Deferring) {
        m.Result = 0;
        return;
      }
      break;
    default:
      break;
  }
  if (CommonMessage(m, FSkinData.get())) return;
  TScrollBar::Dispatch(m);
}

}  // namespace korv
