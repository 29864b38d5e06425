// Forms (TCustomForm/TForm), the application object (TApplication) with its hidden window and
// message loop, the screen object (TScreen), and the class library's start-up and shut-down.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/Controls.h"
#include "classlib/Graphics.h"

namespace korv {

class TMainMenu;
class TApplication;
class TScreen;

// The application and screen objects: created by InitClassLib, freed by DoneClassLib.
extern TApplication* Application;
extern TScreen* Screen;

// Creates Application and Screen (idempotent). Every program and test calls it once at start.
void InitClassLib();
// Frees every form still alive, then Screen and Application.
void DoneClassLib() noexcept;

enum TBorderIcon : unsigned {
  biSystemMenu = 1u << 0,
  biMinimize = 1u << 1,
  biMaximize = 1u << 2,
  biHelp = 1u << 3,
};
using TBorderIcons = unsigned;
enum TFormStyle : uint8_t { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState : uint8_t { wsNormal, wsMinimized, wsMaximized };
enum TPosition : uint8_t {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter,
};
enum TCloseAction : uint8_t { caNone, caHide, caFree, caMinimize };
enum : unsigned {
  fsCreating = 1u << 0,
  fsVisible = 1u << 1,
  fsShowing = 1u << 2,
  fsModal = 1u << 3,
  fsCreatedMDIChild = 1u << 4,
  fsActivated = 1u << 5,
};
using TFormState = unsigned;

using TCloseEvent = TMethod<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TMethod<void(TObject* Sender, bool& CanClose)>;

// Window styles of a top-level form for a border style and border icons (pure: tests call it).
struct TFormStyleBits {
  DWORD Style = 0;
  DWORD ExStyle = 0;
};
[[nodiscard]] TFormStyleBits FormFrameStyle(TBorderStyle borderStyle, TBorderIcons icons) noexcept;
// The bits FormFrameStyle decides; the rest of a live window's style is left alone.
inline constexpr DWORD kFormFrameStyleMask =
    WS_POPUP | WS_CAPTION | WS_BORDER | WS_DLGFRAME | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
inline constexpr DWORD kFormFrameExStyleMask = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_TOOLWINDOW | WS_EX_CONTEXTHELP;

// ---------------------------------------------------------------------------------------------
// TControlScrollBar: one of the window's own scroll bars (WS_HSCROLL / WS_VSCROLL) of a scrolling
// control. Range is the extent of the contents along the bar; the bar shows while Visible and the
// range is larger than the client area. Position is how far the contents are scrolled (0 ..
// Range - client extent); changing it moves the children.

class TScrollingWinControl;

class TControlScrollBar : public TPersistent {
  KORV_CLASS(TControlScrollBar, TPersistent)
 public:
  TControlScrollBar(TScrollingWinControl* control, TScrollBarKind kind) noexcept : FControl(control), FKind(kind) {}

  [[nodiscard]] TScrollBarKind Kind() const noexcept { return FKind; }
  [[nodiscard]] bool Visible() const noexcept { return FVisible; }
  void SetVisible(bool v);
  // Set by hand, or computed from the children while the control's AutoScroll is on.
  [[nodiscard]] int Range() const noexcept { return FRange; }
  // A range set by hand switches the control's AutoScroll off.
  void SetRange(int v);
  // Streaming: the range is stored only when it is not computed (AutoScroll off).
  [[nodiscard]] bool IsRangeStored() const noexcept;
  [[nodiscard]] int Position() const noexcept { return FPosition; }
  void SetPosition(int v);
  // The line step (SB_LINEUP/SB_LINEDOWN). With Smooth it is a tenth of the page step and follows
  // the client size.
  [[nodiscard]] int Increment() const noexcept { return FIncrement; }
  void SetIncrement(int v);
  [[nodiscard]] bool Smooth() const noexcept { return FSmooth; }
  void SetSmooth(bool v);
  // Extra room after the last child when the range is computed from the children.
  [[nodiscard]] int Margin() const noexcept { return FMargin; }
  void SetMargin(int v);
  // The bar is shown (Visible and the range needs it).
  [[nodiscard]] bool IsScrollBarVisible() const noexcept { return FShown; }
  // Largest position: the range less the client extent (0 while the bar is not shown).
  [[nodiscard]] int ScrollRange() const noexcept { return FCalcRange; }

