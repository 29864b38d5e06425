// TCustomForm, TApplication, TScreen and the class library's start-up and shut-down.
#include "classlib/Forms.h"
#include "classlib/Streaming.h"

#include <algorithm>

#include "classlib/Menus.h"
#include "classlib/Startup.h"

namespace korv {

KORV_DEFINE_CLASS(TCustomForm, TScrollingWinControl, nullptr, nullptr);
namespace {
const TPropInfo kFormProps[] = {
    KORV_PROP_BOOL(TForm, AutoScroll, true),
    KORV_PROP_STR(TForm, Caption, ""),
    KORV_PROP_INT(TForm, Color, clBtnFace),
    KORV_PROP_OBJECT(TForm, Constraints),
    KORV_PROP_STORED(KORV_PROP_OBJECT(TForm, Font), TForm, IsFontStored),
    KORV_PROP_OBJECT(TForm, HorzScrollBar),
    KORV_PROP_OBJECT(TForm, VertScrollBar),
};
}  // namespace
KORV_DEFINE_PROPS(TForm, kFormProps);
KORV_DEFINE_CLASS(TForm, TCustomForm, &CreateComponent<TForm>, &TForm_PropTable);
KORV_DEFINE_CLASS(TApplication, TComponent, nullptr, nullptr);
KORV_DEFINE_CLASS(TScreen, TComponent, nullptr, nullptr);

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {
HINSTANCE ModuleInstance() noexcept { return GetModuleHandleA(nullptr); }
}  // namespace

// ---------------------------------------------------------------------------------------------
// Start-up and shut-down

void InitClassLib() {
  if (!Screen) Screen = NewComponent<TScreen>(nullptr);
  if (!Application) Application = NewComponent<TApplication>(nullptr);
}

void DoneClassLib() noexcept {
  try {
    // The application frees the forms it owns; the screen goes last.
    TApplication* app = Application;
    if (app) {
      app->DestroyComponents();
      Application = nullptr;
      delete app;
    }
    TScreen* scr = Screen;
    Screen = nullptr;
    delete scr;
  } catch (...) {
  }
}

// ---------------------------------------------------------------------------------------------
// Frame styles

TFormStyleBits FormFrameStyle(TBorderStyle bs, TBorderIcons icons) noexcept {
  TFormStyleBits b;
  switch (bs) {
    case bsNone: b.Style = WS_POPUP; return b;
    case bsSingle: b.Style = WS_CAPTION | WS_BORDER; break;
    case bsSizeable: b.Style = WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
      b.Style = WS_POPUP | WS_CAPTION;
      b.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
    case bsToolWindow:
      b.Style = WS_CAPTION;
      b.ExStyle = WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      b.Style = WS_CAPTION | WS_THICKFRAME;
      b.ExStyle = WS_EX_TOOLWINDOW;
      break;
  }
  if (icons & biSystemMenu) b.Style |= WS_SYSMENU;
  bool minMaxAllowed = bs == bsSingle || bs == bsSizeable;
  if (minMaxAllowed) {
    if (icons & biMinimize) b.Style |= WS_MINIMIZEBOX;
    if (icons & biMaximize) b.Style |= WS_MAXIMIZEBOX;
  }
  // The help button shows only where no minimise or maximise box is.
  if ((icons & biHelp) && (icons & biSystemMenu) &&
      (bs == bsDialog || (minMaxAllowed && !(icons & (biMinimize | biMaximize)))))
    b.ExStyle |= WS_EX_CONTEXTHELP;
  return b;
}

// ---------------------------------------------------------------------------------------------
// TCustomForm

TCustomForm::TCustomForm(TComponent* owner)
    : TScrollingWinControl(owner), FIcon(std::make_unique<TIcon>()), FCanvas(std::make_unique<TControlCanvas>()) {
  // A form lives among the application's windows and the screen's forms.
  RequireStarted(ClassLibUnit, "A form");
  if (Application && Application->FCreatingMainForm && !Application->FMainFormCandidate)
    Application->FMainFormCandidate = this;
  FVisible = false;
  FColor = clBtnFace;
  FParentColor = false;
  FParentFont = false;
  FParentShowHint = false;
  FControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  FLeft = 100;
  FTop = 100;
  FWidth = 320;
  FHeight = 240;
  FCanvas->SetControl(this);
  FIcon->OnChange = TNotifyEvent(this, &TCustomForm::IconChanged);
  if (Screen) Screen->AddForm(this);
}

void TCustomForm::GetChildren(std::vector<TComponent*>& out) const {
  TWinControl::GetChildren(out);
  for (int i = 0; i < ComponentCount(); ++i) {
    TComponent* c = Components(i);
    if (!dynamic_cast<TControl*>(c)) out.push_back(c);
  }
}

TCustomForm::~TCustomForm() {
  SetComponentState(csDestroying);
  try {
    if (OnDestroy) OnDestroy(this);
  } catch (...) {
  }
  if (Application && Application->MainForm() == this) Application->SetMainForm(nullptr);
  DestroyHandle();
  // Children die while the form is still a form.
  while (!FControls.empty()) {
    TControl* c = FControls.back();
    RemoveControl(c);
    delete c;
  }
  DestroyComponents();
  FCanvas->SetControl(nullptr);
  if (Screen) Screen->RemoveForm(this);
}

TRect TCustomForm::ClientRect() const {
  if (FHandle) return TWinControl::ClientRect();
  // No window yet: the client size follows from the frame the window will have.
  TFormStyleBits b = FormFrameStyle(FBorderStyle, FBorderIcons);
  RECT r{0, 0, 0, 0};
  AdjustWindowRectEx(&r, b.Style, FALSE, b.ExStyle);
  return Rect(0, 0, std::max<int>(0, FWidth - (r.right - r.left)), std::max<int>(0, FHeight - (r.bottom - r.top)));
}

bool TCustomForm::Showing() const { return FHandle && IsWindowVisible(FHandle); }

void TCustomForm::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.Style &= ~static_cast<DWORD>(WS_CHILD | WS_GROUP | WS_TABSTOP | WS_VISIBLE | WS_DISABLED);
  p.WndParent = nullptr;
  TFormStyleBits b = FormFrameStyle(FBorderStyle, FBorderIcons);
  p.Style |= WS_CLIPSIBLINGS | WS_CLIPCHILDREN | b.Style;
  p.ExStyle |= b.ExStyle;
  if (FFormStyle == fsMDIChild) {
    p.MDIChild = true;
    p.Style = (p.Style & ~static_cast<DWORD>(WS_POPUP)) | WS_CHILD;
    if (FVisible) p.Style |= WS_VISIBLE;
  } else {
    if (Application) p.WndParent = Application->FormOwnerWindow(this);
    if (FFormStyle == fsStayOnTop) p.ExStyle |= WS_EX_TOPMOST;
  }
  if (!FEnabled) p.Style |= WS_DISABLED;
  if (FPosition == poDefault || FPosition == poDefaultPosOnly) {
    if (!(p.Style & WS_POPUP) && !p.MDIChild) {
      p.X = CW_USEDEFAULT;
      p.Y = CW_USEDEFAULT;
    }
  }
  p.WindowClass.style = CS_DBLCLKS;
}

