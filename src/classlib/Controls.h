// Controls: TControl (bounds, alignment, visibility, colour, font, caption, mouse events and the
// replaceable WindowProc), TWinControl (a real window: creation, sub-classing of system window
// classes, children, focus, keyboard routing, reflection of child notifications, painting of
// graphic children), TGraphicControl (painted and fed mouse input by its parent) and
// TCustomControl (a window with a canvas and a virtual Paint).
//
// Message flow: a window message arrives in the window procedure, which calls the control's
// WindowProc (a replaceable bound method, by default WndProc). WndProc does the pre-processing
// common to all controls (mouse capture, clicks, mouse-enter tracking) and calls Dispatch, which
// routes the message to a named handler. A derived class overrides Dispatch for the messages it
// handles and passes every other message to inherited::Dispatch; a handler that wants the
// inherited behaviour calls inherited::Dispatch itself. What no handler takes ends in
// DefaultHandler (the window class's own procedure for windowed controls).
#pragma once

#include <windows.h>

#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Graphics.h"
#include "classlib/Messages.h"
#include "classlib/System.h"

namespace korv {

KORV_EXCEPTION(EOutOfResources, EOutOfMemory);

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;

// ---------------------------------------------------------------------------------------------
// Small types

enum TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
// The identifiers of TAlign by ordinal, as published Align properties stream them.
inline constexpr const char* kAlignIdents[] = {"alNone",  "alTop",    "alBottom", "alLeft",
                                               "alRight", "alClient", "alCustom"};
static_assert(std::size(kAlignIdents) == alCustom + 1);
enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };
enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };
enum TButtonLayout : uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TBevelCut : uint8_t { bvNone, bvLowered, bvRaised, bvSpace };
enum TBiDiMode : uint8_t { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum TBorderStyle : uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TFormBorderStyle = TBorderStyle;

using TCaption = std::string;
using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = IDOK;
inline constexpr TModalResult mrCancel = IDCANCEL;
inline constexpr TModalResult mrAbort = IDABORT;
inline constexpr TModalResult mrRetry = IDRETRY;
inline constexpr TModalResult mrIgnore = IDIGNORE;
inline constexpr TModalResult mrYes = IDYES;
inline constexpr TModalResult mrNo = IDNO;
inline constexpr TModalResult mrAll = mrNo + 1;
inline constexpr TModalResult mrNoToAll = mrAll + 1;
inline constexpr TModalResult mrYesToAll = mrNoToAll + 1;

// Shift state: keys and buttons held during an input event.
enum : unsigned {
  ssShift = 1u << 0,
  ssAlt = 1u << 1,
  ssCtrl = 1u << 2,
  ssLeft = 1u << 3,
  ssRight = 1u << 4,
  ssMiddle = 1u << 5,
  ssDouble = 1u << 6,
};
using TShiftState = unsigned;
// From the MK_ flags of a mouse message (Alt from the keyboard state).
[[nodiscard]] TShiftState MouseKeysToShiftState(UINT keys) noexcept;
// From the key data of a keyboard message and the current keyboard state.
[[nodiscard]] TShiftState KeyDataToShiftState(LONG keyData) noexcept;

// Cursors: 0 is the default; negative values are the library's built-in cursors (TScreen).
using TCursor = int16_t;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSize = -22;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crHSplit = -14;
inline constexpr TCursor crVSplit = -15;
inline constexpr TCursor crMultiDrag = -16;
inline constexpr TCursor crSQLWait = -17;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;

// Control style: what a control class is and does.
enum : unsigned {
  csAcceptsControls = 1u << 0,
  csCaptureMouse = 1u << 1,
  csDesignInteractive = 1u << 2,
  csClickEvents = 1u << 3,
  csFramed = 1u << 4,
  csSetCaption = 1u << 5,
  csOpaque = 1u << 6,
  csDoubleClicks = 1u << 7,
  csFixedWidth = 1u << 8,
  csFixedHeight = 1u << 9,
  csNoDesignVisible = 1u << 10,
  csReplicatable = 1u << 11,
  csNoStdEvents = 1u << 12,
  csDisplayDragImage = 1u << 13,
  csReflector = 1u << 14,
  csActionClient = 1u << 15,
  csMenuEvents = 1u << 16,
  csNeedsBorderPaint = 1u << 17,
  csParentBackground = 1u << 18,
};
using TControlStyle = unsigned;

// Control state: what a control is doing now.
enum : unsigned {
  csLButtonDown = 1u << 0,
  csClicked = 1u << 1,
  csPalette = 1u << 2,
  csReadingState = 1u << 3,
  csAlignmentNeeded = 1u << 4,
  csFocusing = 1u << 5,
  csCreating = 1u << 6,
  csPaintCopy = 1u << 7,
  csCustomPaint = 1u << 8,
  csDestroyingHandle = 1u << 9,
  csDocking = 1u << 10,
};
using TControlState = unsigned;

// Anchors: the edges of the parent a control keeps its distance to when the parent resizes.
enum : unsigned {
  akLeft = 1u << 0,
  akTop = 1u << 1,
  akRight = 1u << 2,
  akBottom = 1u << 3,
};
using TAnchors = unsigned;
inline constexpr TAnchors kDefaultAnchors = akLeft | akTop;
inline constexpr const char* kAnchorIdents[] = {"akLeft", "akTop", "akRight", "akBottom"};

// Scroll bars: the direction, the scroll codes of WM_HSCROLL/WM_VSCROLL by their numbers
// (SB_LINEUP .. SB_ENDSCROLL) and the step type of a scroll bar control.
enum TScrollBarKind : uint8_t { sbHorizontal, sbVertical };
inline constexpr const char* kScrollBarKindIdents[] = {"sbHorizontal", "sbVertical"};
enum TScrollCode : uint8_t {
  scLineUp = SB_LINEUP,
  scLineDown = SB_LINEDOWN,
  scPageUp = SB_PAGEUP,
  scPageDown = SB_PAGEDOWN,
  scPosition = SB_THUMBPOSITION,
  scTrack = SB_THUMBTRACK,
  scTop = SB_TOP,
  scBottom = SB_BOTTOM,
  scEndScroll = SB_ENDSCROLL,
};
static_assert(scLineUp == 0 && scEndScroll == 8);
using TScrollBarInc = int16_t;  // 1 .. 32767
using TScrollEvent = TMethod<void(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos)>;

// Input method of a windowed control: imDisable detaches the input method from the window;
// imDontCare leaves the window with the thread's default one.
enum TImeMode : uint8_t { imDisable, imDontCare };
inline constexpr const char* kImeModeIdents[] = {"imDisable", "imDontCare"};

using TMouseEvent = TMethod<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = TMethod<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = TMethod<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = TMethod<void(TObject* Sender, char& Key)>;
using TWndMethod = TMethod<void(TMessage& Message)>;

// ---------------------------------------------------------------------------------------------
// TSizeConstraints: the smallest and largest size a control may take (0: no limit). SetBounds
// keeps a control inside them, and a top-level window answers WM_GETMINMAXINFO with them, so a
// border drag stops at them too.

using TConstraintSize = int;

class TSizeConstraints : public TPersistent {
  KORV_CLASS(TSizeConstraints, TPersistent)
 public:
  explicit TSizeConstraints(TControl* control) noexcept : FControl(control) {}