  [[nodiscard]] TPersistent* GetOwner() const override;
  // Handles the window's WM_HSCROLL / WM_VSCROLL for this bar.
  void ScrollMessage(TMessage& m);

 protected:
  void AssignTo(TPersistent* dest) const override;

 private:
  friend class TScrollingWinControl;
  // Takes the layout the control computed: whether the bar is shown and the client extent
  // (the page) along it.
  void Update(bool shown, int page);
  [[nodiscard]] int Page() const noexcept { return FPage; }
  [[nodiscard]] int Bar() const noexcept { return FKind == sbHorizontal ? SB_HORZ : SB_VERT; }
  void Changed();

  TScrollingWinControl* FControl;
  TScrollBarKind FKind;
  bool FVisible = true;
  int FRange = 0;
  int FPosition = 0;
  int FIncrement = 8;
  bool FSmooth = false;
  int FMargin = 0;
  bool FShown = false;
  int FPage = 0;
  int FCalcRange = 0;
  // What the window was last given.
  HWND FAppliedWnd = nullptr;
  bool FAppliedShown = false;
  int FAppliedRange = 0;
  int FAppliedPage = 0;
};

// ---------------------------------------------------------------------------------------------
// TScrollingWinControl: a windowed control whose children can lie beyond its client area and
// are reached through its own scroll bars. With AutoScroll (the default) the ranges follow the
// children; without it they are what HorzScrollBar/VertScrollBar are given.

class TScrollingWinControl : public TWinControl {
  KORV_CLASS(TScrollingWinControl, TWinControl)
 public:
  explicit TScrollingWinControl(TComponent* owner);
  ~TScrollingWinControl() override;

  [[nodiscard]] bool AutoScroll() const noexcept { return FAutoScroll; }
  void SetAutoScroll(bool v);
  [[nodiscard]] TControlScrollBar* HorzScrollBar() const noexcept { return FHorzScrollBar.get(); }
  [[nodiscard]] TControlScrollBar* VertScrollBar() const noexcept { return FVertScrollBar.get(); }
  void SetHorzScrollBar(const TControlScrollBar* v) { FHorzScrollBar->Assign(v); }
  void SetVertScrollBar(const TControlScrollBar* v) { FVertScrollBar->Assign(v); }

  // Shows or hides the bars and sets their ranges and pages for the current children and
  // client size (the ranges from the children first, with AutoScroll).
  void UpdateScrollBars();

  void Dispatch(TMessage& message) override;

 protected:
  // The children are laid out over the whole scrolled area, shifted by the positions.
  void AdjustClientRect(TRect& rect) override;
  void AlignControls(TControl* control, TRect& rect) override;
  void ChildBoundsChanged(TControl* child) override;
  void Loaded() override;

 private:
  friend class TControlScrollBar;
  // The extent of the children along one direction, unscrolled, plus the bar's margin.
  [[nodiscard]] int AutoRange(TScrollBarKind kind) const;
  void ScrollContents(int dx, int dy);

  bool FAutoScroll = true;
  std::unique_ptr<TControlScrollBar> FHorzScrollBar;
  std::unique_ptr<TControlScrollBar> FVertScrollBar;
  bool FUpdatingBars = false;
  bool FScrolling = false;
};

// ---------------------------------------------------------------------------------------------
// TCustomForm

class TCustomForm : public TScrollingWinControl {
  KORV_CLASS(TCustomForm, TScrollingWinControl)
 public:
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;
  // Streaming: the form's child controls, then the components it owns that are not controls.
  void GetChildren(std::vector<TComponent*>& out) const override;

