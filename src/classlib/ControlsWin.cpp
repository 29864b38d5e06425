// TWinControl and TCustomControl: window creation and destruction, the window procedure that
// binds objects to windows, children and alignment, focus and keyboard routing, reflection of
// child notifications, mouse tracking and the painting of graphic children.
#include <windows.h>
#include <commctrl.h>
#include <imm.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>

#include "classlib/Controls.h"
#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "classlib/WindowBinding.h"

namespace korv {

KORV_DEFINE_CLASS(TWinControl, TControl, nullptr, nullptr);
KORV_DEFINE_CLASS(TCustomControl, TWinControl, nullptr, nullptr);

namespace detail {
extern TControl* GCaptureControl;  // Controls.cpp
}  // namespace detail
using detail::GCaptureControl;

namespace {

// The binding of every control window to its object (the window property "KorvControl").
constexpr TWindowBinding kControlBinding("KorvControl");

void BindWindow(HWND wnd, TWinControl* control) noexcept { (void)kControlBinding.Bind(wnd, control); }
void UnbindWindow(HWND wnd) noexcept { kControlBinding.Unbind(wnd); }
TWinControl* BoundControl(HWND wnd) noexcept { return static_cast<TWinControl*>(kControlBinding.Find(wnd)); }

// The control whose window is being created on this thread: its default procedure serves the
// messages that arrive before WM_NCCREATE binds the window.
thread_local TWinControl* GCreationControl = nullptr;

// Id given to the next child window (WM_MEASUREITEM names children by id).
UINT GNextChildId = 0x100;

HINSTANCE ModuleInstance() noexcept { return GetModuleHandleA(nullptr); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Exceptions inside window procedures

void HandleWndProcException(const char* unknown) noexcept {
  try {
    throw;
  } catch (const Exception& e) {
    if (Application) Application->HandleException(&e);
  } catch (const std::exception& e) {
    if (Application) {
      Exception wrapped(e.what());
      Application->HandleException(&wrapped);
    }
  } catch (...) {
    if (Application) {
      Exception wrapped(unknown);
      Application->HandleException(&wrapped);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// The window procedure of every control window.

LRESULT CALLBACK ControlWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  TWinControl* control = BoundControl(wnd);
  if (!control) {
    TWinControl* creating = GCreationControl;
    if (creating && msg == WM_NCCREATE) {
      // Bind: from now on every message goes through the control's WindowProc.
      GCreationControl = nullptr;
      BindWindow(wnd, creating);
      creating->FHandle = wnd;
      control = creating;
    } else {
      WNDPROC def = creating ? creating->FDefWndProc : DefWindowProcA;
      return CallWindowProcA(def, wnd, msg, wParam, lParam);
    }
  }
  TMessage m{msg, wParam, lParam, 0};
  try {
    control->WindowProc(m);
  } catch (...) {
    HandleWndProcException();
  }
  if (msg == WM_NCDESTROY) {
    // Drop the binding; the object may already have let go of the window.
    if (BoundControl(wnd) == control) {
      UnbindWindow(wnd);
      if (control->FHandle == wnd) control->FHandle = nullptr;
    }
  }
  return m.Result;
}

TWinControl* FindControl(HWND wnd) noexcept {
  if (!wnd || !IsWindow(wnd)) return nullptr;
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if (pid != GetCurrentProcessId()) return nullptr;
  return BoundControl(wnd);
}

TControl* FindDragTarget(TPoint screenPos, bool allowDisabled) noexcept {
  HWND wnd = WindowFromPoint(screenPos);
  if (wnd && allowDisabled) {
    // WindowFromPoint skips disabled children: look for them below the window found.
    for (;;) {
      POINT cp = screenPos;
      ScreenToClient(wnd, &cp);
      HWND child = ChildWindowFromPointEx(wnd, cp, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
      if (!child || child == wnd) break;
      wnd = child;
    }
  }
  TWinControl* win = nullptr;
  while (wnd && !(win = FindControl(wnd))) wnd = GetParent(wnd);
  if (!win) return nullptr;
  try {
    TControl* c = win->ControlAtPos(win->ScreenToClient(screenPos), allowDisabled);
    return c ? c : win;
  } catch (...) {
    return win;
  }
}

// ---------------------------------------------------------------------------------------------
// Themes

namespace {
int GThemesOverride = -1;
}  // namespace

void SetThemesEnabledOverride(int value) noexcept { GThemesOverride = value < 0 ? -1 : (value ? 1 : 0); }

bool ThemesEnabled() noexcept {
  if (GThemesOverride >= 0) return GThemesOverride == 1;
  HMODULE cc = GetModuleHandleA("comctl32.dll");
  if (!cc) return false;
  using DllGetVersionFn = HRESULT(CALLBACK*)(DLLVERSIONINFO*);
  auto getVersion = reinterpret_cast<DllGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(cc, "DllGetVersion")));
  if (!getVersion) return false;
  DLLVERSIONINFO vi{};
  vi.cbSize = sizeof vi;
  if (FAILED(getVersion(&vi)) || vi.dwMajorVersion < 6) return false;
  HMODULE ux = GetModuleHandleA("uxtheme.dll");
  if (!ux) ux = LoadLibraryA("uxtheme.dll");  // stays loaded for the process
  if (!ux) return false;
  using BoolFn = BOOL(WINAPI*)();
  auto active = reinterpret_cast<BoolFn>(reinterpret_cast<void*>(GetProcAddress(ux, "IsThemeActive")));
  auto themed = reinterpret_cast<BoolFn>(reinterpret_cast<void*>(GetProcAddress(ux, "IsAppThemed")));
  return active && themed && active() && themed();
}

// ---------------------------------------------------------------------------------------------
// Hidden utility windows

namespace {
constexpr const char* kUtilClass = "KorvUtilWindow";

LRESULT CALLBACK UtilWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  auto* method = reinterpret_cast<TWndMethod*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (!method || !*method) return DefWindowProcA(wnd, msg, wParam, lParam);
  TMessage m{msg, wParam, lParam, 0};
  // The method may free its object, and with it this window: nothing is touched afterwards.
  TWndMethod copy = *method;
  try {
    copy(m);
  } catch (...) {
    HandleWndProcException();
  }
  return m.Result;
}
}  // namespace

HWND AllocateHWnd(TWndMethod method) {
  WNDCLASSA wc{};
  if (!GetClassInfoA(ModuleInstance(), kUtilClass, &wc)) {
    wc.lpfnWndProc = UtilWindowProc;
    wc.hInstance = ModuleInstance();
    wc.lpszClassName = kUtilClass;
    if (!RegisterClassA(&wc)) RaiseLastOSError();
  }
  HWND wnd = CreateWindowExA(WS_EX_TOOLWINDOW, kUtilClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, ModuleInstance(), nullptr);
  if (!wnd) RaiseLastOSError();
  if (method) SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TWndMethod(method)));
  return wnd;
}

void DeallocateHWnd(HWND wnd) noexcept {
  if (!wnd) return;
  auto* method = reinterpret_cast<TWndMethod*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
  DestroyWindow(wnd);
  delete method;
}

// ---------------------------------------------------------------------------------------------
// TWinControl: life cycle

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
  FIsWindowed = true;
  FControlStyle |= csAcceptsControls;
}