  [[nodiscard]] TConstraintSize MaxHeight() const noexcept { return FMaxHeight; }
  [[nodiscard]] TConstraintSize MaxWidth() const noexcept { return FMaxWidth; }
  [[nodiscard]] TConstraintSize MinHeight() const noexcept { return FMinHeight; }
  [[nodiscard]] TConstraintSize MinWidth() const noexcept { return FMinWidth; }
  // Negative values count as 0. A minimum above the maximum raises the maximum to it, and a
  // maximum below the minimum lowers the minimum to it.
  void SetMaxHeight(TConstraintSize v);
  void SetMaxWidth(TConstraintSize v);
  void SetMinHeight(TConstraintSize v);
  void SetMinWidth(TConstraintSize v);
  // Clamps a size to the limits.
  void Apply(int& width, int& height) const noexcept;

  [[nodiscard]] TPersistent* GetOwner() const override;
  TNotifyEvent OnChange;

 protected:
  void AssignTo(TPersistent* dest) const override;
  void Change();

 private:
  TControl* FControl;
  TConstraintSize FMaxHeight = 0;
  TConstraintSize FMaxWidth = 0;
  TConstraintSize FMinHeight = 0;
  TConstraintSize FMinWidth = 0;
};

// ---------------------------------------------------------------------------------------------
// TControlCanvas: a canvas on a control's window DC. For a graphic control the DC is its parent's,
// with the origin moved to the control and the clip limited to it. The DC is taken on first use
// and given back by FreeHandle (or when the control changes).

class TControlCanvas : public TCanvas {
  KORV_CLASS(TControlCanvas, TCanvas)
 public:
  TControlCanvas() = default;
  ~TControlCanvas() override;
  [[nodiscard]] TControl* Control() const noexcept { return FControl; }
  void SetControl(TControl* control);
  // Releases a DC the canvas took itself (a DC set from outside is just forgotten).
  void FreeHandle();
  // Rebinds the canvas to a DC the caller owns (nullptr: none); a DC taken earlier is released.
  void BindDC(HDC dc);