  [[nodiscard]] TBorderStyle BorderStyle() const noexcept { return FBorderStyle; }
  // Re-styles a live window in place (the window is never re-created).
  void SetBorderStyle(TBorderStyle v);
  [[nodiscard]] TBorderIcons BorderIcons() const noexcept { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons v);
  [[nodiscard]] TFormStyle FormStyle() const noexcept { return FFormStyle; }
  // fsStayOnTop toggles in place; a change to or from an MDI style re-creates the window.
  void SetFormStyle(TFormStyle v);
  [[nodiscard]] TWindowState WindowState() const noexcept { return FWindowState; }
  void SetWindowState(TWindowState v);
  [[nodiscard]] TPosition Position() const noexcept { return FPosition; }
  void SetPosition(TPosition v) noexcept { FPosition = v; }
  [[nodiscard]] TFormState FormState() const noexcept { return FFormState; }

  [[nodiscard]] TModalResult ModalResult() const noexcept { return FModalResult; }
  void SetModalResult(TModalResult v) noexcept { FModalResult = v; }
  // Shows the form and runs a message loop until ModalResult becomes non-zero; every other
  // window of the thread is disabled meanwhile. Raises EInvalidOperation "Cannot make a visible
  // window modal" for a visible form.
  TModalResult ShowModal();
  void Close();
  [[nodiscard]] virtual bool CloseQuery();
  // Frees the form from the message loop (posted CM_RELEASE).
  void Release();

  [[nodiscard]] TWinControl* ActiveControl() const noexcept { return FActiveControl; }
  void SetActiveControl(TWinControl* c);
  void FocusControl(TWinControl* c);
  // Called by a control that received the focus.
  void SetFocusedControl(TWinControl* c);
  // Called when a control is removed or hidden: the active control is forgotten.
  void ControlRemoving(TControl* c);
  [[nodiscard]] bool Active() const noexcept { return FActive; }

  [[nodiscard]] TIcon* Icon() const noexcept { return FIcon.get(); }
  [[nodiscard]] TCanvas* Canvas() const noexcept { return FCanvas.get(); }
  // The menu bar (not owned; forgotten when the menu is freed). MDI children show none.
  [[nodiscard]] TMainMenu* Menu() const noexcept { return FMenu; }
  void SetMenu(TMainMenu* menu);
  // Attaches the main menu's current handle to the window.
  void MenuChanged();
  [[nodiscard]] bool KeyPreview() const noexcept { return FKeyPreview; }
  void SetKeyPreview(bool v) noexcept { FKeyPreview = v; }
  // The MDI client window of an fsMDIForm (nullptr otherwise).
  [[nodiscard]] HWND ClientHandle() const noexcept { return FClientHandle; }
  [[nodiscard]] TCustomForm* ActiveMDIChild() const;
  [[nodiscard]] int MDIChildCount() const;
  [[nodiscard]] TCustomForm* MDIChildren(int index) const;

  void Show();
  void Hide();
  // Brings the form to the front and activates it.
  void BringToFront();

  [[nodiscard]] TRect ClientRect() const override;
  [[nodiscard]] bool Showing() const override;

  // A key message that is the shortcut of an enabled item of the main menu clicks that item.
  [[nodiscard]] bool IsShortCut(const TMessage& m);
  // KeyPreview: the form sees keys before the focused control.
  void DoPreviewKeyDown(WORD& key, TShiftState shift) { KeyDown(key, shift); }
  void DoPreviewKeyPress(char& key) { KeyPress(key); }

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnPaint;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  void Dispatch(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void CreateWindowHandle(const TCreateParams& params) override;
  void DestroyWindowHandle() override;
  void AlignControls(TControl* control, TRect& rect) override;
  void PaintWindow(HDC dc) override;
  void UpdateShowing() override;
  void DoUpdateShowing();
  virtual void Paint();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& action);
  virtual void Activate();
  virtual void Deactivate();

