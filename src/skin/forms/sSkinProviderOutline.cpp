// The outline drag: an R2_NOT rectangle on the desktop window's DC that follows the mouse while a
// form with ResizeMode rmBorder is moved or sized, the window moved once at the end, and the
// abort that leaves the screen, the DC and the window as they were.
#include "skin/forms/sSkinProviderOutline.h"

#include <algorithm>

#include "classlib/Messages.h"
#include "skin/forms/sSkinProvider.h"

namespace korv {

TsOutlineDrag OutlineDrag;

namespace {

// Inverts the closed outline of r. Polyline leaves out the last pixel of each segment, so every
// pixel of the outline is inverted exactly once, and a second time puts it back.
void InvertOutline(HDC dc, const TRect& r) {
  const POINT points[5] = {{r.left, r.top}, {r.left, r.bottom}, {r.right, r.bottom}, {r.right, r.top}, {r.left, r.top}};
  Polyline(dc, points, 5);
}

// Draws (or, drawn a second time, removes) the outline of r, remembering what is on the screen.
void ToggleOutline(TsOutlineDrag& d, const TRect& r) {
  InvertOutline(d.DesktopDC, r);
  const auto same = [&](const TRect& s) { return EqualRect(&s, &r) != FALSE; };
  const auto it = std::find_if(d.Shown.begin(), d.Shown.end(), same);
  if (it != d.Shown.end())
    d.Shown.erase(it);
  else
    d.Shown.push_back(r);
}

// Erases every outline on the screen, gives the DC back and clears the drag (the capture is the
// caller's). Returns the drag as it was.
TsOutlineDrag FinishDrawing() {
  TsOutlineDrag d = std::move(OutlineDrag);
  OutlineDrag = TsOutlineDrag{};
  if (d.DesktopDC) {
    for (const TRect& r : d.Shown) InvertOutline(d.DesktopDC, r);
    d.Shown.clear();
    RestoreDC(d.DesktopDC, d.SavedDC);
    ReleaseDC(d.DesktopWnd, d.DesktopDC);
    d.DesktopDC = nullptr;
  }
  return d;
}

HWND FormWindow(const TsSkinProvider* provider) {
  return provider && provider->Form ? provider->Form->HandleIfAllocated() : nullptr;
}

// Ends the drag in progress, whoever's it is, without moving anything.
void CancelDrag() {
  if (!OutlineDrag.InProgress) return;
  HWND wnd = FormWindow(OutlineDrag.Provider);
  FinishDrawing();
  if (wnd && GetCapture() == wnd) ReleaseCapture();
}

// Where the drag's coordinates start on the screen: an MDI child's are those of its MDI client.
TPoint OutlineOrigin(const TsSkinProvider* provider) {
  POINT p{0, 0};
  HWND wnd = FormWindow(provider);
  if (wnd && provider->Form->FormStyle() == fsMDIChild) {
    if (HWND client = GetParent(wnd)) MapWindowPoints(client, HWND_DESKTOP, &p, 1);
  }
  return p;
}

}  // namespace

void TsSkinProvider::StartOutline(int x, int y, bool moving) {
  if (FResizeMode != rmBorder || !Form || !Form->HandleAllocated()) return;
  CancelDrag();  // a drag left unfinished gives its DC back first
  HWND desktop = GetDesktopWindow();
  HDC dc = GetWindowDC(desktop);
  if (!dc) return;
  HWND wnd = Form->HandleIfAllocated();
  TsOutlineDrag& d = OutlineDrag;
  d.InProgress = true;
  d.Moving = moving;
  d.Provider = this;
  d.DesktopWnd = desktop;
  d.DesktopDC = dc;
  d.SavedDC = SaveDC(dc);
  SetROP2(dc, R2_NOT);
  d.Top = Form->Top();
  d.Left = Form->Left();
  d.FirstMove = true;
  d.MinWidth = Form->Constraints()->MinWidth();
  d.MinHeight = Form->Constraints()->MinHeight();
  // The capture makes its loss visible: another window taking the mouse aborts the drag.
  if (GetCapture() != wnd) SetCapture(wnd);
  if (!OutlineDrag.InProgress) return;  // the capture change ended it
  // The edges follow the mouse from where it was pressed (pointer moves may be merged, so the
  // first one that arrives may already be far from there).
  d.GrabX = x;
  d.GrabY = y;
  if (!moving) {
    d.Bottom = d.Top + Form->Height();
    d.Right = d.Left + Form->Width();
  }
  DrawOutline(d.Left, d.Top);
}

void TsSkinProvider::DrawOutline(int x, int y) {
  TsOutlineDrag& d = OutlineDrag;
  if (FResizeMode != rmBorder || !d.InProgress || d.Provider != this || !Form) return;
  const TPoint o = OutlineOrigin(this);
  const TRect r = d.Moving ? Bounds(x + o.x, y + o.y, Form->Width(), Form->Height())
                           : Rect(d.Left + o.x, d.Top + o.y, d.Right + o.x, d.Bottom + o.y);
  ToggleOutline(d, r);
}

void TsSkinProvider::EndOutline() {
  if (FResizeMode != rmBorder || !OutlineDrag.InProgress || OutlineDrag.Provider != this) return;
  HWND wnd = FormWindow(this);
  // The drag ends before the capture goes, so that losing it does not abort.
  const TsOutlineDrag d = FinishDrawing();
  if (wnd && GetCapture() == wnd) ReleaseCapture();
  if (!wnd || !IsWindow(wnd)) return;
  if (d.Moving)
    MoveWindow(wnd, d.Left, d.Top, Form->Width(), Form->Height(), TRUE);
  else if (!d.FirstMove)  // a size without a mouse move changes nothing
    MoveWindow(wnd, d.Left, d.Top, d.Right - d.Left, d.Bottom - d.Top, TRUE);
}

void TsSkinProvider::AbortOutline() {
  if (OutlineDrag.InProgress && OutlineDrag.Provider == this) CancelDrag();
}

bool TsSkinProvider::OutlineWatch(TMessage& message) {
  if (!OutlineDrag.InProgress || OutlineDrag.Provider != this) return false;
  switch (message.Msg) {
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(message.LParam) != FormWindow(this)) AbortOutline();
      return false;
    case WM_ENABLE:
      if (!message.WParam) AbortOutline();
      return false;
    case WM_CANCELMODE:
    case WM_DESTROY:
      AbortOutline();
      return false;
    case WM_KEYDOWN:
    case CM_CHILDKEY:  // the key of a focused child control, or of the form itself
      if (message.WParam != VK_ESCAPE) return false;
      AbortOutline();
      message.Result = message.Msg == CM_CHILDKEY ? 1 : 0;
      return true;
    default:
      return false;
  }
}

}  // namespace korv