 protected:
  void CreateHandle() override;

 private:
  TControl* FControl = nullptr;
  HDC FDeviceContext = nullptr;  // a DC this canvas took with GetDCEx
  HWND FWindowHandle = nullptr;
};

// Paints through a control's canvas on a DC the caller owns (the DC of a paint message): while
// the scope lives the canvas is locked and bound to the DC; on every exit, painting that threw
// included, it lets go of the DC and is unlocked.
class TCanvasPaintScope {
 public:
  TCanvasPaintScope(TControlCanvas& canvas, HDC dc) : FCanvas(canvas) {
    FCanvas.Lock();
    FCanvas.BindDC(dc);
  }
  ~TCanvasPaintScope() {
    FCanvas.BindDC(nullptr);
    FCanvas.Unlock();
  }
  TCanvasPaintScope(const TCanvasPaintScope&) = delete;
  TCanvasPaintScope& operator=(const TCanvasPaintScope&) = delete;

 private:
  TControlCanvas& FCanvas;
};

// ---------------------------------------------------------------------------------------------
// TControl

class TControl : public TComponent {
  KORV_CLASS(TControl, TComponent)
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  // Message entry points.
  TWndMethod WindowProc;  // replaceable; default: this control's WndProc
  LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual void WndProc(TMessage& message);
  // Routes a message to its handler; unhandled ones go to DefaultHandler.
  virtual void Dispatch(TMessage& message);
  virtual void DefaultHandler(TMessage& message);

  // Parent and owner form.
  [[nodiscard]] TWinControl* Parent() const noexcept { return FParent; }
  virtual void SetParent(TWinControl* parent);
  [[nodiscard]] bool HasParent() const noexcept { return FParent != nullptr; }

  // Bounds, in the parent's client coordinates.
  [[nodiscard]] int Left() const noexcept { return FLeft; }
  [[nodiscard]] int Top() const noexcept { return FTop; }
  [[nodiscard]] int Width() const noexcept { return FWidth; }
  [[nodiscard]] int Height() const noexcept { return FHeight; }
  void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
  void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
  void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
  void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  [[nodiscard]] TRect BoundsRect() const noexcept { return Bounds(FLeft, FTop, FWidth, FHeight); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.left, r.top, RectWidth(r), RectHeight(r)); }
  [[nodiscard]] virtual TRect ClientRect() const;
  [[nodiscard]] int ClientWidth() const { return RectWidth(ClientRect()); }
  [[nodiscard]] int ClientHeight() const { return RectHeight(ClientRect()); }
  void SetClientWidth(int v);
  void SetClientHeight(int v);
  // Offset of the client area's origin in the parent's client coordinates (graphic controls:
  // Left/Top) and its conversions.
  [[nodiscard]] virtual TPoint ClientOrigin() const;
  [[nodiscard]] TPoint ClientToScreen(TPoint p) const;
  [[nodiscard]] TPoint ScreenToClient(TPoint p) const;