  void WMActivate(TMessage& m);
  void WMClose(TMessage& m);
  void WMSize(TMessage& m);
  void WMSysCommand(TMessage& m);
  void WMCommand(TMessage& m);
  void CMDialogKey(TMessage& m);
  void SetWindowFocus();
  void ApplyFrameStyle();
  void ApplyPosition();
  void CreateMDIClient();
  void Notification(TComponent* component, TOperation operation) override;

  TBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize;
  TFormStyle FFormStyle = fsNormal;
  TWindowState FWindowState = wsNormal;
  TPosition FPosition = poDesigned;
  TFormState FFormState = 0;
  TModalResult FModalResult = mrNone;
  TWinControl* FActiveControl = nullptr;
  bool FActive = false;
  bool FKeyPreview = false;
  bool FPositioned = false;
  std::unique_ptr<TIcon> FIcon;
  std::unique_ptr<TControlCanvas> FCanvas;
  TMainMenu* FMenu = nullptr;
  HWND FClientHandle = nullptr;

 private:
  void IconChanged(TObject* sender);
  bool FDoneOnCreate = false;
  friend class TApplication;
};

class TForm : public TCustomForm {
  KORV_CLASS(TForm, TCustomForm)
 public:
  explicit TForm(TComponent* owner) : TCustomForm(owner) {}
};

// ---------------------------------------------------------------------------------------------
// TApplication

using TWindowHook = TMethod<bool(TMessage& Message)>;
using TMessageEvent = TMethod<void(MSG& Msg, bool& Handled)>;
using TIdleEvent = TMethod<void(TObject* Sender, bool& Done)>;
using TExceptionEvent = TMethod<void(TObject* Sender, const Exception* E)>;

class TApplication : public TComponent {
  KORV_CLASS(TApplication, TComponent)
 public:
  explicit TApplication(TComponent* owner);
  ~TApplication() override;

  // The hidden application window: it is never shown, and owns the forms made while the main
  // form has no window (see the constructor for the whole window model).
  [[nodiscard]] HWND Handle() const noexcept { return FHandle; }
  // Hooks see every message of the application window first; a hook returning true ends the
  // handling. Hooks are called in the order they were added.
  void HookMainWindow(TWindowHook hook);
  void UnhookMainWindow(TWindowHook hook);

  // Creates a form owned by the application; the first one becomes MainForm (a window it makes
  // while it is being built is already the main form's: unowned).
  template <class T>
  void CreateForm(T*& reference) {
    if (FMainForm) {
      reference = NewComponent<T>(this);
      return;
    }
    FCreatingMainForm = true;
    try {
      reference = NewComponent<T>(this);
    } catch (...) {
      FCreatingMainForm = false;
      FMainFormCandidate = nullptr;
      throw;
    }
    FCreatingMainForm = false;
    FMainFormCandidate = nullptr;
    if (!FMainForm) SetMainForm(reference);
  }
  [[nodiscard]] TCustomForm* MainForm() const noexcept { return FMainForm; }
  // A window the old or the new main form already has gets the owner of its new role; the
  // taskbar takes the change into account the next time the window is shown.
  void SetMainForm(TCustomForm* f) noexcept;
  // The owner a form's window gets: none for the main form (it carries the program's taskbar
  // button), the main form's window for every other form while it has one, else this window.
  [[nodiscard]] HWND FormOwnerWindow(const TCustomForm* form) const noexcept;

  // Shows the main form and runs the message loop until Terminated.
  void Run();
  void ProcessMessages();
  // Handles one message, or waits for one when there is none.
  void HandleMessage();
  void Terminate();
  [[nodiscard]] bool Terminated() const noexcept { return FTerminated; }
  // Minimises the main form (the forms it owns disappear with it), then OnMinimize.
  void Minimize();
  // Restores the main form to its size before it was minimised, then OnRestore.
  void Restore();
  // An application window (a form of this thread) is the active window.
  [[nodiscard]] bool Active() const;

