// Standard controls over the system's window classes: TScrollBar ("SCROLLBAR") and
// TCustomEdit/TEdit ("EDIT").
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "classlib/Controls.h"

namespace korv {

// ---------------------------------------------------------------------------------------------
// TScrollBar: a scroll bar control. The window is the system "SCROLLBAR" class sub-classed; the
// notifications it sends its parent (WM_HSCROLL/WM_VSCROLL) come back reflected as
// CN_HSCROLL/CN_VSCROLL and become OnScroll and a new Position.
//
// A derived class may give the control a window of its own instead (UsesSystemClass false): the
// window is then a plain window of a class of its own, painted and driven by that class; the
// scroll-bar calls on it (SB_CTL) do nothing. The choice is made each time the window is
// created (CreateParams), so RecreateWnd switches between the two.

class TScrollBar : public TWinControl {
  KORV_CLASS(TScrollBar, TWinControl)
 public:
  explicit TScrollBar(TComponent* owner);

  [[nodiscard]] TScrollBarKind Kind() const noexcept { return FKind; }
  // Swaps Width and Height (unless loading) and creates the window again.
  void SetKind(TScrollBarKind v);
  [[nodiscard]] int Min() const noexcept { return FMin; }
  void SetMin(int v) { SetParams(FPosition, v, FMax); }
  [[nodiscard]] int Max() const noexcept { return FMax; }
  void SetMax(int v) { SetParams(FPosition, FMin, v); }
  [[nodiscard]] int Position() const noexcept { return FPosition; }
  void SetPosition(int v) { SetParams(v, FMin, FMax); }
  // The thumb's share of the range (0: a thumb of the system's size). Negative values are
  // ignored. The system scroll bar stops the thumb at Max - PageSize + 1.
  [[nodiscard]] int PageSize() const noexcept { return FPageSize; }
  void SetPageSize(int v);
  // The steps of a line and a page (1 .. 32767).
  [[nodiscard]] TScrollBarInc SmallChange() const noexcept { return FSmallChange; }
  void SetSmallChange(TScrollBarInc v);
  [[nodiscard]] TScrollBarInc LargeChange() const noexcept { return FLargeChange; }
  void SetLargeChange(TScrollBarInc v);

  // Position, minimum and maximum in one step. A minimum above the maximum raises
  // EInvalidOperation "Scrollbar property out of range"; the position is clamped into the range.
  // A new position goes to the window, enables the control (as the system bar is enabled by a
  // position) and runs Change.
  virtual void SetParams(int position, int min, int max);

  // Fires after every position change.
  TNotifyEvent OnChange;
  // Fires for every notification of the bar (scLineUp .. scEndScroll) with the position it
  // leads to; the handler may change that position before it is applied.
  TScrollEvent OnScroll;

  void Dispatch(TMessage& message) override;
  // While the control is read from a stream, Min, Max and Position are taken as they come; here
  // they are checked and given to the window.
  void Loaded() override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  // True (the default): the window is the system scroll bar. False: a plain window of the
  // derived class's own.
  [[nodiscard]] virtual bool UsesSystemClass() const { return true; }
  // A position change: Changed (CM_CHANGED), then OnChange.
  virtual void Change();
  // One notification: OnScroll.
  virtual void Scroll(TScrollCode code, int& position);
  // CN_HSCROLL/CN_VSCROLL: the new position for the code, clamped to the range, through
  // Scroll, then set.
  void CNScroll(TMessage& m);
  // -1 for a horizontal bar in a right-to-left reading order (its steps are mirrored), else 1.
  [[nodiscard]] int RTLFactor() const noexcept { return FRTLFactor; }
  // Gives Position to the system scroll bar.
  void ShowPosition();

  TScrollBarKind FKind = sbHorizontal;
  int FPosition = 0;
  int FMin = 0;
  int FMax = 100;
  int FPageSize = 0;
  TScrollBarInc FSmallChange = 1;
  TScrollBarInc FLargeChange = 1;
  int FRTLFactor = 1;
};

// ---------------------------------------------------------------------------------------------
// TCustomEdit/TEdit: a single-line edit box over the system "EDIT" class. Its colours are Color
// and Font.Color: the window's WM_CTLCOLOREDIT (WM_CTLCOLORSTATIC while read-only or disabled)
// comes back reflected as CN_CTLCOLOREDIT (CN_CTLCOLORSTATIC) and is answered with them.

class TCustomEdit : public TWinControl {
  KORV_CLASS(TCustomEdit, TWinControl)
 public:
  explicit TCustomEdit(TComponent* owner);

  // The text (the window's while it exists); SetText replaces it.
  [[nodiscard]] std::string Text() const { return GetText(); }
  // bsSingle (a sunken frame, the default) or bsNone; the window is created again.
  [[nodiscard]] TBorderStyle BorderStyle() const noexcept { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle v);
  [[nodiscard]] bool ReadOnly() const noexcept { return FReadOnly; }
  void SetReadOnly(bool v);
  // The most characters the user can type (0: the system's limit).
  [[nodiscard]] int MaxLength() const noexcept { return FMaxLength; }
  void SetMaxLength(int v);
  // The user changed the text since it was last set or since Modified was cleared.
  [[nodiscard]] bool Modified() const;
  void SetModified(bool v);
  // The selection, in characters.
  [[nodiscard]] int SelStart() const;
  void SetSelStart(int v);
  [[nodiscard]] int SelLength() const;
  void SetSelLength(int v);
  void SelectAll();
  void Clear() { SetText(""); }

  // Fires when the text changes (typed or set).
  TNotifyEvent OnChange;

  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  // The text changed: Changed (CM_CHANGED), then OnChange.
  virtual void Change();

 private:
  // Start and end of the selection (0, 0 without a window).
  [[nodiscard]] std::pair<int, int> Selection() const;
  TBorderStyle FBorderStyle = bsSingle;
  bool FReadOnly = false;
  int FMaxLength = 0;
  bool FModified = false;  // kept while the window is re-created
};

class TEdit : public TCustomEdit {
  KORV_CLASS(TEdit, TCustomEdit)
 public:
  explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
};

}  // namespace korv