void TWinControl::GetChildren(std::vector<TComponent*>& out) const {
  out.insert(out.end(), FControls.begin(), FControls.end());
}

TWinControl::~TWinControl() {
  SetComponentState(csDestroying);
  // Leave the parent while this is still a windowed control (its lists hold it as one).
  if (FParent) FParent->RemoveControl(this);
  DestroyHandle();
  // Children still here die with their parent.
  while (!FControls.empty()) {
    TControl* c = FControls.back();
    RemoveControl(c);
    delete c;
  }
}

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount()) throw EListError(Format("List index out of bounds (%d)", index));
  return FControls[static_cast<size_t>(index)];
}

TWinControl* TWinControl::WinControls(int index) const {
  if (index < 0 || index >= WinControlCount()) throw EListError(Format("List index out of bounds (%d)", index));
  return FTabList[static_cast<size_t>(index)];
}

bool TWinControl::ContainsControl(const TControl* c) const {
  while (c && c != this) c = c->Parent();
  return c == this;
}

HWND TWinControl::Handle() {
  if (!FHandle) CreateHandle();
  return FHandle;
}

void TWinControl::CreateHandle() {
  if (FHandle) return;
  // csCreating covers the whole of CreateWnd, a derived class's own steps after the window
  // exists included.
  bool outer = !(FControlState & csCreating);
  FControlState |= csCreating;
  try {
    CreateWnd();
  } catch (...) {
    if (outer) FControlState &= ~csCreating;
    throw;
  }
  if (outer) FControlState &= ~csCreating;
  if (!FHandle) return;
  CreateSubWindows();
  // Lay out the children now that the client size is known.
  AlignControl(nullptr);
  if (FVisible && FParent) UpdateShowing();
}

void TWinControl::CreateParams(TCreateParams& p) {
  p.Caption = FText;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (FControlStyle & csAcceptsControls) p.Style |= WS_CLIPCHILDREN;
  if (FVisible) p.Style |= WS_VISIBLE;
  if (!FEnabled) p.Style |= WS_DISABLED;
  if (FTabStop) p.Style |= WS_TABSTOP;
  p.X = FLeft;
  p.Y = FTop;
  p.Width = FWidth;
  p.Height = FHeight;
  if (FParent) p.WndParent = FParent->Handle();
  p.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  p.WindowClass.lpfnWndProc = DefWindowProcA;
  p.WindowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  p.WindowClass.hbrBackground = nullptr;
  p.WinClassName = "Korv" + ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& p, const char* controlClassName) {
  WNDCLASSA wc{};
  if (!GetClassInfoA(nullptr, controlClassName, &wc) && !GetClassInfoA(ModuleInstance(), controlClassName, &wc)) {
    // Common controls register their classes on demand.
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    if (!GetClassInfoA(nullptr, controlClassName, &wc)) RaiseLastOSError();
  }
  // The system class's procedure serves everything the control leaves alone.
  p.WindowClass = wc;
  p.WindowClass.lpfnWndProc = wc.lpfnWndProc;
  p.WindowClass.style &= ~static_cast<UINT>(CS_GLOBALCLASS);
}

void TWinControl::CreateWnd() {
  TCreateParams p;
  CreateParams(p);
  if ((p.Style & WS_CHILD) && !p.WndParent && !p.MDIChild)
    throw EInvalidOperation(Format("Control '%s' has no parent window", Name()));
  // Own window class: the procedure given in the parameters becomes the default procedure.
  FDefWndProc = p.WindowClass.lpfnWndProc ? p.WindowClass.lpfnWndProc : DefWindowProcA;
  if (!(FControlStyle & csDoubleClicks)) p.WindowClass.style &= ~static_cast<UINT>(CS_DBLCLKS);
  WNDCLASSA existing{};
  if (!GetClassInfoA(ModuleInstance(), p.WinClassName.c_str(), &existing)) {
    WNDCLASSA wc = p.WindowClass;
    wc.lpfnWndProc = ControlWindowProc;
    wc.hInstance = ModuleInstance();
    wc.lpszClassName = p.WinClassName.c_str();
    wc.lpszMenuName = nullptr;
    if (!RegisterClassA(&wc)) RaiseLastOSError();
  }
  CreateWindowHandle(p);
  if (!FHandle) RaiseLastOSError();
  if (auto* f = FFont.get(); f && FDefWndProc != DefWindowProcA) SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(f->Handle()), 0);
  // A new window has the thread's default input method.
  if (FImeMode != imDontCare) ApplyImeMode();
}

void TWinControl::SetImeMode(TImeMode v) {
  if (FImeMode == v) return;
  FImeMode = v;
  ApplyImeMode();
}

void TWinControl::ApplyImeMode() {
  if (!FHandle) return;
  if (FImeMode == imDisable)
    ImmAssociateContext(FHandle, nullptr);  // the old context is the thread's: nothing to free
  else
    ImmAssociateContextEx(FHandle, nullptr, IACE_DEFAULT);
}