void TCustomForm::CreateWnd() {
  if (!FDoneOnCreate) {
    FDoneOnCreate = true;
    FFormState |= fsCreating;
    try {
      if (OnCreate) OnCreate(this);
    } catch (...) {
      FFormState &= ~fsCreating;
      throw;
    }
    FFormState &= ~fsCreating;
  }
  // Messages that arrive while the window is being made see fsCreating.
  FFormState |= fsCreating;
  try {
    TScrollingWinControl::CreateWnd();
  } catch (...) {
    FFormState &= ~fsCreating;
    throw;
  }
  FFormState &= ~fsCreating;
  // The forms made while the main form had no window belong to the application window until
  // now; they become the main form's.
  if (Application && Application->MainForm() == this && FFormStyle != fsMDIChild && Screen) {
    for (int i = 0; i < Screen->FormCount(); ++i) {
      TCustomForm* f = Screen->Forms(i);
      HWND other = f->HandleIfAllocated();
      if (f != this && other && f->FFormStyle != fsMDIChild && GetWindow(other, GW_OWNER) == Application->Handle())
        SetWindowLongPtrA(other, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(FHandle));
    }
  }
  if (FFormStyle == fsMDIForm) CreateMDIClient();
  if (FFormStyle == fsMDIChild) FFormState |= fsCreatedMDIChild;
  IconChanged(nullptr);
  MenuChanged();
  UpdateBounds();
}

void TCustomForm::CreateWindowHandle(const TCreateParams& p) { TWinControl::CreateWindowHandle(p); }

void TCustomForm::CreateMDIClient() {
  CLIENTCREATESTRUCT ccs{};
  ccs.hWindowMenu = nullptr;
  ccs.idFirstChild = 0xFF00;
  TRect r = ClientRect();
  FClientHandle = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                                  WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL, 0, 0,
                                  RectWidth(r), RectHeight(r), FHandle, nullptr, ModuleInstance(), &ccs);
  if (!FClientHandle) RaiseLastOSError();
}

void TCustomForm::DestroyWindowHandle() {
  HWND wnd = FHandle;
  if (!wnd) return;
  if (FFormStyle == fsMDIChild) {
    HWND client = GetParent(wnd);
    if (client) {
      SendMessageA(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(wnd), 0);
      if (FHandle != wnd || !IsWindow(wnd)) {
        FHandle = nullptr;
        return;
      }
    }
  }
  // The platform destroys the windows a window owns along with it: the forms this window owns
  // (the main form owns the others) go to the application window first, so that no form loses
  // its window behind its back when this one is re-created or freed.
  if (Screen && Application && Application->Handle()) {
    for (int i = 0; i < Screen->FormCount(); ++i) {
      HWND other = Screen->Forms(i)->HandleIfAllocated();
      if (other && other != wnd && GetWindow(other, GW_OWNER) == wnd)
        SetWindowLongPtrA(other, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(Application->Handle()));
    }
  }
  // The platform destroys a window's menu with the window; the main menu outlives it (a new
  // window of the form shows it again), so it comes off first.
  if (FMenu && FMenu->Items()->HandleAllocated() && GetMenu(wnd) == FMenu->Items()->Handle()) ::SetMenu(wnd, nullptr);
  TWinControl::DestroyWindowHandle();
  FClientHandle = nullptr;
}