  [[nodiscard]] TAlign Align() const noexcept { return FAlign; }
  void SetAlign(TAlign align);
  // The parent edges the control keeps its distance to (akLeft | akTop by default). Anchored to
  // both opposite edges it stretches; to neither, it keeps its relative place in the middle.
  // The distances are taken whenever the control is placed (SetBounds, a new parent, new
  // anchors) and applied when the parent's client area changes size.
  [[nodiscard]] TAnchors Anchors() const noexcept { return FAnchors; }
  void SetAnchors(TAnchors v);
  // Size limits (owned); SetConstraints copies the values.
  [[nodiscard]] TSizeConstraints* Constraints() const noexcept { return FConstraints.get(); }
  void SetConstraints(const TSizeConstraints* v) { FConstraints->Assign(v); }

  [[nodiscard]] bool Visible() const noexcept { return FVisible; }
  void SetVisible(bool v);
  void Show();
  void Hide();
  // Visible and every parent visible (and, for windowed parents, shown).
  [[nodiscard]] virtual bool Showing() const;
  [[nodiscard]] bool Enabled() const noexcept { return FEnabled; }
  virtual void SetEnabled(bool v);

  [[nodiscard]] TColor Color() const noexcept { return FColor; }
  void SetColor(TColor c);
  [[nodiscard]] bool ParentColor() const noexcept { return FParentColor; }
  void SetParentColor(bool v);
  [[nodiscard]] TFont* Font() const noexcept { return FFont.get(); }
  void SetFont(const TFont* font) { FFont->Assign(font); }
  [[nodiscard]] bool ParentFont() const noexcept { return FParentFont; }
  void SetParentFont(bool v);

  // Caption and Text are the same string; windowed controls keep it in their window.
  [[nodiscard]] TCaption Caption() const { return GetText(); }
  // Streaming: colour and font are stored only when not taken from the parent.
  [[nodiscard]] bool IsColorStored() const noexcept { return !FParentColor; }
  [[nodiscard]] bool IsFontStored() const noexcept { return !FParentFont; }
  void SetCaption(const TCaption& v) { SetText(v); }
  [[nodiscard]] virtual std::string GetText() const;
  void SetText(const std::string& v);

  [[nodiscard]] const std::string& Hint() const noexcept { return FHint; }
  void SetHint(const std::string& v) { FHint = v; }
  [[nodiscard]] bool ShowHint() const noexcept { return FShowHint; }
  void SetShowHint(bool v);
  [[nodiscard]] bool ParentShowHint() const noexcept { return FParentShowHint; }
  void SetParentShowHint(bool v);
  [[nodiscard]] TCursor Cursor() const noexcept { return FCursor; }
  void SetCursor(TCursor v);
  // Reading order and alignment for right-to-left languages (the parent's unless set).
  [[nodiscard]] TBiDiMode BiDiMode() const noexcept { return FBiDiMode; }
  void SetBiDiMode(TBiDiMode v);
  [[nodiscard]] bool ParentBiDiMode() const noexcept { return FParentBiDiMode; }
  void SetParentBiDiMode(bool v);
  [[nodiscard]] bool UseRightToLeftAlignment() const noexcept { return FBiDiMode == bdRightToLeft; }
  [[nodiscard]] bool UseRightToLeftReading() const noexcept { return FBiDiMode != bdLeftToRight; }
  [[nodiscard]] bool UseRightToLeftScrollBar() const noexcept { return FBiDiMode != bdLeftToRight; }
  // DrawText flags adjusted for the reading order: DT_RTLREADING, and left/right swapped for a
  // right-to-left alignment.
  [[nodiscard]] UINT DrawTextBiDiModeFlags(UINT flags) const noexcept;
  // The menu a right click (WM_CONTEXTMENU) shows when its AutoPopup is set; not owned, and the
  // menu's owner must outlive the control or clear it.
  [[nodiscard]] TPopupMenu* PopupMenu() const noexcept { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* menu);