void TWinControl::CreateWindowHandle(const TCreateParams& p) {
  TWinControl* saved = GCreationControl;
  GCreationControl = this;
  FCreatingWindow = true;
  HWND wnd = nullptr;
  if (p.MDIChild) {
    // MDI children are made by the frame's MDI client.
    TCustomForm* frame = Application ? Application->MainForm() : nullptr;
    HWND client = frame ? frame->ClientHandle() : nullptr;
    if (!client) {
      FCreatingWindow = false;
      GCreationControl = saved;
      throw EInvalidOperation("Cannot create form. No MDI forms are currently active");
    }
    MDICREATESTRUCTA mcs{};
    mcs.szClass = p.WinClassName.c_str();
    mcs.szTitle = p.Caption.c_str();
    mcs.hOwner = ModuleInstance();
    mcs.x = p.X;
    mcs.y = p.Y;
    mcs.cx = p.Width;
    mcs.cy = p.Height;
    mcs.style = p.Style & ~static_cast<DWORD>(WS_CHILD);
    mcs.lParam = reinterpret_cast<LPARAM>(p.Param);
    wnd = reinterpret_cast<HWND>(SendMessageA(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
  } else {
    HMENU id = nullptr;
    if (p.Style & WS_CHILD) id = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(GNextChildId++ & 0x7FFF));
    wnd = CreateWindowExA(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y, p.Width, p.Height,
                          p.WndParent, id, ModuleInstance(), p.Param);
  }
  FCreatingWindow = false;
  GCreationControl = saved;
  if (wnd && !FHandle) {
    // Bound without WM_NCCREATE (should not happen); bind now.
    BindWindow(wnd, this);
    FHandle = wnd;
  }
}

void TWinControl::CreateSubWindows() {
  for (TWinControl* c : FTabList) c->HandleNeeded();
}

void TWinControl::DestroyHandle() {
  if (!FHandle) return;
  FControlState |= csDestroyingHandle;
  for (TWinControl* c : FTabList) c->DestroyHandle();
  DestroyWnd();
  FControlState &= ~csDestroyingHandle;
}

void TWinControl::DestroyWnd() {
  // Keep the text of the window in the object.
  FText = GetText();
  FTrackMode = 0;
  FMouseControl = nullptr;
  DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
  HWND wnd = FHandle;
  if (!wnd) return;
  if (GCaptureControl && GCaptureControl->FParent == this) GCaptureControl = nullptr;
  DestroyWindow(wnd);
  // WM_NCDESTROY dropped the binding; make sure nothing is left.
  if (FHandle == wnd) {
    UnbindWindow(wnd);
    FHandle = nullptr;
  }
}

void TWinControl::RecreateWnd() {
  if (!FHandle) return;
  DestroyHandle();
  HandleNeeded();
}

// ---------------------------------------------------------------------------------------------
// Children

void TWinControl::InsertControl(TControl* c) {
  if (!c || c->FParent == this) return;
  if (c->IsWindowed() && static_cast<TWinControl*>(c)->ContainsControl(this))
    throw EInvalidOperation("A control cannot be its own parent's child");
  c->FParent = this;
  FControls.push_back(c);
  if (c->IsWindowed()) FTabList.push_back(static_cast<TWinControl*>(c));
  c->Perform(CM_PARENTCOLORCHANGED, 0, 0);
  c->Perform(CM_PARENTFONTCHANGED, 0, 0);
  c->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
  c->Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
  if (c->IsWindowed()) {
    if (FHandle) static_cast<TWinControl*>(c)->HandleNeeded();
  } else if (FHandle && c->FVisible) {
    c->Invalidate();
  }
  c->UpdateAnchorRules();
  if (c->FAlign != alNone)
    AlignControl(c);
  else
    ChildBoundsChanged(c);
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(c), 1);
}

void TWinControl::RemoveControl(TControl* c) {
  auto it = std::find(FControls.begin(), FControls.end(), c);
  if (it == FControls.end()) return;
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(c), 0);
  if (FMouseControl == c) FMouseControl = nullptr;
  if (GCaptureControl == c) {
    GCaptureControl = nullptr;
    if (FHandle && GetCapture() == FHandle) ReleaseCapture();
  }
  if (TCustomForm* f = GetParentForm()) f->ControlRemoving(c);
  if (c->IsWindowed()) {
    auto* w = static_cast<TWinControl*>(c);
    if (!w->HasState(csDestroying)) w->DestroyHandle();  // a dying control destroys its own window
    FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), w), FTabList.end());
  } else if (FHandle && c->FVisible) {
    c->Invalidate();
  }
  FControls.erase(std::find(FControls.begin(), FControls.end(), c));
  c->FParent = nullptr;
  if (c->FAlign != alNone) AlignControl(nullptr);
}

void TWinControl::SetChildOrder(TControl* c, bool front) {
  auto it = std::find(FControls.begin(), FControls.end(), c);
  if (it == FControls.end()) return;
  FControls.erase(it);
  if (front)
    FControls.push_back(c);
  else
    FControls.insert(FControls.begin(), c);
  if (auto* w = c->IsWindowed() ? static_cast<TWinControl*>(c) : nullptr; w && w->FHandle) {
    SetWindowPos(w->FHandle, front ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  } else {
    c->Invalidate();
  }
  if (c->FAlign != alNone) AlignControl(c);
}

void TWinControl::SetParent(TWinControl* parent) {
  if (FParent == parent) return;
  // A window cannot move between parents: it is created again under the new one.
  if (FHandle && FParent) DestroyHandle();
  TControl::SetParent(parent);
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled, bool allowWinControls) const {
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    TControl* c = *it;
    if (c->IsWindowed() && !allowWinControls) continue;
    if (!c->FVisible || (!c->FEnabled && !allowDisabled)) continue;
    TRect r = c->BoundsRect();
    if (!PtInRect(&r, p)) continue;
    if (!c->IsWindowed()) {
      // A control may decline the hit (CM_HITTEST answers 0).
      if (c->Perform(CM_HITTEST, 0, PointToLParam(p.x - c->FLeft, p.y - c->FTop)) == 0) continue;
    }
    return c;
  }
  return nullptr;
}

void TWinControl::Broadcast(TMessage& m) {
  // The list may change while a child handles the message: iterate over a copy.
  std::vector<TControl*> list = FControls;
  for (TControl* c : list) {
    if (std::find(FControls.begin(), FControls.end(), c) == FControls.end()) continue;
    c->WindowProc ? c->WindowProc(m) : c->WndProc(m);
    if (m.Result != 0) return;
  }
}

void TWinControl::NotifyControls(UINT msg) {
  TMessage m{msg, 0, 0, 0};
  Broadcast(m);
}

// ---------------------------------------------------------------------------------------------
// Alignment

void TWinControl::DisableAlign() { ++FAlignLevel; }

