// The mouse on a skinned form's caption: which element lies under it (the hit-test the system
// asks with WM_NCHITTEST), the hot and pressed looks of the caption buttons, the buttons'
// commands on release, the double click and the right click on the caption, the system commands
// that change the window's state, and, with ResizeMode rmBorder, the outline drag that follows
// the mouse.
//
// A caption button acts only when it is released over itself after a press on it: the press
// captures the mouse for the form, so the release arrives whatever the mouse did meanwhile, and
// losing the capture drops the press without a command.
#include <windows.h>

#include <cstdint>

#include "classlib/Messages.h"
#include "skin/core/sSkinManager.h"
#include "skin/forms/sMDIForm.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSkinProviderOutline.h"

namespace korv {

namespace {

bool IsBorderCode(int code) noexcept { return code >= HTLEFT && code <= HTBOTTOMRIGHT; }

bool IsSysButtonCode(int code) noexcept {
  switch (code) {
    case htSkinMinimize:
    case htSkinMaximize:
    case htSkinClose:
    case htSkinHelp:
    case htSkinMDIClose:
    case htSkinMDIRestore:
    case htSkinMDIMinimize:
      return true;
    default:
      return false;
  }
}

// Where the system would put its own caption buttons and system-menu icon. The window keeps
// the styles that make the system answer these (WS_SYSMENU, WS_MINIMIZEBOX, WS_MAXIMIZEBOX), but
// the skin draws its own buttons: there the system's answer stands for the caption.
bool IsSystemButtonCode(LRESULT code) noexcept {
  return code == HTSYSMENU || code == HTMINBUTTON || code == HTMAXBUTTON || code == HTCLOSE || code == HTHELP;
}

// The screen point of a non-client mouse message.
TPoint MessagePoint(const TMessage& m) noexcept {
  return Point(static_cast<int16_t>(LOWORD(m.LParam)), static_cast<int16_t>(HIWORD(m.LParam)));
}

// Both ends of each side included, as the buttons' columns are.
bool OnRect(const TRect& r, TPoint p) noexcept {
  return !IsRectEmpty(&r) && p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

HWND WindowOf(const TCustomForm* form) noexcept { return form ? form->HandleIfAllocated() : nullptr; }

void SendSysCommand(HWND wnd, WPARAM command) {
  if (wnd) SendMessageA(wnd, WM_SYSCOMMAND, command, 0);
}

// The active MDI child of an MDI parent form (nullptr: none).
HWND ActiveChildOf(const TCustomForm* parent, bool* maximized = nullptr) {
  return parent && parent->ClientHandle() ? ActiveMDIChildOf(parent->ClientHandle(), maximized) : nullptr;
}

// A provider's update bracket: its frame and client wait while a window changes state. It ends
// on every way out (also where the code inside does not end it, or throws) unless the provider
// went meanwhile, and the frame is composed and painted again.
class TUpdateBracket {
 public:
  explicit TUpdateBracket(TsSkinProvider* provider) : FWatch(provider) {
    if (provider) provider->SkinData()->BeginUpdate();
  }
  ~TUpdateBracket() {
    TsSkinProvider* p = FWatch.Get();
    if (!p || !p->Form) return;
    p->SkinData()->EndUpdate();
    p->SkinData()->BGChanged = true;
    SendNcPaint(WindowOf(p->Form));
  }
  TUpdateBracket(const TUpdateBracket&) = delete;
  TUpdateBracket& operator=(const TUpdateBracket&) = delete;

 private:
  TsProviderWatch FWatch;
};

// The parent's menu line follows a child's change of state; its update state ends.
void RefreshParent(TsSkinProvider* parent) {
  if (!parent || parent != MDIParentProvider || !parent->Form) return;
  const TsProviderWatch watch(parent);
  if (Application) Application->ProcessMessages();
  if (!watch.Alive() || parent != MDIParentProvider || !parent->Form) return;  // gone meanwhile
  parent->SkinData()->BGChanged = true;
  parent->MenuLineCount = -1;
  if (parent->MDIHelper) parent->MDIHelper->UpdateChildButtons();
  parent->SkinData()->EndUpdate();
  SendNcPaint(WindowOf(parent->Form));
  SendNcPaint(parent->Form->ClientHandle());
}

// One axis of a size drag: the low edge (left, top) and/or the high one follow the mouse's
// distance from the press, never closer to each other than the minimum.
void FollowAxis(int& low, int& high, bool movesLow, bool movesHigh, int delta, int start, int size, int minimum) {
  if (movesLow) {
    low = start + delta;
    if (high - low < minimum) low = high - minimum;
  }
  if (movesHigh) {
    high = start + size + delta;
    if (high - low < minimum) high = start + minimum;
  }
}

}  // namespace

// ---- hit-testing ----

TPoint TsSkinProvider::WindowPoint(TPoint screen) const {
  const TPoint origin = FormLeftTop();
  return Point(screen.x - origin.x, screen.y - origin.y);
}

int TsSkinProvider::ButtonAtPoint(int x) const {
  const std::vector<int> codes = CaptionButtonCodes();
  for (size_t i = 0; i < codes.size(); ++i) {
    const TRect& r = ButtonRecord(codes[i])->Rect;
    if (ButtonFits(r) && x >= r.left && x <= r.right) return static_cast<int>(i) + 1;
  }
  return 0;
}

int TsSkinProvider::ButtonPositionCode(int position) const {
  const std::vector<int> codes = CaptionButtonCodes();
  if (position < 1 || position > static_cast<int>(codes.size())) return HTCAPTION;
  const int code = codes[static_cast<size_t>(position) - 1];
  const TsSysButtonsState s = ButtonsState();
  switch (code) {
    case htSkinMaximize:
      return MaximizeEnabled(s) || RestoreEnabled(s) ? code : HTCAPTION;
    case htSkinMinimize:
      return s.Iconic || MinimizeEnabled(s) ? code : HTCAPTION;
    case htSkinClose:
    case htSkinHelp:
      return code;
    default:
      return ButtonEnabled(code) ? code : HTCAPTION;
  }
}

int TsSkinProvider::HitCode(TPoint p, bool setHot) {
  auto hot = [&](int code) {
    if (setHot) SetHotButton(code);
    return code;
  };
  const TRect row = CaptionButtonRow();
  if (p.y >= row.top && p.y <= row.bottom) {
    // The system menu's place only where an icon is drawn.
    if (IconWidth() > 0) {
      const TRect icon = IconRect();
      if (p.x >= icon.left && p.x <= icon.right) return hot(HTSYSMENU);
    }
    const int k = ButtonAtPoint(p.x);
    if (k == 0) return HTCAPTION;
    return hot(ButtonPositionCode(k));
  }
  TRect grip{};
  if (FGripMode == gmRightBottom && GripImage(grip) >= 0 && p.x > grip.left && p.y > grip.top) return HTBOTTOMRIGHT;
  if (ChildButtonsShown()) {
    for (const int code : {htSkinMDIClose, htSkinMDIRestore, htSkinMDIMinimize})
      if (PtInRect(&ButtonRecord(code)->Rect, p)) return hot(code);
  } else if (setHot) {
    SetHotButton(0);
  }
  // A maximised skinned window is not sized at its edges.
  if (Form->HandleAllocated() && IsZoomed(Form->HandleIfAllocated())) {
    const TRect inner = Rect(2, 2, Form->Width() - 4, Form->Height() - 4);
    if (!PtInRect(&inner, p)) {
      hot(0);
      return HTTRANSPARENT;
    }
  }
  return 0;
}

int TsSkinProvider::CaptionHitTest(const TMessage& message) {
  return HitCode(WindowPoint(MessagePoint(message)), FPressCode == 0);
}

void TsSkinProvider::WMNCHitTest(TMessage& m) {
  const TWndMethod saved = SavedWindowProc();
  if (!Bordered()) {
    if (saved) saved(m);
    return;
  }
  m.Result = CaptionHitTest(m);
  if (m.Result != 0 && m.Result != HTCAPTION) return;
  if (saved) saved(m);
  if (IsSystemButtonCode(m.Result)) m.Result = HTCAPTION;
  if (!FPressCode) SetHotButton(0);
}

// ---- pressing and releasing ----

void TsSkinProvider::BeginPress(int code) {
  SetPressedButton(code);
  FPressCode = code;
  const TsCaptionButton* b = ButtonRecord(code);
  FPressArmed = b && b->State == 2;  // a disabled button is not pressed
  HWND wnd = WindowOf(Form);
  if (wnd && GetCapture() != wnd) SetCapture(wnd);
}

int TsSkinProvider::EndPress() {
  const int code = FPressCode;
  FPressCode = 0;  // first: the capture change that follows is no abort
  HWND wnd = WindowOf(Form);
  if (code && wnd && GetCapture() == wnd) ReleaseCapture();
  return code;
}

void TsSkinProvider::TrackPress(TPoint p) {
  TsCaptionButton* b = ButtonRecord(FPressCode);
  if (!b || !FPressArmed) return;
  const int state = ElementAt(p) == FPressCode ? 2 : 0;
  if (b->State == state) return;
  b->State = state;
  RepaintButton(FPressCode);
}

void TsSkinProvider::PressWatch(const TMessage& message) {
  if (!FPressCode) return;
  switch (message.Msg) {
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(message.LParam) == WindowOf(Form)) return;
      FPressCode = 0;
      SetHotButton(0);
      return;
    case WM_CANCELMODE:
      EndPress();
      SetHotButton(0);
      return;
    case WM_DESTROY:
      FPressCode = 0;
      return;
    default:
      return;
  }
}

void TsSkinProvider::WMNCLButtonDown(TMessage& m) {
  const TWndMethod saved = SavedWindowProc();
  const int code = static_cast<int>(m.WParam);
  const TPoint screen = MessagePoint(m);
  const TsSkinManager* sm = Manager();
  if (code == HTSYSMENU) {
    const bool mdiChild = Form->FormStyle() == fsMDIChild;
    if (mdiChild && (!sm || !sm->SkinnedPopups())) {
      if (saved) saved(m);
      return;
    }
    SetHotButton(0);
    const TPoint lt = FormLeftTop();
    if (mdiChild && MDIParent())
      ShowSystemMenu(lt.x, lt.y + SysCaptionHeight() + 4);
    else
      PopupSystemMenu(lt.x + SysBorderWidth(), lt.y + FormBorderHeight() + RectHeight(IconRect()));
    return;
  }
  if (IsSysButtonCode(code)) return BeginPress(code);
  if (code >= htSkinTitleButton && code - htSkinTitleButton < FTitleButtons->Count()) {
    TsTitleButton* button = FTitleButtons->Items(code - htSkinTitleButton);
    BeginPress(code);
    if (button->OnMouseDown) button->OnMouseDown(button, mbLeft, 0, screen.x, screen.y);
    return;
  }
  HWND wnd = WindowOf(Form);
  if (wnd && IsIconic(wnd)) {
    Form->Perform(WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    return;
  }
  SetHotButton(0);
  if (wnd && IsZoomed(wnd)) {
    // The system's move loop, which activates the window and, since Windows 7, restores a
    // maximised window dragged off its place (no outline of a maximised window).
    if (saved) saved(m);
    return;
  }
  if (FResizeMode == rmBorder && code != HTMENU && wnd) {
    // The outline drag of its own, not the system's modal move loop.
    const bool moving = !IsBorderCode(code);
    FOwnSysCommand = true;
    SendSysCommand(wnd, moving ? SC_MOVE : SC_SIZE);
    FOwnSysCommand = false;
    StartOutline(screen.x, screen.y, moving);
    if (!moving && OutlineDrag.InProgress && OutlineDrag.Provider == this) OutlineDrag.SizeHit = code;
    return;
  }
  if (saved) saved(m);
}

void TsSkinProvider::WMNCLButtonUp(TMessage& m) { ButtonUp(m, static_cast<int>(m.WParam), MessagePoint(m)); }

// The key flags of WM_LBUTTONUP are no hit code: only a held caption button or an outline drag
// ends here; the release of a held button is placed by the mouse point.
void TsSkinProvider::WMLButtonUp(TMessage& m) {
  POINT q{static_cast<int16_t>(LOWORD(m.LParam)), static_cast<int16_t>(HIWORD(m.LParam))};
  if (Form->HandleAllocated()) ClientToScreen(Form->HandleIfAllocated(), &q);
  const TPoint screen = Point(q.x, q.y);
  if (FPressCode) return ButtonUp(m, ElementAt(WindowPoint(screen)), screen);
  if (FResizeMode == rmBorder && OutlineDrag.InProgress && OutlineDrag.Provider == this) return EndOutline();
  if (const TWndMethod saved = SavedWindowProc()) saved(m);
}

void TsSkinProvider::ButtonUp(TMessage& m, int code, TPoint screen) {
  const bool held = FPressCode != 0;
  const bool buttonCode = IsSysButtonCode(code) || ButtonRecord(code) != nullptr;
  if (held || buttonCode) {
    // Only the button that was pressed, released over itself, acts.
    const TsCaptionButton* b = ButtonRecord(code);
    const bool acts = b && b->State == 2 && HotButton == code && (!held || FPressCode == code);
    EndPress();
    if (!acts) return SetHotButton(0);
    if (code == htSkinMinimize && !OnRect(ButtonMin.Rect, WindowPoint(screen))) {
      SetHotButton(0);
      if (const TWndMethod saved = SavedWindowProc()) saved(m);
      return;
    }
    return ButtonCommand(code, screen);
  }
  HWND wnd = WindowOf(Form);
  const TWndMethod saved = SavedWindowProc();
  if (wnd && IsIconic(wnd)) {
    const TsSkinManager* sm = Manager();
    if (Form->FormStyle() == fsMDIChild && MDIParent() && sm && sm->SkinnedPopups()) {
      ShowSystemMenu(screen.x, screen.y);
      return;
    }
  } else if (FResizeMode == rmBorder && !(wnd && IsZoomed(wnd)) && OutlineDrag.InProgress &&
             OutlineDrag.Provider == this) {
    return EndOutline();
  }
  if (saved) saved(m);
}

void TsSkinProvider::ButtonCommand(int code, TPoint screen) {
  HWND wnd = WindowOf(Form);
  const TsSysButtonsState s = ButtonsState();
  switch (code) {
    case htSkinHelp:
      SendSysCommand(wnd, SC_CONTEXTHELP);
      SetHotButton(0);
      if (SystemMenu) SystemMenu->UpdateItems();
      Form->Perform(WM_NCPAINT, 0, 0);
      return;
    case htSkinMinimize:
      SetHotButton(0);
      // Iconic, the button is the restore button (drawn and hit-tested so), for the main form too.
      if (Application && Application->MainForm() == Form && !s.Iconic)
        Application->Minimize();
      else
        SendSysCommand(wnd, s.Iconic ? SC_RESTORE : SC_MINIMIZE);
      return;
    case htSkinMaximize: {
      if (s.Iconic && !MaximizeEnabled(s)) return SetHotButton(0);
      const bool mdiChild = Form->FormStyle() == fsMDIChild;
      // An MDI child's parent waits for the child's new state (a parent with a menu ends the
      // wait when it puts the child's buttons on its line; one without has nothing to put).
      const TUpdateBracket parentWaits(mdiChild ? MDIParent() : nullptr);
      const TsProviderWatch self(this);
      SetHotButton(0);
      if (wnd && IsZoomed(wnd)) {
        if (!mdiChild) Form->SetWindowState(wsNormal);
        SendSysCommand(wnd, SC_RESTORE);
      } else {
        if (!mdiChild) Form->SetWindowState(wsMaximized);
        SendSysCommand(wnd, SC_MAXIMIZE);
      }
      if (Application) Application->ProcessMessages();
      if (self.Alive() && SystemMenu) SystemMenu->UpdateItems();
      return;
    }
    case htSkinClose:
      ButtonClose.State = 0;
      SendSysCommand(wnd, SC_CLOSE);  // the form may be gone after this
      return;
    case htSkinMDIClose:
      SendSysCommand(ActiveChildOf(Form), SC_CLOSE);
      return;
    case htSkinMDIRestore:
    case htSkinMDIMinimize: {
      // The child's provider processes pending messages while it refreshes this line.
      const TsProviderWatch self(this);
      {
        const TUpdateBracket lineWaits(code == htSkinMDIMinimize ? MDIParentProvider : nullptr);
        SendSysCommand(ActiveChildOf(Form), code == htSkinMDIMinimize ? SC_MINIMIZE : SC_RESTORE);
      }
      if (self.Alive()) SetHotButton(0);
      return;
    }
    default:
      break;
  }
  if (code >= htSkinTitleButton && code - htSkinTitleButton < FTitleButtons->Count()) {
    TsTitleButton* button = FTitleButtons->Items(code - htSkinTitleButton);
    SetHotButton(0);
    if (button->OnMouseUp) button->OnMouseUp(button, mbLeft, 0, screen.x, screen.y);
  }
}

void TsSkinProvider::WMNCLButtonDblClk(TMessage& m) {
  if (FResizeMode == rmBorder && OutlineDrag.InProgress && OutlineDrag.Provider == this) EndOutline();
  const int code = static_cast<int>(m.WParam);
  HWND wnd = WindowOf(Form);
  if (code == HTSYSMENU) {
    Form->Close();
    return;
  }
  const TsSysButtonsState s = ButtonsState();
  if (code != HTCAPTION || !wnd || !(MaximizeEnabled(s) || RestoreEnabled(s))) return;
  if (IsZoomed(wnd) || IsIconic(wnd)) {
    SendSysCommand(wnd, SC_RESTORE);
  } else {
    if (Form->FormStyle() != fsMDIChild) Form->SetWindowState(wsMaximized);
    SendSysCommand(wnd, SC_MAXIMIZE);
  }
  if (SystemMenu) SystemMenu->UpdateItems();
}

// A right click on the caption shows the system menu at the mouse: the skinned one with skinned
// popups, else the window's own (an MDI child leaves that to the system).
bool TsSkinProvider::OwnsCaptionRightClick(const TMessage& m) const {
  const TsSkinManager* sm = Manager();
  return (m.WParam == HTCAPTION || m.WParam == HTSYSMENU) &&
         ((sm && sm->SkinnedPopups()) || Form->FormStyle() != fsMDIChild);
}

void TsSkinProvider::WMNCRButtonDown(TMessage& m) {
  if (OwnsCaptionRightClick(m)) return;
  if (const TWndMethod saved = SavedWindowProc()) saved(m);
}

void TsSkinProvider::WMNCRButtonUp(TMessage& m) {
  const TsSkinManager* sm = Manager();
  if (OwnsCaptionRightClick(m)) {
    SetHotButton(0);
    const TPoint screen = MessagePoint(m);
    PopupSystemMenu(screen.x, screen.y);
    return;
  }
  if (sm && sm->SkinnedPopups()) return;  // other right clicks are swallowed
  if (const TWndMethod saved = SavedWindowProc()) saved(m);
}

// ---- the mouse moving ----

void TsSkinProvider::WMMouseMove(TMessage& m) {
  if (const TWndMethod saved = SavedWindowProc()) saved(m);
  if (!FPressCode && !(FResizeMode == rmBorder && OutlineDrag.InProgress && OutlineDrag.Provider == this)) return;
  POINT q{static_cast<int16_t>(LOWORD(m.LParam)), static_cast<int16_t>(HIWORD(m.LParam))};
  if (Form->HandleAllocated()) ClientToScreen(Form->HandleIfAllocated(), &q);
  if (FPressCode) return TrackPress(WindowPoint(Point(q.x, q.y)));
  OutlineFollow(Point(q.x, q.y));
}

void TsSkinProvider::OutlineFollow(TPoint q) {
  TsOutlineDrag& d = OutlineDrag;
  if (d.Moving) {
    d.FirstMove = false;
    DrawOutline(d.Left, d.Top);
    d.Left += q.x - d.GrabX;
    d.Top += q.y - d.GrabY;
    d.GrabX = q.x;
    d.GrabY = q.y;
    DrawOutline(d.Left, d.Top);
    return;
  }
  d.FirstMove = false;  // the grab point is the press
  const int hit = d.SizeHit;
  DrawOutline(d.Left, d.Top);
  FollowAxis(d.Left, d.Right, hit == HTLEFT || hit == HTTOPLEFT || hit == HTBOTTOMLEFT,
             hit == HTRIGHT || hit == HTTOPRIGHT || hit == HTBOTTOMRIGHT, q.x - d.GrabX, Form->Left(), Form->Width(),
             d.MinWidth);
  FollowAxis(d.Top, d.Bottom, hit == HTTOP || hit == HTTOPLEFT || hit == HTTOPRIGHT,
             hit == HTBOTTOM || hit == HTBOTTOMLEFT || hit == HTBOTTOMRIGHT, q.y - d.GrabY, Form->Top(), Form->Height(),
             d.MinHeight);
  DrawOutline(d.Left, d.Top);
}

// ---- system commands ----

void TsSkinProvider::WMSysCommand(TMessage& m) {
  const TWndMethod saved = SavedWindowProc();
  const WPARAM command = m.WParam & 0xFFF0;
  HWND wnd = WindowOf(Form);
  if ((m.WParam & 0xFFFF) == (SC_MOVE | HTCAPTION)) Form->Repaint();
  if (FOwnSysCommand && FResizeMode == rmBorder && !OutlineDrag.InProgress &&
      (command == SC_MOVE || command == SC_SIZE)) {
    // The caption press drives the outline itself: the system's move loop would block here.
    if (wnd && GetCapture() != wnd) SetCapture(wnd);
    return;
  }
  if (Form->FormStyle() == fsMDIChild) return MDIChildSysCommand(m, command);
  if (command == SC_KEYMENU && m.LParam == VK_SPACE) {
    // Alt+Space: the system menu below the caption's left end.
    const TPoint lt = FormLeftTop();
    PopupSystemMenu(lt.x + SysBorderWidth(), lt.y + SysBorderHeight() + SysCaptionHeight());
    return;
  }
  if (saved) saved(m);  // after SC_CLOSE the form (and this provider) may be gone: only locals below
  if (command != SC_MINIMIZE && command != SC_MAXIMIZE && command != SC_RESTORE) return;
  if (Form->FormStyle() == fsMDIForm) {
    if (TsSkinProvider* parent = MDIParentProvider) {
      parent->SkinData()->BGChanged = true;
      parent->MenuLineCount = -1;
      SendNcPaint(WindowOf(parent->Form));
      if (parent->MDIHelper) parent->MDIHelper->UpdateMdiScrolls();
    }
    return;
  }
  if (command == SC_MINIMIZE) return;
  // The mouse left maximise behind when the window changed under it.
  if (MaximizeVisible(ButtonsState())) HotButton = htSkinMaximize;
  SetHotButton(0);
}

void TsSkinProvider::MDIChildSysCommand(TMessage& m, WPARAM command) {
  const TWndMethod saved = SavedWindowProc();
  auto pass = [&] {
    if (saved) saved(m);
  };
  HWND wnd = WindowOf(Form);
  TsSkinProvider* parent = MDIParent();
  const bool wasMaximized = wnd && IsZoomed(wnd) && command != SC_MAXIMIZE;
  const TUpdateBracket parentWaits(wasMaximized ? parent : nullptr);
  switch (command) {
    case SC_CLOSE:
      pass();  // the child (and this provider) may be gone: only the parent below
      if (parent && parent == MDIParentProvider && parent->MDIHelper) {
        if (wasMaximized) RefreshParent(parent);
        if (parent == MDIParentProvider && parent->MDIHelper) parent->MDIHelper->UpdateMdiScrolls();
      }
      return;
    case SC_MINIMIZE: {
      const TsProviderWatch self(this);
      pass();
      if (wasMaximized) RefreshParent(parent);
      if (parent && parent == MDIParentProvider && parent->MDIHelper) parent->MDIHelper->UpdateMdiScrolls();
      if (!self.Alive()) return;  // freed by a pending message
      if (SystemMenu) SystemMenu->UpdateItems();
      TitleBackground.reset();
      FSkinData->BGChanged = true;
      SendNcPaint(wnd);
      return;
    }
    case SC_MAXIMIZE:
      pass();
      if (parent) {
        parent->MenuLineCount = -1;
        if (parent->MDIHelper) {
          parent->MDIHelper->UpdateChildButtons();
          parent->MDIHelper->UpdateMdiScrolls();
        }
      }
      if (SystemMenu) SystemMenu->UpdateItems();
      return;
    case SC_RESTORE: {
      const TsProviderWatch self(this);
      {
        const TUpdateBracket waits(this);
        pass();
      }
      if (wasMaximized) RefreshParent(parent);
      // Pending messages may have freed this child (a queued release): only the parent then.
      if (self.Alive()) NcPaintMDISiblings(false);
      if (Application) Application->ProcessMessages();
      if (parent && parent == MDIParentProvider && parent->MDIHelper) parent->MDIHelper->UpdateMdiScrolls();
      if (self.Alive() && SystemMenu) SystemMenu->UpdateItems();
      return;
    }
    case SC_KEYMENU:
      if (parent) parent->SkinData()->EndUpdate();
      return;
    default:
      pass();
      if (parent && parent == MDIParentProvider) parent->SkinData()->EndUpdate();
      return;
  }
}

void TsSkinProvider::RefreshMDIParent() { RefreshParent(MDIParent()); }

}  // namespace korv
