// The skinned scroll bar: a scroll bar control with two faces. While its skin link is not skinned
// (or the skin is not live) its window is the system scroll bar, sub-classed, and it behaves as
// TScrollBar does. While the link is skinned its window is a plain window of its own, painted from
// the skin's scroll sections ("SCROLLBAR1H/V" and "SCROLLBAR2H/V" for the track before and after
// the thumb, "SCROLLSLIDERH/V" for the thumb, "SCROLLBTNLEFT/RIGHT/TOP/BOTTOM" for the arrows),
// and the bar takes the mouse, its repeat timers and the keys itself (TsScrollModel).
//
// The face is chosen each time the window is created, from the link: the skin commands that
// remove or bring a skin (2 and 3) create the window again when the face must change.
//
// A press holds the mouse capture and switches the application's hints off. It ends on the
// release, and also, without applying anything more, when the capture is lost, on WM_CANCELMODE,
// when the bar is disabled, when its window is created again and when it is destroyed: the timer
// stops, a change held back during the drag reaches the owner once, the hints come back and the
// parts are normal again. Escape (which the capture brings to the bar wherever the keyboard focus
// is) ends it the same way, after taking a dragged thumb back to where the drag began.
//
// The form's client scrolling and the MDI support create these bars, feed them with SetParams,
// PageSize and the steps, and follow them through OnScrollChange.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "classlib/StdCtrls.h"
#include "skin/controls/sScrollBarModel.h"
#include "skin/core/sCommonData.h"
#include "skin/paint/sBlend.h"

namespace korv {

// The control-type code of the bar's skin link.
inline constexpr int sScrollBarTypeCode = 142;

// A position change as the bar's owner sees it: Position already holds the new one.
using TsScrollChangeEvent = TMethod<void(TObject* Sender, int OldPosition)>;

class TsScrollBar : public TScrollBar, private TsScrollEvents {
  KORV_CLASS(TsScrollBar, TScrollBar)
 public:
  explicit TsScrollBar(TComponent* owner);
  // Ends a press (without notices), destroys the window, frees the link.
  ~TsScrollBar() override;
  void AfterConstruction() override;
  void Loaded() override;

  // ---- published ----

  // Also names the skin section of the new direction ("SCROLLBAR1H" or "SCROLLBAR1V").
  void SetKind(TScrollBarKind v);
  // Ignored while the bar is being created or destroyed; otherwise SetParams, then Repaint.
  void SetPosition(int v);
  // True: a thumb drag reports every change; false: one change at the release, carrying the
  // position the drag started from.
  [[nodiscard]] bool Smooth() const noexcept { return FModel.Smooth; }
  void SetSmooth(bool v) noexcept { FModel.Smooth = v; }
  // The look of a disabled bar (dkBlended: the background shows through; dkGrayed: grey).
  [[nodiscard]] TsDisabledKind DisabledKind() const noexcept { return FDisabledKind; }
  void SetDisabledKind(TsDisabledKind v);

  // ---- what the owners use ----

  // Skinned face: the position is clamped into [min, max] and nothing raises (a reversed range
  // counts as empty); an unchanged position raises only the notice of the last pressed part, a
  // new one runs the change notices (OnScrollChange, OnScroll with the pressed part's code,
  // OnChange) and is shown. System face: as TScrollBar, with OnScrollChange before OnChange.
  void SetParams(int position, int min, int max) override;
  // Every position change, with the previous position (held back during a drag that is not
  // smooth, then delivered once).
  TsScrollChangeEvent OnScrollChange;

  // The skin link (type code 142, section by Kind).
  [[nodiscard]] TsCommonData* SkinData() const noexcept { return FSkinData.get(); }
  // The form or MDI client whose cached image lies under the bar (nullptr: the parent's).
  [[nodiscard]] TWinControl* LinkedControl() const noexcept { return FLinkedControl; }
  void SetLinkedControl(TWinControl* control);
  // While set the bar does not paint; Repaint clears it.
  [[nodiscard]] bool PaintLocked() const noexcept { return FModel.PaintLocked; }
  void SetPaintLocked(bool v) noexcept { FModel.PaintLocked = v; }
  // The window is the bar's own, painted from the skin (false: the system scroll bar, or none).
  [[nodiscard]] bool OwnFace() const noexcept { return FHandle && FOwnFace; }
  // The logic of the skinned face: part states, the pressed part, the running timer.
  [[nodiscard]] const TsScrollModel& Model() const noexcept { return FModel; }