void TWinControl::EnableAlign() {
  if (FAlignLevel > 0) --FAlignLevel;
  if (FAlignLevel == 0 && (FControlState & csAlignmentNeeded)) Realign();
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AdjustClientRect(TRect& r) { InflateRect(&r, -FBorderWidth, -FBorderWidth); }

void TWinControl::AlignControl(TControl* c) {
  if (FAlignLevel > 0 || HasState(csDestroying | csLoading)) {
    FControlState |= csAlignmentNeeded;
    return;
  }
  DisableAlign();
  try {
    TRect r = ClientRect();
    AdjustClientRect(r);
    AlignControls(c, r);
  } catch (...) {
    --FAlignLevel;
    throw;
  }
  FControlState &= ~csAlignmentNeeded;
  --FAlignLevel;
  if (FControlState & csAlignmentNeeded) {
    FControlState &= ~csAlignmentNeeded;
    AlignControl(nullptr);
  }
}

namespace {
// Whether c1 goes before c2 among the controls of one alignment.
bool InsertBefore(const TControl* c1, const TControl* c2, TAlign align) {
  switch (align) {
    case alTop: return c1->Top() < c2->Top();
    case alBottom: return c1->Top() + c1->Height() >= c2->Top() + c2->Height();
    case alLeft: return c1->Left() < c2->Left();
    case alRight: return c1->Left() + c1->Width() >= c2->Left() + c2->Width();
    default: return false;
  }
}
}  // namespace

void TWinControl::AlignControls(TControl* moved, TRect& rect) {
  static constexpr TAlign kOrder[] = {alTop, alBottom, alLeft, alRight, alClient};
  for (TAlign align : kOrder) {
    std::vector<TControl*> list;
    if (moved && moved->FAlign == align && moved->FVisible && moved->FParent == this) list.push_back(moved);
    for (TControl* c : FControls) {
      if (c == moved || c->FAlign != align || !c->FVisible) continue;
      size_t j = 0;
      while (j < list.size() && !InsertBefore(c, list[j], align)) ++j;
      list.insert(list.begin() + static_cast<std::ptrdiff_t>(j), c);
    }
    for (TControl* c : list) {
      int w = RectWidth(rect), h = RectHeight(rect);
      switch (align) {
        case alTop:
          c->SetBounds(rect.left, rect.top, w, c->FHeight);
          rect.top += c->FHeight;
          break;
        case alBottom:
          c->SetBounds(rect.left, rect.bottom - c->FHeight, w, c->FHeight);
          rect.bottom -= c->FHeight;
          break;
        case alLeft:
          c->SetBounds(rect.left, rect.top, c->FWidth, h);
          rect.left += c->FWidth;
          break;
        case alRight:
          c->SetBounds(rect.right - c->FWidth, rect.top, c->FWidth, h);
          rect.right -= c->FWidth;
          break;
        case alClient:
          c->SetBounds(rect.left, rect.top, w, h);
          break;
        default:
          break;
      }
    }
  }
  // The anchored children follow the client area (on a copy: a move may change the list).
  std::vector<TControl*> anchored;
  for (TControl* c : FControls)
    if (c->FAlign == alNone && c->FAnchors != kDefaultAnchors) anchored.push_back(c);
  for (TControl* c : anchored)
    if (std::find(FControls.begin(), FControls.end(), c) != FControls.end()) c->ApplyAnchors();
}

// ---------------------------------------------------------------------------------------------
// Bounds, visibility, text

TRect TWinControl::ClientRect() const {
  if (FHandle) {
    RECT r;
    if (GetClientRect(FHandle, &r)) return r;
  }
  return Rect(0, 0, FWidth, FHeight);
}

TPoint TWinControl::ClientOrigin() const {
  if (FHandle) {
    POINT p{0, 0};
    ::ClientToScreen(FHandle, &p);
    return p;
  }
  return TControl::ClientOrigin();
}

bool TWinControl::Showing() const {
  if (FHandle) return IsWindowVisible(FHandle) != FALSE;
  return FVisible && (!FParent || FParent->Showing());
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  FConstraints->Apply(width, height);
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) {
    if (!FAnchorMove) UpdateAnchorRules();
    return;
  }
  if (FHandle && !IsIconic(FHandle)) {
    SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    // WM_WINDOWPOSCHANGED brought the new bounds; the window may have refused a size.
    if (!FAnchorMove) UpdateAnchorRules();
    return;
  }
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  if (!FAnchorMove) UpdateAnchorRules();
  BoundsChanged();
  AlignControl(nullptr);
}

void TWinControl::UpdateBounds() {
  if (!FHandle) return;
  RECT r;
  GetWindowRect(FHandle, &r);
  if (HWND parent = GetParent(FHandle); parent && (GetWindowLongA(FHandle, GWL_STYLE) & WS_CHILD))
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  int l = r.left, t = r.top, w = r.right - r.left, h = r.bottom - r.top;
  if (l == FLeft && t == FTop && w == FWidth && h == FHeight) return;
  bool sized = w != FWidth || h != FHeight;
  FLeft = l;
  FTop = t;
  FWidth = w;
  FHeight = h;
  // Moved by someone else than the parent's anchoring (the system, a scroll): that is where the
  // control stands now.
  if (!FAnchorMove) UpdateAnchorRules();
  RequestAlignOf(this);
  if (sized) {
    AlignControl(nullptr);
    Resize();
  }
}

void TWinControl::UpdateShowing() {
  if (!FHandle) {
    if (FVisible && FParent && FParent->HandleAllocated()) HandleNeeded();
    return;
  }
  bool show = FVisible;
  if (show != (IsWindowVisible(FHandle) != FALSE || (GetWindowLongA(FHandle, GWL_STYLE) & WS_VISIBLE))) {
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  }
}

void TWinControl::VisibleChanging() {
  // A control that hides loses the focus first.
  if (FVisible && FHandle && (GetFocus() == FHandle || IsChild(FHandle, GetFocus()))) {
    if (TCustomForm* f = GetParentForm(); f && f != static_cast<TControl*>(this)) f->ControlRemoving(this);
  }
}

std::string TWinControl::GetText() const {
  if (!FHandle) return FText;
  int len = GetWindowTextLengthA(FHandle);
  std::string s(static_cast<size_t>(len) + 1, '\0');
  int got = GetWindowTextA(FHandle, s.data(), len + 1);
  s.resize(static_cast<size_t>(std::max(got, 0)));
  return s;
}