  [[nodiscard]] TControlStyle ControlStyle() const noexcept { return FControlStyle; }
  void SetControlStyle(TControlStyle s) noexcept { FControlStyle = s; }
  [[nodiscard]] TControlState ControlState() const noexcept { return FControlState; }
  void SetControlState(TControlState s) noexcept { FControlState = s; }

  // Mouse capture (windowed: SetCapture on the window; graphic: capture through the parent).
  [[nodiscard]] bool MouseCapture() const;
  void SetMouseCapture(bool v);

  // Painting.
  virtual void Invalidate();
  virtual void Update();
  virtual void Repaint();
  void Refresh() { Repaint(); }

  // Z-order among the parent's children.
  void BringToFront();
  void SendToBack();

  // The form that contains the control (or the control itself when it is a form).
  [[nodiscard]] TCustomForm* GetParentForm() const;

  // Events.
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnResize;

  // Fires the click (OnClick).
  virtual void Click();
  virtual void DblClick();

  // Streaming: a control read inside a windowed control's record becomes its child.
  [[nodiscard]] TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* p) override;
  // csReadingState is set while the control's stored state is read.
  void BeginReadState() override;
  void EndReadState() noexcept override;
  [[nodiscard]] bool IsWindowed() const noexcept { return FIsWindowed; }

 protected:
  // Mouse "dynamic" methods: fire the events.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void Resize();
  // Bounds changed: tells the parent to realign and notifies.
  virtual void BoundsChanged();
  virtual void SetTextBuf(const std::string& v);
  virtual void VisibleChanging() {}
  // Sends msg with LParam to every child (windowed controls) - nothing for a plain control.
  virtual void ParentColorChanged();
  // Tells the control (CM_CHANGED, LParam this) that its value changed.
  void Changed();
  // Takes the anchor distances from the current bounds and the parent's client size.
  void UpdateAnchorRules();
  // Moves the control to keep its anchor distances in the parent's current client area.
  void ApplyAnchors();

  // Handlers of the base messages (called by Dispatch; a derived handler may call them).
  void WMMouseDown(TMessage& m, TMouseButton button, TShiftState extra);
  void WMMouseUp(TMessage& m, TMouseButton button);
  void WMMouseMove(TMessage& m);
  void CMEnabledChanged(TMessage& m);
  void CMVisibleChanged(TMessage& m);
  void CMColorChanged(TMessage& m);
  void CMFontChanged(TMessage& m);
  void CMParentColorChanged(TMessage& m);
  void CMParentFontChanged(TMessage& m);
  void CMParentShowHintChanged(TMessage& m);
  void CMMouseEnter(TMessage& m);
  void CMMouseLeave(TMessage& m);
  void CMHitTest(TMessage& m);

  void FontChanged(TObject* sender);
  void SendCancelMode(TControl* sender);
  static void RequestAlignOf(TControl* c);

  TWinControl* FParent = nullptr;
  int FLeft = 0;
  int FTop = 0;
  int FWidth = 0;
  int FHeight = 0;
  TAlign FAlign = alNone;
  bool FVisible = true;
  bool FEnabled = true;
  TColor FColor = clWindow;
  bool FParentColor = true;
  std::unique_ptr<TFont> FFont;
  bool FParentFont = true;
  std::string FText;
  std::string FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  TCursor FCursor = crDefault;
  TPopupMenu* FPopupMenu = nullptr;
  TBiDiMode FBiDiMode = bdLeftToRight;
  bool FParentBiDiMode = true;
  TControlStyle FControlStyle = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  TControlState FControlState = 0;
  bool FIsWindowed = false;
  bool FMouseInside = false;  // between CM_MOUSEENTER and CM_MOUSELEAVE
  TAnchors FAnchors = kDefaultAnchors;
  std::unique_ptr<TSizeConstraints> FConstraints;

 private:
  void ConstraintsChanged(TObject* sender);
  // Anchor distances: the bounds and the parent's client size when they were taken.
  TRect FAnchorOrigin{};
  TPoint FAnchorParentSize{};
  bool FAnchorRules = false;  // FAnchorOrigin is valid
  bool FAnchorMove = false;   // the parent is applying the anchors: keep the rules

  friend class TWinControl;
  friend class TControlCanvas;
};