void TCustomForm::DefaultHandler(TMessage& m) {
  if (FHandle && !(m.Msg >= CM_BASE && m.Msg <= CN_LAST)) {
    if (FFormStyle == fsMDIForm && FClientHandle) {
      m.Result = DefFrameProcA(FHandle, FClientHandle, m.Msg, m.WParam, m.LParam);
      return;
    }
    if (FFormStyle == fsMDIChild && (FFormState & fsCreatedMDIChild)) {
      m.Result = DefMDIChildProcA(FHandle, m.Msg, m.WParam, m.LParam);
      return;
    }
  }
  TWinControl::DefaultHandler(m);
}

void TCustomForm::AlignControls(TControl* control, TRect& rect) {
  TScrollingWinControl::AlignControls(control, rect);
  // The MDI client fills what the aligned controls leave.
  if (FClientHandle)
    SetWindowPos(FClientHandle, HWND_BOTTOM, rect.left, rect.top, RectWidth(rect), RectHeight(rect), SWP_NOACTIVATE);
}

void TCustomForm::PaintWindow(HDC dc) {
  TCanvasPaintScope scope(*FCanvas, dc);
  Paint();
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}
void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}
void TCustomForm::DoClose(TCloseAction& action) {
  if (OnClose) OnClose(this, action);
}
void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}
void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

namespace {
// The work area of the monitor a window is on (nearest to it when it is on none): the screen
// without the taskbar and the bars docked at its edges.
RECT WorkAreaOf(HWND wnd) noexcept {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (HMONITOR monitor = MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST); monitor && GetMonitorInfoA(monitor, &mi))
    return mi.rcWork;
  return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}
}  // namespace

void TCustomForm::ApplyPosition() {
  if (FPositioned) return;
  FPositioned = true;
  int x = FLeft, y = FTop;
  auto centreOn = [&](const RECT& r) {
    x = r.left + (r.right - r.left - FWidth) / 2;
    y = r.top + (r.bottom - r.top - FHeight) / 2;
  };
  switch (FPosition) {
    case poScreenCenter:
    case poDesktopCenter:
      centreOn(WorkAreaOf(FHandle));
      break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
      TCustomForm* ref = nullptr;
      if (FPosition == poOwnerFormCenter) ref = dynamic_cast<TCustomForm*>(Owner());
      if (!ref && Application) ref = Application->MainForm();
      if (ref && ref != this && ref->HandleAllocated()) {
        RECT r;
        GetWindowRect(ref->HandleIfAllocated(), &r);
        centreOn(r);
      } else {
        centreOn(WorkAreaOf(FHandle));
      }
      break;
    }
    default:
      return;
  }
  SetBounds(x, y, FWidth, FHeight);
}

void TCustomForm::UpdateShowing() {
  // fsShowing covers the whole of showing or hiding (OnShow and OnHide included).
  if (FFormState & fsShowing) {
    DoUpdateShowing();
    return;
  }
  FFormState |= fsShowing;
  try {
    DoUpdateShowing();
  } catch (...) {
    FFormState &= ~fsShowing;
    throw;
  }
  FFormState &= ~fsShowing;
}

void TCustomForm::DoUpdateShowing() {
  if (FVisible) {
    if (FFormStyle == fsMDIChild && (!Application || !Application->MainForm() ||
                                     !Application->MainForm()->ClientHandle()))
      throw EInvalidOperation("Cannot create form. No MDI forms are currently active");
    HandleNeeded();
    ApplyPosition();
    DoShow();
    if (!FActiveControl) {
      if (TWinControl* c = FindNextControl(nullptr, true, true, false)) FActiveControl = c;
    }
    int cmd = SW_SHOWNORMAL;
    if (FWindowState == wsMinimized) cmd = SW_SHOWMINIMIZED;
    if (FWindowState == wsMaximized) cmd = SW_SHOWMAXIMIZED;
    ShowWindow(FHandle, cmd);
    FVisible = true;
    FFormState |= fsVisible;
  } else {
    FFormState &= ~fsVisible;
    if (FHandle && IsWindowVisible(FHandle)) {
      DoHide();
      if (FFormStyle == fsMDIChild)
        ShowWindow(FHandle, SW_HIDE);
      else
        SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    }
  }
}

void TCustomForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::BringToFront() {
  if (!FHandle) return;
  if (FFormStyle == fsMDIChild) {
    if (HWND client = GetParent(FHandle)) SendMessageA(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(FHandle), 0);
    return;
  }
  SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  if (IsWindowVisible(FHandle) && IsWindowEnabled(FHandle)) SetForegroundWindow(FHandle);
}