void TWinControl::SetTextBuf(const std::string& v) {
  FText = v;
  if (FHandle) SetWindowTextA(FHandle, v.c_str());
}

void TWinControl::SetBorderWidth(int v) {
  if (v < 0) v = 0;
  if (FBorderWidth == v) return;
  FBorderWidth = v;
  Realign();
  Invalidate();
}

void TWinControl::ParentColorChanged() {}

HBRUSH TWinControl::ControlBrush() {
  if (!FBrush || FBrushColor != FColor) {
    FBrush.Reset(CreateSolidBrush(ColorToColorRef(FColor)));
    FBrushColor = FColor;
  }
  return FBrush.Get();
}

// ---------------------------------------------------------------------------------------------
// Painting

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, !(FControlStyle & csOpaque));
}

void TWinControl::Update() {
  if (FHandle) UpdateWindow(FHandle);
}

void TWinControl::Repaint() {
  if (!FHandle) return;
  // Windowed children paint themselves; erase too unless opaque.
  RedrawWindow(FHandle, nullptr, nullptr,
               RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | ((FControlStyle & csOpaque) ? 0 : RDW_ERASE));
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
  auto it = FControls.begin();
  if (first) {
    it = std::find(FControls.begin(), FControls.end(), first);
    if (it == FControls.end()) it = FControls.begin();
  }
  POINT org{};
  GetViewportOrgEx(dc, &org);
  std::vector<TControl*> list(it, FControls.end());
  for (TControl* c : list) {
    if (c->IsWindowed() || !c->FVisible) continue;
    if (std::find(FControls.begin(), FControls.end(), c) == FControls.end()) continue;
    TRect r = c->BoundsRect();
    if (!RectVisible(dc, &r)) continue;
    TSaveDCGuard saved(dc);
    SetViewportOrgEx(dc, org.x + c->FLeft, org.y + c->FTop, nullptr);
    IntersectClipRect(dc, 0, 0, c->FWidth, c->FHeight);
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  }
}

void TWinControl::PaintHandler(HDC dc) {
  bool hasGraphic = false;
  for (TControl* c : FControls)
    if (!c->IsWindowed() && c->FVisible) hasGraphic = true;
  if (!hasGraphic) {
    PaintWindow(dc);
    return;
  }
  {
    TSaveDCGuard saved(dc);
    for (TControl* c : FControls)
      if (!c->IsWindowed() && c->FVisible && (c->FControlStyle & csOpaque))
        ExcludeClipRect(dc, c->FLeft, c->FTop, c->FLeft + c->FWidth, c->FTop + c->FHeight);
    PaintWindow(dc);
  }
  PaintControls(dc, nullptr);
}

void TWinControl::PaintWindow(HDC dc) {
  // A sub-classed system control paints itself into the DC; a plain window has nothing to paint.
  if (FHandle && FDefWndProc != DefWindowProcA)
    CallWindowProcA(FDefWndProc, FHandle, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
}

void TWinControl::WMPaint(TMessage& m) {
  if (m.WParam) {
    // Painting into a DC someone else supplies (a parent's background, PrintWindow...).
    PaintHandler(reinterpret_cast<HDC>(m.WParam));
    return;
  }
  if (FDefWndProc != DefWindowProcA && !FDoubleBuffered &&
      std::none_of(FControls.begin(), FControls.end(), [](TControl* c) { return !c->IsWindowed() && c->FVisible; })) {
    // A system control with nothing of ours to add paints itself.
    DefaultHandler(m);
    return;
  }
  TPaintScope paint(FHandle);
  HDC dc = paint.DC();
  if (!dc) return;
  if (FDoubleBuffered && !IsRectEmpty(&paint.Info().rcPaint)) {
    TRect cr = ClientRect();
    TUniqueDC mem(CreateCompatibleDC(dc));
    TUniqueBitmap bmp(CreateCompatibleBitmap(dc, std::max(1, RectWidth(cr)), std::max(1, RectHeight(cr))));
    if (mem && bmp) {
      TSelectGuard sel(mem.Get(), bmp.Get());
      Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem.Get()), reinterpret_cast<LPARAM>(mem.Get()));
      Perform(WM_PAINT, reinterpret_cast<WPARAM>(mem.Get()), 0);
      BitBlt(dc, 0, 0, RectWidth(cr), RectHeight(cr), mem.Get(), 0, 0, SRCCOPY);
      return;
    }
  }
  PaintHandler(dc);
}

void TWinControl::WMEraseBkgnd(TMessage& m) {
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  if (!dc) return;
  TRect r = ClientRect();
  FillRect(dc, &r, ControlBrush());
  m.Result = 1;
}

// ---------------------------------------------------------------------------------------------
// Focus and keyboard