  [[nodiscard]] std::string Title() const;
  void SetTitle(const std::string& title);
  [[nodiscard]] const std::string& Hint() const noexcept { return FHint; }
  void SetHint(const std::string& v) { FHint = v; }
  [[nodiscard]] bool ShowHint() const noexcept { return FShowHint; }
  void SetShowHint(bool v) noexcept { FShowHint = v; }
  [[nodiscard]] TIcon* Icon() const noexcept { return FIcon.get(); }

  // Exceptions that reach the message loop or a window procedure: OnException, or a message.
  void HandleException(const Exception* e);
  void ShowException(const Exception* e);

  TMessageEvent OnMessage;
  TIdleEvent OnIdle;
  TExceptionEvent OnException;
  TNotifyEvent OnMinimize;
  TNotifyEvent OnRestore;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;

  // One message of the loop (PeekMessage): true when one was handled.
  bool ProcessMessage(MSG& msg);
  // The application window's message handling: hooks first, then the default.
  void MainWndProc(TMessage& message);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void Idle(const MSG& msg);
  void IconChanged(TObject* sender);
  bool IsKeyMsg(MSG& msg);
  bool IsMDIMsg(MSG& msg);

  HWND FHandle = nullptr;
  std::vector<TWindowHook> FHooks;
  TCustomForm* FMainForm = nullptr;
  // While CreateForm builds the first form: the first form constructed then is the main form.
  bool FCreatingMainForm = false;
  TCustomForm* FMainFormCandidate = nullptr;
  friend class TCustomForm;
  bool FTerminated = false;
  bool FActive = false;
  std::string FHint;
  bool FShowHint = true;
  std::unique_ptr<TIcon> FIcon;
  int FHandlingException = 0;
};

// ---------------------------------------------------------------------------------------------
// TScreen

class TScreen : public TComponent {
  KORV_CLASS(TScreen, TComponent)
 public:
  explicit TScreen(TComponent* owner);
  ~TScreen() override;

  [[nodiscard]] int FormCount() const noexcept { return static_cast<int>(FForms.size()); }
  [[nodiscard]] TCustomForm* Forms(int index) const;
  [[nodiscard]] TCustomForm* ActiveForm() const noexcept { return FActiveForm; }
  [[nodiscard]] TWinControl* ActiveControl() const noexcept { return FActiveControl; }
  // The menu font of the system (SPI_GETNONCLIENTMETRICS), read at start-up.
  [[nodiscard]] TFont* MenuFont() const noexcept { return FMenuFont.get(); }
  void ReadMenuFont();
  [[nodiscard]] int Width() const noexcept { return GetSystemMetrics(SM_CXSCREEN); }
  [[nodiscard]] int Height() const noexcept { return GetSystemMetrics(SM_CYSCREEN); }
  // The cursor shown over every control while not crDefault.
  [[nodiscard]] TCursor Cursor() const noexcept { return FCursor; }
  void SetCursor(TCursor v);
  // The cursor for an index: the built-in ones (negative) and those set with SetCursors.
  [[nodiscard]] HCURSOR Cursors(TCursor index) const;
  // Adds or replaces a cursor; the screen owns it and destroys it at the end.
  void SetCursors(TCursor index, HCURSOR cursor);

  // Book-keeping of forms and focus (called by the forms).
  void AddForm(TCustomForm* f);
  void RemoveForm(TCustomForm* f);
  void SetActiveForm(TCustomForm* f);
  void SetFocusedControl(TWinControl* c) noexcept { FActiveControl = c; }
  void ControlDestroyed(TControl* c) noexcept;

 private:
  std::vector<TCustomForm*> FForms;
  TCustomForm* FActiveForm = nullptr;
  TWinControl* FActiveControl = nullptr;
  std::unique_ptr<TFont> FMenuFont;
  TCursor FCursor = crDefault;
  std::vector<std::pair<TCursor, HCURSOR>> FCustomCursors;
};

}  // namespace korv