// ---------------------------------------------------------------------------------------------
// Window creation parameters.

struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  void* Param = nullptr;
  WNDCLASSA WindowClass{};
  std::string WinClassName;
  // MDI children are created through their frame's MDI client.
  bool MDIChild = false;
};

// ---------------------------------------------------------------------------------------------
// TWinControl

class TWinControl : public TControl {
  KORV_CLASS(TWinControl, TControl)
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;
  // Streaming: the child controls, in child order, are written inside this control's record.
  void GetChildren(std::vector<TComponent*>& out) const override;

  // The window, created on demand (with the parents' windows first). Raises
  // EInvalidOperation "Control '%s' has no parent window" when a child has no parent.
  [[nodiscard]] HWND Handle();
  [[nodiscard]] HWND HandleIfAllocated() const noexcept { return FHandle; }
  [[nodiscard]] bool HandleAllocated() const noexcept { return FHandle != nullptr; }
  void HandleNeeded() { (void)Handle(); }
  // Destroys and creates the window again (state kept in the object).
  void RecreateWnd();
  // Destroys the window (children first); the object lives on.
  void DestroyHandle();

  // Children, in child order (z-order for graphic children: later ones paint on top).
  [[nodiscard]] int ControlCount() const noexcept { return static_cast<int>(FControls.size()); }
  [[nodiscard]] TControl* Controls(int index) const;
  // Windowed children in tab order.
  [[nodiscard]] int WinControlCount() const noexcept { return static_cast<int>(FTabList.size()); }
  [[nodiscard]] TWinControl* WinControls(int index) const;
  [[nodiscard]] bool ContainsControl(const TControl* c) const;
  void InsertControl(TControl* c);
  void RemoveControl(TControl* c);
  // Moves c to the end (front) or start (back) of the child order.
  void SetChildOrder(TControl* c, bool front);
  // The topmost visible child under a client point (graphic children only when winOnly is false
  // and allowDisabled says whether disabled children count).
  [[nodiscard]] TControl* ControlAtPos(TPoint p, bool allowDisabled, bool allowWinControls = false) const;

  // Sends the message to each child in child order; stops at the first non-zero Result.
  void Broadcast(TMessage& message);
  void NotifyControls(UINT msg);

  // Alignment. AlignControl re-lays the aligned children after c moved or changed (nothing
  // while alignment is disabled: EnableAlign then does it).
  void AlignControl(TControl* c);
  void DisableAlign();
  void EnableAlign();
  void Realign();
  [[nodiscard]] bool AlignDisabled() const noexcept { return FAlignLevel > 0; }

  // Focus and tab order.
  [[nodiscard]] virtual bool CanFocus() const;
  [[nodiscard]] bool Focused() const;
  virtual void SetFocus();
  [[nodiscard]] bool TabStop() const noexcept { return FTabStop; }
  void SetTabStop(bool v);
  [[nodiscard]] int TabOrder() const;
  void SetTabOrder(int v);
  // The windowed descendants in tab order (depth first).
  void GetTabOrderList(std::vector<TWinControl*>& list) const;
  // The next (or previous) control in tab order after cur, among this control's descendants.
  [[nodiscard]] TWinControl* FindNextControl(TWinControl* cur, bool goForward, bool checkTabStop, bool checkParent) const;
  void SelectNext(TWinControl* cur, bool goForward, bool checkTabStop);

  // Input method of the window (see TImeMode).
  [[nodiscard]] TImeMode ImeMode() const noexcept { return FImeMode; }
  void SetImeMode(TImeMode v);

  // Moves the contents by (dx, dy): the window's pixels and every child (the anchor distances
  // of the children move with them).
  void ScrollBy(int dx, int dy);