bool TWinControl::CanFocus() const {
  const TControl* c = this;
  while (c) {
    if (!c->FVisible || !c->FEnabled) return false;
    if (!c->FParent) return dynamic_cast<const TCustomForm*>(c) != nullptr || c == this;
    c = c->FParent;
  }
  return true;
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

void TWinControl::SetFocus() {
  TCustomForm* f = GetParentForm();
  if (f && f != static_cast<TControl*>(this)) {
    f->FocusControl(this);
    return;
  }
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  ::SetFocus(Handle());
}

void TWinControl::SetTabStop(bool v) {
  if (FTabStop == v) return;
  FTabStop = v;
  if (FHandle) {
    LONG s = GetWindowLongA(FHandle, GWL_STYLE);
    SetWindowLongA(FHandle, GWL_STYLE, v ? (s | WS_TABSTOP) : (s & ~WS_TABSTOP));
  }
  Perform(CM_TABSTOPCHANGED, 0, 0);
}

int TWinControl::TabOrder() const {
  if (!FParent) return -1;
  auto& l = FParent->FTabList;
  auto it = std::find(l.begin(), l.end(), this);
  return it == l.end() ? -1 : static_cast<int>(it - l.begin());
}

void TWinControl::SetTabOrder(int v) {
  if (!FParent) return;
  auto& l = FParent->FTabList;
  auto it = std::find(l.begin(), l.end(), this);
  if (it == l.end()) return;
  l.erase(it);
  if (v < 0 || v >= static_cast<int>(l.size()) + 1) v = static_cast<int>(l.size());
  l.insert(l.begin() + v, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
  for (TWinControl* c : FTabList) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* cur, bool goForward, bool checkTabStop, bool checkParent) const {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  int count = static_cast<int>(list.size());
  auto it = std::find(list.begin(), list.end(), cur);
  int start = it == list.end() ? -1 : static_cast<int>(it - list.begin());
  if (start < 0) start = goForward ? count - 1 : 0;
  int i = start;
  do {
    if (goForward) {
      if (++i == count) i = 0;
    } else {
      if (i == 0) i = count;
      --i;
    }
    TWinControl* c = list[static_cast<size_t>(i)];
    if (c != cur && c->CanFocus() && (!checkTabStop || c->FTabStop) && (!checkParent || c->FParent == this)) return c;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* cur, bool goForward, bool checkTabStop) {
  if (TWinControl* c = FindNextControl(cur, goForward, checkTabStop, false)) c->SetFocus();
}

bool TWinControl::WantsKey(WORD key, UINT dlgCodeWanted) {
  if (Perform(CM_WANTSPECIALKEY, key, 0) != 0) return true;
  UINT code = static_cast<UINT>(Perform(WM_GETDLGCODE, 0, 0));
  return (code & (dlgCodeWanted | DLGC_WANTALLKEYS)) != 0;
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}
void TWinControl::KeyUp(WORD& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}
void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::WMKeyDown(TMessage& m) {
  TWMKey k(m);
  WORD key = k.CharCode;
  TShiftState shift = KeyDataToShiftState(k.KeyData);
  TCustomForm* f = GetParentForm();
  if (f && f != static_cast<TControl*>(this) && f->KeyPreview()) {
    if (f->Perform(CM_CHILDKEY, key, reinterpret_cast<LPARAM>(this)) != 0) return;
    f->DoPreviewKeyDown(key, shift);
    if (key == 0) return;
  }
  KeyDown(key, shift);
  if (key == 0) return;
  m.WParam = key;
  DefaultHandler(m);
}

void TWinControl::WMKeyUp(TMessage& m) {
  TWMKey k(m);
  WORD key = k.CharCode;
  KeyUp(key, KeyDataToShiftState(k.KeyData));
  if (key == 0) return;
  m.WParam = key;
  DefaultHandler(m);
}

void TWinControl::WMChar(TMessage& m) {
  char c = static_cast<char>(m.WParam);
  TCustomForm* f = GetParentForm();
  if (f && f != static_cast<TControl*>(this) && f->KeyPreview()) {
    f->DoPreviewKeyPress(c);
    if (c == 0) return;
  }
  KeyPress(c);
  if (c == 0) return;
  m.WParam = static_cast<unsigned char>(c);
  DefaultHandler(m);
}

void TWinControl::CNKeyDown(TMessage& m) {
  // Runs before the control sees WM_KEYDOWN: menu shortcuts, then dialog navigation for keys the
  // control does not claim.
  m.Result = 1;
  TWMKey k(m);
  TCustomForm* f = GetParentForm();
  if (f && f->IsShortCut(m)) return;
  if (Perform(CM_CHILDKEY, k.CharCode, reinterpret_cast<LPARAM>(this)) != 0) return;
  UINT mask = 0;
  switch (k.CharCode) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN:
    case VK_EXECUTE:
    case VK_ESCAPE:
    case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
    default: break;
  }
  if (mask && f && !WantsKey(k.CharCode, mask) && f->Perform(CM_DIALOGKEY, k.CharCode, k.KeyData) != 0) return;
  m.Result = 0;
}

void TWinControl::CNChar(TMessage& m, bool sysChar) {
  // Accelerator characters: Alt+letter always, a plain character when the control takes none.
  m.Result = 1;
  TWMKey k(m);
  TCustomForm* f = GetParentForm();
  if (f) {
    if (sysChar && f->IsShortCut(m)) return;
    bool wantsChars = !sysChar && (Perform(WM_GETDLGCODE, 0, 0) & (DLGC_WANTCHARS | DLGC_WANTALLKEYS)) != 0;
    if (!wantsChars && f->Perform(CM_DIALOGCHAR, k.CharCode, k.KeyData) != 0) return;
  }
  m.Result = 0;
}

void TWinControl::CMDialogChar(TMessage& m) { Broadcast(m); }
void TWinControl::CMDialogKey(TMessage& m) { Broadcast(m); }
void TWinControl::CMFocusChanged(TMessage& m) { Broadcast(m); }

void TWinControl::WMSetFocus(TMessage& m) {
  DefaultHandler(m);
  if (HasState(csDestroying)) return;
  if (TCustomForm* f = GetParentForm()) f->SetFocusedControl(this);
}

void TWinControl::WMKillFocus(TMessage& m) { DefaultHandler(m); }

// ---------------------------------------------------------------------------------------------
// Reflection

bool TWinControl::ReflectToChild(TMessage& m) {
  HWND child = nullptr;
  switch (m.Msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
      child = reinterpret_cast<HWND>(m.LParam);
      break;
    case WM_NOTIFY:
      if (m.LParam) child = reinterpret_cast<NMHDR*>(m.LParam)->hwndFrom;
      break;
    case WM_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
      if (d && d->CtlType != ODT_MENU) child = d->hwndItem;
      break;
    }
    case WM_MEASUREITEM: {
      auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
      if (mi && mi->CtlType != ODT_MENU && FHandle) child = GetDlgItem(FHandle, static_cast<int>(mi->CtlID));
      break;
    }
    case WM_DELETEITEM: {
      auto* d = reinterpret_cast<DELETEITEMSTRUCT*>(m.LParam);
      if (d && d->CtlType != ODT_MENU) child = d->hwndItem;
      break;
    }
    case WM_COMPAREITEM: {
      auto* c = reinterpret_cast<COMPAREITEMSTRUCT*>(m.LParam);
      if (c) child = c->hwndItem;
      break;
    }
    default:
      return false;
  }
  if (!child || child == FHandle) return false;
  TWinControl* c = FindControl(child);
  if (!c) return false;
  m.Result = SendMessageA(child, CN_BASE + m.Msg, m.WParam, m.LParam);
  return true;
}

void TWinControl::CNCtlColor(TMessage& m) {
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  SetTextColor(dc, ColorToColorRef(FFont->Color()));
  SetBkColor(dc, ColorToColorRef(FColor));
  m.Result = reinterpret_cast<LRESULT>(ControlBrush());
}

// ---------------------------------------------------------------------------------------------
// Mouse

bool TWinControl::IsControlMouseMsg(TMessage& m) {
  TControl* c = nullptr;
  TWMMouse w(m);
  if (GetCapture() == FHandle) {
    if (GCaptureControl && GCaptureControl->FParent == this) c = GCaptureControl;
  } else {
    c = ControlAtPos(Point(w.XPos, w.YPos), false);
  }
  if (!c) return false;
  m.Result = c->Perform(m.Msg, m.WParam, PointToLParam(w.XPos - c->FLeft, w.YPos - c->FTop));
  return true;
}

void TWinControl::SetMouseControl(TControl* c) {
  if (FMouseControl == c) return;
  TControl* old = FMouseControl;
  FMouseControl = c;
  if (old && old->FMouseInside) {
    old->FMouseInside = false;
    old->Perform(CM_MOUSELEAVE, 0, 0);
  }
  if (c && FMouseControl == c && !c->FMouseInside) {
    c->FMouseInside = true;
    c->Perform(CM_MOUSEENTER, 0, 0);
  }
}

void TWinControl::TrackMouse(bool nonClient) {
  UINT wanted = TME_LEAVE | (nonClient ? TME_NONCLIENT : 0);
  if (FTrackMode != wanted) {
    TRACKMOUSEEVENT t{sizeof t, wanted, FHandle, HOVER_DEFAULT};
    if (TrackMouseEvent(&t)) FTrackMode = wanted;
  }
  if (!FMouseInside) {
    FMouseInside = true;
    Perform(CM_MOUSEENTER, 0, 0);
  }
}

void TWinControl::WMMouseLeave(TMessage& m, bool nonClient) {
  (void)m;
  bool wasNonClient = (FTrackMode & TME_NONCLIENT) != 0;
  if (FTrackMode == 0 || wasNonClient != nonClient) return;  // a stale notice of an earlier mode
  FTrackMode = 0;
  if (!nonClient) SetMouseControl(nullptr);
  POINT p;
  if (FHandle && GetCursorPos(&p) && WindowFromPoint(p) == FHandle) {
    // Still over this window (client to frame or back): keep tracking in the new area.
    LRESULT hit = SendMessageA(FHandle, WM_NCHITTEST, 0, PointToLParam(p.x, p.y));
    TrackMouse(hit != HTCLIENT);
    return;
  }
  if (FMouseInside) {
    FMouseInside = false;
    Perform(CM_MOUSELEAVE, 0, 0);
  }
}

void TWinControl::WMSetCursor(TMessage& m) {
  if (reinterpret_cast<HWND>(m.WParam) == FHandle && LOWORD(m.LParam) == HTCLIENT) {
    TCursor cursor = Screen ? Screen->Cursor() : crDefault;
    if (cursor == crDefault) {
      POINT p;
      GetCursorPos(&p);
      ::ScreenToClient(FHandle, &p);
      TControl* c = ControlAtPos(p, false);
      cursor = c ? c->FCursor : crDefault;
      if (cursor == crDefault) cursor = FCursor;
    }
    if (cursor != crDefault && Screen) {
      ::SetCursor(Screen->Cursors(cursor));
      m.Result = 1;
      return;
    }
  }
  DefaultHandler(m);
}

void TWinControl::WMNCHitTest(TMessage& m) { DefaultHandler(m); }

void TWinControl::WMContextMenu(TMessage& m) {
  // The control (or graphic child) under the point shows its popup menu; otherwise the message
  // goes on to the parent window through the default procedure.
  TPoint pt = Point(static_cast<int16_t>(LOWORD(m.LParam)), static_cast<int16_t>(HIWORD(m.LParam)));
  bool fromKeyboard = m.LParam == -1;
  if (fromKeyboard) pt = ClientToScreen(Point(0, 0));
  TControl* target = this;
  if (!fromKeyboard) {
    if (TControl* c = ControlAtPos(ScreenToClient(pt), false)) target = c;
  }
  TPopupMenu* menu = target->PopupMenu();
  if (menu && menu->AutoPopup()) {
    menu->SetPopupComponent(target);
    menu->Popup(pt.x, pt.y);
    m.Result = 1;
    return;
  }
  DefaultHandler(m);
}

// ---------------------------------------------------------------------------------------------
// Window messages

void TWinControl::WMWindowPosChanged(TMessage& m) {
  auto* wp = reinterpret_cast<WINDOWPOS*>(m.LParam);
  DefaultHandler(m);
  if (wp) {
    // Visible follows the window (someone may have called ShowWindow directly).
    if (wp->flags & SWP_SHOWWINDOW) FVisible = true;
    if ((wp->flags & SWP_HIDEWINDOW) && !(FControlState & csDestroyingHandle)) FVisible = false;
  }
  UpdateBounds();
}

void TWinControl::WMSize(TMessage& m) {
  DefaultHandler(m);
  UpdateBounds();
}

void TWinControl::WMGetMinMaxInfo(TMessage& m) {
  DefaultHandler(m);
  auto* mmi = reinterpret_cast<MINMAXINFO*>(m.LParam);
  if (!mmi) return;
  // Only the limits that are set: a value someone before us left (or preset) stays.
  const TSizeConstraints& c = *FConstraints;
  if (c.MinWidth() > 0) mmi->ptMinTrackSize.x = c.MinWidth();
  if (c.MinHeight() > 0) mmi->ptMinTrackSize.y = c.MinHeight();
  if (c.MaxWidth() > 0) mmi->ptMaxTrackSize.x = c.MaxWidth();
  if (c.MaxHeight() > 0) mmi->ptMaxTrackSize.y = c.MaxHeight();
}

void TWinControl::ScrollBy(int dx, int dy) {
  if (dx == 0 && dy == 0) return;
  bool visible = FHandle && IsWindowVisible(FHandle);
  // A shown window scrolls its pixels and child windows in one go; a hidden one moves its
  // child windows itself.
  if (visible)
    ScrollWindowEx(FHandle, dx, dy, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
  std::vector<TControl*> list = FControls;
  for (TControl* c : list) {
    auto* w = c->IsWindowed() ? static_cast<TWinControl*>(c) : nullptr;
    if (!w || !w->FHandle) {
      c->FLeft += dx;
      c->FTop += dy;
      c->UpdateAnchorRules();
    } else {
      if (!visible)
        SetWindowPos(w->FHandle, nullptr, w->FLeft + dx, w->FTop + dy, 0, 0,
                     SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
      // WM_WINDOWPOSCHANGED brought the new place; make sure of it.
      w->UpdateBounds();
    }
  }
  Realign();
}

void TWinControl::WMNCDestroy(TMessage& m) {
  DefaultHandler(m);
  FTrackMode = 0;
  FMouseControl = nullptr;
}

void TWinControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_MOUSEMOVE:
      if (FHandle) {
        TrackMouse(false);
        TWMMouse w(m);
        SetMouseControl(GetCapture() == FHandle && GCaptureControl && GCaptureControl->FParent == this
                            ? (ControlAtPos(Point(w.XPos, w.YPos), false) == GCaptureControl ? GCaptureControl : nullptr)
                            : ControlAtPos(Point(w.XPos, w.YPos), false));
      }
      [[fallthrough]];
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      if (IsControlMouseMsg(m)) {
        // The graphic child took it; the window's own default handling still runs when the
        // child left Result at 0 (cursor, activation).
        if (m.Result == 0 && FHandle) CallWindowProcA(FDefWndProc, FHandle, m.Msg, m.WParam, m.LParam);
        return;
      }
      break;
    case WM_NCMOUSEMOVE:
      if (FHandle) TrackMouse(true);
      break;
    default:
      break;
  }
  TControl::WndProc(m);
}

void TWinControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_PAINT: WMPaint(m); return;
    case WM_ERASEBKGND: WMEraseBkgnd(m); return;
    case WM_SETCURSOR: WMSetCursor(m); return;
    case WM_SETFOCUS: WMSetFocus(m); return;
    case WM_KILLFOCUS: WMKillFocus(m); return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: WMKeyDown(m); return;
    case WM_KEYUP:
    case WM_SYSKEYUP: WMKeyUp(m); return;
    case WM_CHAR: WMChar(m); return;
    case WM_WINDOWPOSCHANGED: WMWindowPosChanged(m); return;
    case WM_SIZE: WMSize(m); return;
    case WM_GETMINMAXINFO: WMGetMinMaxInfo(m); return;
    case WM_MOUSELEAVE: WMMouseLeave(m, false); return;
    case WM_NCMOUSELEAVE:
      WMMouseLeave(m, true);
      DefaultHandler(m);
      return;
    case WM_NCDESTROY: WMNCDestroy(m); return;
    case WM_CAPTURECHANGED:
      // A graphic child holding the capture through this window loses it now.
      if (GCaptureControl && GCaptureControl->FParent == this && reinterpret_cast<HWND>(m.LParam) != FHandle) {
        TControl* c = GCaptureControl;
        GCaptureControl = nullptr;
        c->Perform(WM_CAPTURECHANGED, m.WParam, m.LParam);
      }
      DefaultHandler(m);
      return;
    case WM_CANCELMODE:
      if (GCaptureControl && GCaptureControl->FParent == this) GCaptureControl->Perform(WM_CANCELMODE, 0, 0);
      break;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
      if (ReflectToChild(m)) return;
      break;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: CNKeyDown(m); return;
    case CN_CHAR: CNChar(m, false); return;
    case CN_SYSCHAR: CNChar(m, true); return;
    case CN_CTLCOLORMSGBOX:
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORDLG:
    case CN_CTLCOLORSCROLLBAR:
    case CN_CTLCOLORSTATIC: CNCtlColor(m); return;
    case CM_DIALOGCHAR: CMDialogChar(m); return;
    case CM_DIALOGKEY: CMDialogKey(m); return;
    case CM_FOCUSCHANGED: CMFocusChanged(m); return;
    case CM_CHILDKEY:
      if (FParent) m.Result = FParent->Perform(CM_CHILDKEY, m.WParam, m.LParam);
      return;
    case CM_ENABLEDCHANGED:
      if (FHandle) EnableWindow(FHandle, FEnabled);
      TControl::Dispatch(m);
      return;
    case CM_VISIBLECHANGED:
      UpdateShowing();
      return;
    case CM_COLORCHANGED:
      TControl::Dispatch(m);
      NotifyControls(CM_PARENTCOLORCHANGED);
      return;
    case CM_FONTCHANGED:
      if (FHandle && FDefWndProc != DefWindowProcA) SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont->Handle()), 1);
      TControl::Dispatch(m);
      NotifyControls(CM_PARENTFONTCHANGED);
      return;
    case CM_SHOWHINTCHANGED:
      NotifyControls(CM_PARENTSHOWHINTCHANGED);
      return;
    case CM_BIDIMODECHANGED:
      NotifyControls(CM_PARENTBIDIMODECHANGED);
      Invalidate();
      return;
    case CM_SYSCOLORCHANGE:
    case CM_WININICHANGE:
    case CM_FONTCHANGE:
    case CM_TIMECHANGE:
      Broadcast(m);
      return;
    case CM_RECREATEWND:
      RecreateWnd();
      return;
    case WM_CONTEXTMENU:
      WMContextMenu(m);
      return;
    case CM_INVALIDATE:
      Invalidate();
      return;
    case WM_SYSCOLORCHANGE:
      NotifyControls(CM_SYSCOLORCHANGE);
      DefaultHandler(m);
      return;
    default:
      break;
  }
  TControl::Dispatch(m);
}

void TWinControl::DefaultHandler(TMessage& m) {
  if (!FHandle) {
    TControl::DefaultHandler(m);
    return;
  }
  // The class library's own messages mean nothing to the window's class.
  if (m.Msg >= CM_BASE && m.Msg <= CN_LAST) return;
  m.Result = CallWindowProcA(FDefWndProc, FHandle, m.Msg, m.WParam, m.LParam);
}

// ---------------------------------------------------------------------------------------------
// TCustomControl

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner), FCanvas(std::make_unique<TControlCanvas>()) {
  FCanvas->SetControl(this);
}

TCustomControl::~TCustomControl() {
  // The window goes before the canvas it paints with.
  DestroyHandle();
  FCanvas->SetControl(nullptr);
}

void TCustomControl::PaintWindow(HDC dc) {
  TCanvasPaintScope scope(*FCanvas, dc);
  FControlState |= csCustomPaint;
  try {
    Paint();
  } catch (...) {
    FControlState &= ~csCustomPaint;
    throw;
  }
  FControlState &= ~csCustomPaint;
}

}  // namespace korv