void TCustomForm::ApplyFrameStyle() {
  if (!FHandle) return;
  TFormStyleBits b = FormFrameStyle(FBorderStyle, FBorderIcons);
  DWORD mask = kFormFrameStyleMask;
  if (FFormStyle == fsMDIChild) {
    mask &= ~static_cast<DWORD>(WS_POPUP);
    b.Style &= ~static_cast<DWORD>(WS_POPUP);
  }
  DWORD style = static_cast<DWORD>(GetWindowLongA(FHandle, GWL_STYLE));
  DWORD ex = static_cast<DWORD>(GetWindowLongA(FHandle, GWL_EXSTYLE));
  DWORD newStyle = (style & ~mask) | b.Style;
  DWORD newEx = (ex & ~kFormFrameExStyleMask) | b.ExStyle;
  if (newStyle != style) SetWindowLongA(FHandle, GWL_STYLE, static_cast<LONG>(newStyle));
  if (newEx != ex) SetWindowLongA(FHandle, GWL_EXSTYLE, static_cast<LONG>(newEx));
  // The window keeps its identity: only its frame is computed again.
  SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TCustomForm::SetBorderStyle(TBorderStyle v) {
  if (FBorderStyle == v) return;
  FBorderStyle = v;
  ApplyFrameStyle();
}

void TCustomForm::SetBorderIcons(TBorderIcons v) {
  v &= biSystemMenu | biMinimize | biMaximize | biHelp;
  if (FBorderIcons == v) return;
  FBorderIcons = v;
  ApplyFrameStyle();
}

void TCustomForm::SetFormStyle(TFormStyle v) {
  if (FFormStyle == v) return;
  TFormStyle old = FFormStyle;
  FFormStyle = v;
  bool mdiChange = old == fsMDIChild || old == fsMDIForm || v == fsMDIChild || v == fsMDIForm;
  if (!FHandle) return;
  if (mdiChange) {
    bool wasVisible = FVisible;
    DestroyHandle();
    FVisible = wasVisible;
    HandleNeeded();
    if (FVisible) UpdateShowing();
    return;
  }
  SetWindowPos(FHandle, v == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::SetWindowState(TWindowState v) {
  if (FWindowState == v) return;
  FWindowState = v;
  if (FHandle && IsWindowVisible(FHandle)) {
    int cmd = v == wsMinimized ? SW_MINIMIZE : v == wsMaximized ? SW_MAXIMIZE : SW_RESTORE;
    ShowWindow(FHandle, cmd);
  }
}

void TCustomForm::IconChanged(TObject*) {
  if (!FHandle) return;
  HICON icon = FIcon->Empty() ? nullptr : FIcon->Handle();
  SendMessageA(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(FHandle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void TCustomForm::SetMenu(TMainMenu* menu) {
  if (FMenu == menu) return;
  if (FMenu) {
    FMenu->RemoveFreeNotification(this);
    if (FHandle && FMenu->WindowHandle() == FHandle) FMenu->SetWindowHandle(nullptr);
  }
  FMenu = menu;
  if (FMenu) FMenu->FreeNotification(this);
  MenuChanged();
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == FMenu) {
    FMenu = nullptr;
    if (FHandle && !HasState(csDestroying)) MenuChanged();
  }
  if (component == FActiveControl) FActiveControl = nullptr;
}

void TCustomForm::MenuChanged() {
  if (!FHandle || FFormStyle == fsMDIChild) return;
  HMENU h = nullptr;
  if (FMenu) {
    FMenu->SetWindowHandle(FHandle);
    h = FMenu->Handle();
  }
  if (GetMenu(FHandle) != h)
    ::SetMenu(FHandle, h);
  else if (h)
    DrawMenuBar(FHandle);
  Perform(CM_MENUCHANGED, 0, 0);
}

bool TCustomForm::IsShortCut(const TMessage& m) {
  if (!FMenu || (m.Msg != WM_KEYDOWN && m.Msg != WM_SYSKEYDOWN && m.Msg != CN_KEYDOWN && m.Msg != CN_SYSKEYDOWN))
    return false;
  TWMKey k(m);
  TShortCut sc = ShortCut(k.CharCode, KeyDataToShiftState(k.KeyData));
  if (sc == 0) return false;
  TMenuItem* item = FMenu->FindItem(sc, fkShortCut);
  if (!item || !item->Enabled()) return false;
  item->Click();
  return true;
}

TCustomForm* TCustomForm::ActiveMDIChild() const {
  if (!FClientHandle) return nullptr;
  HWND h = reinterpret_cast<HWND>(SendMessageA(FClientHandle, WM_MDIGETACTIVE, 0, 0));
  return dynamic_cast<TCustomForm*>(FindControl(h));
}

int TCustomForm::MDIChildCount() const {
  if (!FClientHandle || !Screen) return 0;
  int n = 0;
  for (int i = 0; i < Screen->FormCount(); ++i) {
    TCustomForm* f = Screen->Forms(i);
    if (f->FFormStyle == fsMDIChild && f->FHandle && GetParent(f->FHandle) == FClientHandle) ++n;
  }
  return n;
}

TCustomForm* TCustomForm::MDIChildren(int index) const {
  if (FClientHandle && Screen) {
    for (int i = 0; i < Screen->FormCount(); ++i) {
      TCustomForm* f = Screen->Forms(i);
      if (f->FFormStyle == fsMDIChild && f->FHandle && GetParent(f->FHandle) == FClientHandle && index-- == 0) return f;
    }
  }
  throw EListError(Format("List index out of bounds (%d)", index));
}

// ---- Focus

void TCustomForm::SetActiveControl(TWinControl* c) {
  if (FActiveControl == c) return;
  if (c && (!c->CanFocus() || !ContainsControl(c)))
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  FActiveControl = c;
  if (c && FActive && FHandle) ::SetFocus(c->Handle());
}

void TCustomForm::FocusControl(TWinControl* c) {
  if (!c) return;
  if (!c->CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  bool wasActive = FActive;
  FActiveControl = c;
  if (FHandle && IsWindowVisible(FHandle)) {
    if (!wasActive && FFormStyle != fsMDIChild) SetForegroundWindow(FHandle);
    ::SetFocus(c->Handle());
  }
}

void TCustomForm::SetFocusedControl(TWinControl* c) {
  if (Screen) Screen->SetFocusedControl(c);
  if (c == this) {
    if (Screen) Screen->SetActiveForm(this);
    return;
  }
  TWinControl* old = FActiveControl;
  bool changed = old != c;
  FActiveControl = c;
  if (Screen) Screen->SetActiveForm(this);
  if (changed) {
    if (old && !old->HasState(csDestroying)) {
      old->Perform(CM_EXIT, 0, 0);
      if (old->OnExit) old->OnExit(old);
    }
    if (c) {
      c->Perform(CM_ENTER, 0, 0);
      if (c->OnEnter) c->OnEnter(c);
    }
  }
  Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(c));
}

void TCustomForm::ControlRemoving(TControl* c) {
  if (FActiveControl && (FActiveControl == c || (c->IsWindowed() && static_cast<TWinControl*>(c)->ContainsControl(FActiveControl)))) {
    FActiveControl = nullptr;
    if (Screen && Screen->ActiveControl() && (Screen->ActiveControl() == c)) Screen->SetFocusedControl(nullptr);
    // The focus goes back to the form window so no key reaches a dying control.
    if (FHandle && c->IsWindowed()) {
      HWND cw = static_cast<TWinControl*>(c)->HandleIfAllocated();
      HWND f = GetFocus();
      if (cw && (f == cw || IsChild(cw, f))) ::SetFocus(FHandle);
    }
  }
}

void TCustomForm::SetWindowFocus() {
  if (!FHandle) return;
  if (FActiveControl && FActiveControl->CanFocus() && FActiveControl->Parent())
    ::SetFocus(FActiveControl->Handle());
  else if (GetFocus() != FHandle && !IsChild(FHandle, GetFocus()))
    ::SetFocus(FHandle);
}

// ---- Closing and modality

bool TCustomForm::CloseQuery() {
  bool can = true;
  if (OnCloseQuery) OnCloseQuery(this, can);
  return can;
}

void TCustomForm::Close() {
  if (FFormState & fsModal) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = FFormStyle == fsMDIChild ? ((FBorderIcons & biMinimize) ? caMinimize : caNone) : caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this) {
    Application->Terminate();
    return;
  }
  switch (action) {
    case caHide: Hide(); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Release(); break;
    default: break;
  }
}

void TCustomForm::Release() {
  HandleNeeded();
  PostMessageA(FHandle, CM_RELEASE, 0, 0);
}

namespace {
struct TDisabledWindows {
  HWND Keep;
  std::vector<HWND> List;
};
BOOL CALLBACK DisableTaskWindow(HWND wnd, LPARAM lParam) noexcept {
  auto* d = reinterpret_cast<TDisabledWindows*>(lParam);
  if (wnd != d->Keep && IsWindowVisible(wnd) && IsWindowEnabled(wnd)) {
    d->List.push_back(wnd);
    EnableWindow(wnd, FALSE);
  }
  return TRUE;
}
}  // namespace

TModalResult TCustomForm::ShowModal() {
  if (FVisible || !FEnabled || (FFormState & fsModal) || FFormStyle == fsMDIChild)
    throw EInvalidOperation("Cannot make a visible window modal");
  if (GetCapture()) SendMessageA(GetCapture(), WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  HandleNeeded();
  FFormState |= fsModal;
  HWND previous = GetActiveWindow();
  TDisabledWindows disabled{FHandle, {}};
  EnumThreadWindows(GetCurrentThreadId(), DisableTaskWindow, reinterpret_cast<LPARAM>(&disabled));
  auto restore = [&]() noexcept {
    for (HWND w : disabled.List)
      if (IsWindow(w)) EnableWindow(w, TRUE);
    if (previous && IsWindow(previous)) SetActiveWindow(previous);
    FFormState &= ~fsModal;
  };
  TCloseAction action = caHide;
  try {
    Show();
    FModalResult = mrNone;
    do {
      Application->HandleMessage();
      if (Application->Terminated()) {
        FModalResult = mrCancel;
      } else if (FModalResult != mrNone) {
        // Closing may be refused: the loop then goes on.
        action = CloseQuery() ? caHide : caNone;
        if (action != caNone) DoClose(action);
        if (action == caNone) FModalResult = mrNone;
      }
    } while (FModalResult == mrNone);
    Hide();
  } catch (...) {
    try {
      Hide();
    } catch (...) {
    }
    restore();
    throw;
  }
  TModalResult result = FModalResult;
  restore();
  if (action == caFree) Release();
  return result;
}

// ---- Messages

void TCustomForm::WMActivate(TMessage& m) {
  DefaultHandler(m);
  if (LOWORD(m.WParam) != WA_INACTIVE) {
    FActive = true;
    FFormState |= fsActivated;
    if (Screen) Screen->SetActiveForm(this);
    if (!HIWORD(m.WParam)) SetWindowFocus();
    Activate();
  } else {
    FActive = false;
    Deactivate();
  }
}

void TCustomForm::WMClose(TMessage&) { Close(); }

void TCustomForm::WMSize(TMessage& m) {
  TWinControl::WMSize(m);
  switch (m.WParam) {
    case SIZE_MINIMIZED: FWindowState = wsMinimized; break;
    case SIZE_MAXIMIZED: FWindowState = wsMaximized; break;
    case SIZE_RESTORED: FWindowState = wsNormal; break;
    default: break;
  }
  AlignControl(nullptr);
}

void TCustomForm::WMSysCommand(TMessage& m) {
  // The main form stands for the application: its minimise and its restore from the taskbar
  // are the application's, so OnMinimize and OnRestore see them whoever asked.
  if (Application && Application->MainForm() == this && FFormStyle != fsMDIChild) {
    switch (m.WParam & 0xFFF0) {
      case SC_MINIMIZE:
        Application->Minimize();
        m.Result = 0;
        return;
      case SC_RESTORE:
        if (FHandle && IsIconic(FHandle)) {
          Application->Restore();
          m.Result = 0;
          return;
        }
        break;
      default:
        break;
    }
  }
  TScrollingWinControl::Dispatch(m);
}

void TCustomForm::CMDialogKey(TMessage& m) {
  if (GetKeyState(VK_MENU) >= 0) {
    switch (m.WParam) {
      case VK_TAB:
        if (GetKeyState(VK_CONTROL) >= 0) {
          SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
          m.Result = 1;
          return;
        }
        break;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN:
        if (FActiveControl && FActiveControl->Parent()) {
          FActiveControl->Parent()->SelectNext(FActiveControl, m.WParam == VK_RIGHT || m.WParam == VK_DOWN, false);
          m.Result = 1;
        }
        return;
      default:
        break;
    }
  }
  TScrollingWinControl::Dispatch(m);
}

void TCustomForm::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_INITMENUPOPUP:
    case WM_MENUSELECT:
    case WM_MENUCHAR:
    case WM_ENTERMENULOOP:
    case WM_EXITMENULOOP:
      if (m.Msg != WM_COMMAND || m.LParam == 0) {
        LRESULT r = 0;
        if (HandleMenuMessage(FMenu, m.Msg, m.WParam, m.LParam, r)) {
          m.Result = r;
          return;
        }
      }
      break;
    default:
      break;
  }
  switch (m.Msg) {
    case WM_ACTIVATE: WMActivate(m); return;
    case WM_CLOSE: WMClose(m); return;
    case WM_SIZE: WMSize(m); return;
    case WM_SYSCOMMAND: WMSysCommand(m); return;
    case WM_MDIACTIVATE:
      DefaultHandler(m);
      if (FFormStyle == fsMDIChild) {
        bool active = reinterpret_cast<HWND>(m.LParam) == FHandle;
        FActive = active;
        if (active) {
          if (Screen) Screen->SetActiveForm(this);
          Activate();
        } else {
          Deactivate();
        }
      }
      return;
    case CM_DIALOGKEY: CMDialogKey(m); return;
    case CM_RELEASE:
      delete this;
      return;
    case WM_SETFOCUS:
      TScrollingWinControl::Dispatch(m);
      // The form window itself got the focus: pass it on to the active control.
      if (FActiveControl && FActiveControl->CanFocus() && FActiveControl->HandleAllocated() &&
          GetFocus() == FHandle)
        ::SetFocus(FActiveControl->HandleIfAllocated());
      return;
    case WM_ERASEBKGND:
      if (FClientHandle) {
        m.Result = 1;
        return;
      }
      break;
    default:
      break;
  }
  TScrollingWinControl::Dispatch(m);
}

// ---------------------------------------------------------------------------------------------
// TApplication

namespace {
constexpr const char* kAppClass = "KorvApplication";

LRESULT CALLBACK AppWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  auto* app = reinterpret_cast<TApplication*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (!app) return DefWindowProcA(wnd, msg, wParam, lParam);
  TMessage m{msg, wParam, lParam, 0};
  try {
    app->MainWndProc(m);
  } catch (...) {
    HandleWndProcException();
  }
  return m.Result;
}

std::string ModuleTitle() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s = path;
  size_t slash = s.find_last_of("\\/");
  if (slash != std::string::npos) s.erase(0, slash + 1);
  size_t dot = s.find_last_of('.');
  if (dot != std::string::npos) s.erase(dot);
  return s;
}
}  // namespace

TApplication::TApplication(TComponent* owner) : TComponent(owner), FIcon(std::make_unique<TIcon>()) {
  WNDCLASSA wc{};
  if (!GetClassInfoA(ModuleInstance(), kAppClass, &wc)) {
    wc.lpfnWndProc = AppWindowProc;
    wc.hInstance = ModuleInstance();
    wc.lpszClassName = kAppClass;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    if (!RegisterClassA(&wc)) RaiseLastOSError();
  }
  // The window model. This window is the application's hub: it carries the title, receives
  // the application's messages and its hooks, and is never shown (0 x 0, no WS_VISIBLE). The
  // system gives a taskbar button and an Alt+Tab entry to every visible top-level window that
  // has no owner or has WS_EX_APPWINDOW, unless it is a tool window, and none to an owned one.
  // So the main form is made without an owner: it carries the program's one taskbar button.
  // Every other form is owned by the main form (by this window while the main form has no
  // window): it has no button, stays above the main form, and the system hides it while the
  // main form is minimised. Minimize and Restore act on the main form, and the main form's own
  // minimise and restore commands come to them.
  int cx = GetSystemMetrics(SM_CXSCREEN) / 2, cy = GetSystemMetrics(SM_CYSCREEN) / 2;
  FHandle = CreateWindowExA(0, kAppClass, ModuleTitle().c_str(),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, cx, cy, 0, 0, nullptr,
                            nullptr, ModuleInstance(), nullptr);
  if (!FHandle) RaiseLastOSError();
  SetWindowLongPtrA(FHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  FIcon->OnChange = TNotifyEvent(this, &TApplication::IconChanged);
}

void TApplication::IconChanged(TObject*) {
  HICON icon = FIcon->Empty() ? nullptr : FIcon->Handle();
  SendMessageA(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(FHandle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

TApplication::~TApplication() {
  SetComponentState(csDestroying);
  DestroyComponents();
  if (FHandle) {
    SetWindowLongPtrA(FHandle, GWLP_USERDATA, 0);
    DestroyWindow(FHandle);
    FHandle = nullptr;
  }
  if (Application == this) Application = nullptr;
}

void TApplication::SetMainForm(TCustomForm* f) noexcept {
  if (FMainForm == f) return;
  TCustomForm* old = FMainForm;
  FMainForm = f;
  // The new main form first: it may be owned by the old one, which is about to be owned by it.
  for (TCustomForm* form : {f, old}) {
    if (!form || !form->HandleAllocated() || form->FormStyle() == fsMDIChild) continue;
    HWND wnd = form->HandleIfAllocated();
    HWND owner = FormOwnerWindow(form);
    if (GetWindow(wnd, GW_OWNER) != owner) SetWindowLongPtrA(wnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  }
}

HWND TApplication::FormOwnerWindow(const TCustomForm* form) const noexcept {
  if (form == FMainForm || (!FMainForm && form == FMainFormCandidate)) return nullptr;
  if (FMainForm && FMainForm->HandleAllocated()) return FMainForm->HandleIfAllocated();
  return FHandle;
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == FMainForm) FMainForm = nullptr;
}

void TApplication::HookMainWindow(TWindowHook hook) {
  if (!hook) return;
  if (std::find(FHooks.begin(), FHooks.end(), hook) == FHooks.end()) FHooks.push_back(hook);
}

void TApplication::UnhookMainWindow(TWindowHook hook) {
  auto it = std::find(FHooks.begin(), FHooks.end(), hook);
  if (it != FHooks.end()) FHooks.erase(it);
}

void TApplication::MainWndProc(TMessage& m) {
  // Hooks first, on a copy: a hook may unhook itself.
  std::vector<TWindowHook> hooks = FHooks;
  for (const TWindowHook& h : hooks) {
    if (std::find(FHooks.begin(), FHooks.end(), h) == FHooks.end()) continue;
    if (h(m)) return;
  }
  switch (m.Msg) {
    case WM_CLOSE:
      if (FMainForm) FMainForm->Close();
      return;
    case WM_SYSCOMMAND:
      switch (m.WParam & 0xFFF0) {
        case SC_MINIMIZE: Minimize(); return;
        case SC_RESTORE: Restore(); return;
        default: break;
      }
      break;
    case WM_ACTIVATEAPP:
      FActive = m.WParam != 0;
      if (FActive && OnActivate) OnActivate(this);
      if (!FActive && OnDeactivate) OnDeactivate(this);
      break;
    case WM_ENDSESSION:
      if (m.WParam) FTerminated = true;
      break;
    default:
      break;
  }
  m.Result = DefWindowProcA(FHandle, m.Msg, m.WParam, m.LParam);
}

bool TApplication::Active() const {
  HWND w = GetActiveWindow();
  if (!w) return false;
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  return pid == GetCurrentProcessId();
}

std::string TApplication::Title() const {
  char buf[512] = {};
  GetWindowTextA(FHandle, buf, sizeof buf);
  return buf;
}

void TApplication::SetTitle(const std::string& title) { SetWindowTextA(FHandle, title.c_str()); }

void TApplication::HandleException(const Exception* e) {
  if (FHandlingException > 0) return;  // an error while reporting one is dropped
  ++FHandlingException;
  try {
    if (OnException)
      OnException(this, e);
    else
      ShowException(e);
  } catch (...) {
  }
  --FHandlingException;
}

void TApplication::ShowException(const Exception* e) {
  std::string text = e ? e->Message() : std::string("Unknown error");
  if (!text.empty() && text.back() != '.') text += '.';
  MessageBoxA(nullptr, text.c_str(), Title().c_str(), MB_OK | MB_ICONSTOP);
}

bool TApplication::IsMDIMsg(MSG& msg) {
  if (!FMainForm || FMainForm->FormStyle() != fsMDIForm || !FMainForm->ClientHandle()) return false;
  if (!FMainForm->ActiveMDIChild()) return false;
  return TranslateMDISysAccel(FMainForm->ClientHandle(), &msg) != FALSE;
}

bool TApplication::IsKeyMsg(MSG& msg) {
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR:
    case WM_SYSCHAR:
      break;
    default:
      return false;
  }
  HWND wnd = GetCapture();
  if (!wnd) wnd = msg.hwnd;
  if (FMainForm && FMainForm->ClientHandle() && wnd == FMainForm->ClientHandle()) wnd = FMainForm->HandleIfAllocated();
  while (wnd && !FindControl(wnd)) wnd = GetParent(wnd);
  if (!wnd) return false;
  return SendMessageA(wnd, CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

bool TApplication::ProcessMessage(MSG& msg) {
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  try {
    bool handled = false;
    if (OnMessage) OnMessage(msg, handled);
    if (!handled && !IsMDIMsg(msg) && !IsKeyMsg(msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  } catch (...) {
    HandleWndProcException("Unknown exception in the message loop");
  }
  return true;
}

void TApplication::Idle(const MSG&) {
  bool done = true;
  try {
    if (OnIdle) OnIdle(this, done);
  } catch (...) {
    HandleWndProcException("Unknown exception in the message loop");
  }
  if (done) WaitMessage();
}

void TApplication::HandleMessage() {
  MSG msg{};
  if (!ProcessMessage(msg)) Idle(msg);
}

void TApplication::ProcessMessages() {
  MSG msg{};
  while (ProcessMessage(msg)) {
  }
}

void TApplication::Run() {
  if (FMainForm) FMainForm->Show();
  while (!FTerminated) HandleMessage();
}

void TApplication::Terminate() { PostQuitMessage(0); }

void TApplication::Minimize() {
  // The main form carries the taskbar button; the forms it owns go with it.
  if (FMainForm && FMainForm->HandleAllocated() && !IsIconic(FMainForm->HandleIfAllocated()))
    ShowWindow(FMainForm->HandleIfAllocated(), SW_MINIMIZE);
  if (OnMinimize) OnMinimize(this);
}

void TApplication::Restore() {
  if (FMainForm && FMainForm->HandleAllocated() && IsIconic(FMainForm->HandleIfAllocated()))
    ShowWindow(FMainForm->HandleIfAllocated(), SW_RESTORE);
  if (OnRestore) OnRestore(this);
}

// ---------------------------------------------------------------------------------------------
// TScreen

TScreen::TScreen(TComponent* owner) : TComponent(owner), FMenuFont(std::make_unique<TFont>()) { ReadMenuFont(); }

TScreen::~TScreen() {
  for (auto& c : FCustomCursors)
    if (c.second) DestroyCursor(c.second);
  if (Screen == this) Screen = nullptr;
}

void TScreen::ReadMenuFont() {
  NONCLIENTMETRICSA ncm{};
  ncm.cbSize = sizeof ncm;
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
    ncm.cbSize = sizeof ncm - sizeof ncm.iPaddedBorderWidth;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0)) return;
  }
  HFONT f = CreateFontIndirectA(&ncm.lfMenuFont);
  if (f) FMenuFont->SetHandle(f);
  FMenuFont->SetColor(clMenuText);
}

TCustomForm* TScreen::Forms(int index) const {
  if (index < 0 || index >= FormCount()) throw EListError(Format("List index out of bounds (%d)", index));
  return FForms[static_cast<size_t>(index)];
}

void TScreen::AddForm(TCustomForm* f) {
  if (std::find(FForms.begin(), FForms.end(), f) == FForms.end()) FForms.push_back(f);
}

void TScreen::RemoveForm(TCustomForm* f) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), f), FForms.end());
  if (FActiveForm == f) FActiveForm = nullptr;
  if (FActiveControl && FActiveControl->GetParentForm() == f) FActiveControl = nullptr;
}

void TScreen::SetActiveForm(TCustomForm* f) {
  FActiveForm = f;
  // The active form moves to the front of the list.
  auto it = std::find(FForms.begin(), FForms.end(), f);
  if (it != FForms.end() && it != FForms.begin()) {
    FForms.erase(it);
    FForms.insert(FForms.begin(), f);
  }
}

void TScreen::ControlDestroyed(TControl* c) noexcept {
  if (FActiveControl == c) FActiveControl = nullptr;
  if (FActiveForm == c) FActiveForm = nullptr;
}

void TScreen::SetCursor(TCursor v) {
  if (FCursor == v) return;
  FCursor = v;
  POINT p;
  if (GetCursorPos(&p)) {
    HWND w = WindowFromPoint(p);
    if (w) SendMessageA(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  }
  if (v != crDefault) ::SetCursor(Cursors(v));
}

HCURSOR TScreen::Cursors(TCursor index) const {
  for (const auto& c : FCustomCursors)
    if (c.first == index) return c.second;
  LPCSTR id = nullptr;
  switch (index) {
    case crNone: return nullptr;
    case crDefault:
    case crArrow:
    case crDrag:
    case crMultiDrag: id = IDC_ARROW; break;
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS:
    case crVSplit: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE:
    case crHSplit: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass:
    case crSQLWait: id = IDC_WAIT; break;
    case crNoDrop:
    case crNo: id = IDC_NO; break;
    case crAppStart: id = IDC_APPSTARTING; break;
    case crHelp: id = IDC_HELP; break;
    case crHandPoint: id = IDC_HAND; break;
    case crSizeAll: id = IDC_SIZEALL; break;
    default: id = IDC_ARROW; break;
  }
  return LoadCursorA(nullptr, id);
}

void TScreen::SetCursors(TCursor index, HCURSOR cursor) {
  for (auto& c : FCustomCursors) {
    if (c.first == index) {
      if (c.second && c.second != cursor) DestroyCursor(c.second);
      c.second = cursor;
      return;
    }
  }
  FCustomCursors.emplace_back(index, cursor);
}

}  // namespace korv