  [[nodiscard]] bool DoubleBuffered() const noexcept { return FDoubleBuffered; }
  void SetDoubleBuffered(bool v) noexcept { FDoubleBuffered = v; }
  [[nodiscard]] int BorderWidth() const noexcept { return FBorderWidth; }
  void SetBorderWidth(int v);

  [[nodiscard]] TRect ClientRect() const override;
  [[nodiscard]] TPoint ClientOrigin() const override;
  [[nodiscard]] bool Showing() const override;
  void SetBounds(int left, int top, int width, int height) override;
  [[nodiscard]] std::string GetText() const override;
  void SetParent(TWinControl* parent) override;

  void Invalidate() override;
  void Update() override;
  void Repaint() override;

  // Paints the graphic children into dc (each inside SaveDC / origin / clip / RestoreDC),
  // starting with first (nullptr: all).
  void PaintControls(HDC dc, TControl* first);
  // Paints the window into dc: own painting with opaque graphic children clipped out, then
  // the graphic children.
  void PaintHandler(HDC dc);

  void WndProc(TMessage& message) override;
  void Dispatch(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  // The window procedure unbound messages go to (the system class's procedure for a
  // sub-classed class, else DefWindowProcA).
  [[nodiscard]] WNDPROC DefWndProc() const noexcept { return FDefWndProc; }

  // Keyboard events.
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

  // The control that receives mouse input while a graphic child holds the capture.
  [[nodiscard]] static TControl* CaptureControl() noexcept;

 protected:
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& params);
  virtual void CreateHandle();
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  // After the window exists: children's windows, bounds, text.
  virtual void CreateSubWindows();
  // Registers a class based on a system class (BUTTON, SCROLLBAR...): its procedure becomes the
  // default procedure, and the window gets this library's procedure so WindowProc sees every
  // message first.
  void CreateSubClass(TCreateParams& params, const char* controlClassName);

  // Lays out the aligned children inside rect (the client area less the border), then moves
  // the anchored ones.
  virtual void AlignControls(TControl* control, TRect& rect);
  // A child without alignment moved or changed size.
  virtual void ChildBoundsChanged(TControl* child) { (void)child; }
  virtual void AdjustClientRect(TRect& rect);
  void RequestAlign();
  virtual void PaintWindow(HDC dc);

  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyUp(WORD& key, TShiftState shift);
  virtual void KeyPress(char& key);
  // Whether the control takes this special key itself (dialog code and CM_WANTSPECIALKEY).
  [[nodiscard]] bool WantsKey(WORD key, UINT dlgCodeWanted);

  void ParentColorChanged() override;
  void SetTextBuf(const std::string& v) override;
  void VisibleChanging() override;
  [[nodiscard]] virtual HBRUSH ControlBrush();
  // Shows or hides the window to match Visible (forms show with their window state).
  virtual void UpdateShowing();
  void UpdateBounds();

  // Handlers.
  void WMPaint(TMessage& m);
  void WMEraseBkgnd(TMessage& m);
  void WMNCHitTest(TMessage& m);
  void WMContextMenu(TMessage& m);
  void WMSetCursor(TMessage& m);
  void WMSetFocus(TMessage& m);
  void WMKillFocus(TMessage& m);
  void WMKeyDown(TMessage& m);
  void WMKeyUp(TMessage& m);
  void WMChar(TMessage& m);
  void WMWindowPosChanged(TMessage& m);
  void WMSize(TMessage& m);
  void WMGetMinMaxInfo(TMessage& m);
  void WMMouseLeave(TMessage& m, bool nonClient);
  void WMNCDestroy(TMessage& m);
  void CNKeyDown(TMessage& m);
  void CNChar(TMessage& m, bool sysChar);
  void CNCtlColor(TMessage& m);
  void CMDialogChar(TMessage& m);
  void CMDialogKey(TMessage& m);
  void CMFocusChanged(TMessage& m);
  // Reflects a child window's notification to the child control (CN_ message).
  bool ReflectToChild(TMessage& m);
  // Mouse input for a graphic child under the pointer (or holding the capture).
  bool IsControlMouseMsg(TMessage& m);
  // Tracks the pointer for CM_MOUSEENTER/CM_MOUSELEAVE (window and graphic children).
  void TrackMouse(bool nonClient);
  void SetMouseControl(TControl* c);