  // Skinned face: clears PaintLocked and paints when a part or the position changed.
  void Repaint() override;
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void DestroyWnd() override;
  [[nodiscard]] bool UsesSystemClass() const override { return !FOwnFace; }
  // System face: CM_CHANGED, OnScrollChange, OnChange.
  void Change() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  // TsScrollEvents: the model's notices become the bar's events and window calls.
  void ScrollChanged() override;
  void ScrollChange(int oldPosition) override;
  void ScrollNotice(TScrollCode code, int position) override;
  void ValueChanged() override;
  void PositionShown() override;
  void RepeatTimer(TsRepeatTimer kind, UINT interval) override;

  // Whether SetParams follows the skinned rules: the window's face, or the link without one.
  [[nodiscard]] bool SkinnedRules() const;
  // Creates the window again when the link asks for the other face; else repaints, unless the
  // face is current.
  void ChooseFace(bool faceCurrent = false);
  void SkinCommand(TMessage& m);
  [[nodiscard]] TsPartState LinkState() const;
  // The client point of the mouse.
  [[nodiscard]] TPoint MousePoint() const;
  void MouseMoveTo(TPoint p);
  // Ends a press that did not end in a release (see the class comment); cancelled (Escape): a
  // dragged thumb goes back to where it started first.
  void EndPress(bool cancelled = false);
  void RestoreHint() noexcept;

  // Painting (sScrollBarPaint.cpp).
  [[nodiscard]] bool CanPaint() const;
  void WMPaint(TMessage& m);
  // What lies under the bar (the linked control's image, else the parent's) and where the bar's
  // top-left pixel lies in it.
  void BackgroundInfo(TCacheInfo& ci, TPoint& pos) const;
  // Copies the face into dc, or into the window's DC when dc is nullptr; the face is painted
  // again first when it is out of date. With onlyChanged nothing is copied while the face is
  // current (the window already shows it).
  void PaintBar(HDC dc, bool onlyChanged = false);
  // Everything the face is painted from, as plain values: the face in the link's cache is current
  // while they stay the same.
  [[nodiscard]] std::vector<intptr_t> FaceKey(const TsScrollLayout& layout, const TCacheInfo& under, TPoint pos) const;
  // Copies a painted face into dc (nullptr: the window's DC).
  void CopyFace(HDC dc, TBitmap* face);
  // After the parent painted: whether the face may have to change with what lies under it (or is
  // out of date anyway). Cheaper than the whole key: nothing asks the system for the focus.
  [[nodiscard]] bool UnderFaceChanged() const;
  // The skinned face covers the whole window (erasing it first is pointless).
  [[nodiscard]] bool FaceCoversWindow() const;

  std::unique_ptr<TsCommonData> FSkinData;
  TsScrollModel FModel;
  TsDisabledKind FDisabledKind = dkBlended;
  TWinControl* FLinkedControl = nullptr;
  bool FOwnFace = false;           // the window was created as the own face
  bool FSavedShowHint = true;      // Application.ShowHint before the press
  bool FHintSaved = false;         // a press switched the hints off
  bool FReleasing = false;         // the release gives the capture back itself
  bool FQuiet = false;             // notices are not raised (the bar is being destroyed)
  int FSystemOldPosition = 0;      // the position before a system-face SetParams
  std::vector<intptr_t> FFaceKey;  // what the face in the link's cache was painted from (empty: none)
  TCacheInfo FFaceUnder;           // what lay under the face then, and where the bar stood in it
  TPoint FFacePos{};
};

}  // namespace korv