  HWND FHandle = nullptr;
  WNDPROC FDefWndProc = DefWindowProcA;
  std::vector<TControl*> FControls;   // all children, child order
  std::vector<TWinControl*> FTabList;  // windowed children, tab order
  int FAlignLevel = 0;
  bool FTabStop = false;
  bool FDoubleBuffered = false;
  int FBorderWidth = 0;
  TUniqueBrush FBrush;
  TColor FBrushColor = clNone;
  UINT FTrackMode = 0;          // TME_ flags of the running TrackMouseEvent (0: none)
  TControl* FMouseControl = nullptr;  // graphic child under the pointer
  bool FCreatingWindow = false;
  TImeMode FImeMode = imDontCare;

 private:
  void ApplyImeMode();

  friend class TControl;
  friend LRESULT CALLBACK ControlWindowProc(HWND, UINT, WPARAM, LPARAM) noexcept;
};

// ---------------------------------------------------------------------------------------------
// TGraphicControl: no window; painted by its parent on the parent's DC.

class TGraphicControl : public TControl {
  KORV_CLASS(TGraphicControl, TControl)
 public:
  explicit TGraphicControl(TComponent* owner);
  ~TGraphicControl() override;
  [[nodiscard]] TCanvas* Canvas() const noexcept { return FCanvas.get(); }
  void Dispatch(TMessage& message) override;

 protected:
  virtual void Paint() {}
  void WMPaint(TMessage& m);

 private:
  std::unique_ptr<TControlCanvas> FCanvas;
};

// ---------------------------------------------------------------------------------------------
// TCustomControl: a window with a canvas; Paint draws it.

class TCustomControl : public TWinControl {
  KORV_CLASS(TCustomControl, TWinControl)
 public:
  explicit TCustomControl(TComponent* owner);
  ~TCustomControl() override;
  [[nodiscard]] TCanvas* Canvas() const noexcept { return FCanvas.get(); }

 protected:
  virtual void Paint() {}
  void PaintWindow(HDC dc) override;

 private:
  std::unique_ptr<TControlCanvas> FCanvas;
};

// ---------------------------------------------------------------------------------------------
// Free functions

// The control bound to a window of this process, or nullptr.
[[nodiscard]] TWinControl* FindControl(HWND wnd) noexcept;
// The control (graphic children included) at a screen point.
[[nodiscard]] TControl* FindDragTarget(TPoint screenPos, bool allowDisabled) noexcept;
// The form that contains control (nullptr when there is none).
[[nodiscard]] TCustomForm* GetParentForm(const TControl* control) noexcept;
// True when the character is the accelerator ("&x") of caption (case-insensitive).
[[nodiscard]] bool IsAccel(WORD charCode, const std::string& caption) noexcept;

// A hidden window whose messages go to method (for timers, hidden owners...). Free it with
// DeallocateHWnd. Raises EOSError when the window cannot be created.
[[nodiscard]] HWND AllocateHWnd(TWndMethod method);
void DeallocateHWnd(HWND wnd) noexcept;

// Visual themes in use: true only when the program runs with version 6 of the common controls
// (a manifest asks for it) and the system has themes on. IsThemeActive/IsAppThemed alone are not
// enough: they report themes without such a manifest. Tests may force the answer.
[[nodiscard]] bool ThemesEnabled() noexcept;
// Forces ThemesEnabled to value (1 true, 0 false) or back to detection (-1).
void SetThemesEnabledOverride(int value) noexcept;

// Records an exception that a window procedure or the message loop caught (it never leaves
// them); the application shows or reports it (it is dropped when there is no application).
// Called inside a catch block; unknown is the message for an exception that is not a
// std::exception.
void HandleWndProcException(const char* unknown = "Unknown exception in a window procedure") noexcept;

}  // namespace korv
