// What a skinned scroll bar does, free of windows: where its five parts lie, which position lies
// under a point, how a new position, range or change notice is taken (with the change held back
// during a thumb drag that is not smooth), and what the mouse, the keys and the repeat timers do
// to the parts and the position. The bar control (sScrollBar.h) feeds it its values and input and
// turns its requests into window calls; tests drive it directly.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

#include "classlib/Controls.h"
#include "classlib/Graphics.h"

namespace korv {

// The parts of a bar, in the order a press tests them.
enum TsScrollPart : uint8_t { spFirstButton, spSecondButton, spThumb, spTrackBefore, spTrackAfter, spNone };
inline constexpr int sScrollPartCount = 5;

// The state of one part.
enum TsPartState : uint8_t { psNormal = 0, psHot = 1, psPressed = 2 };

// The repeat timer a press runs: the line timer of the buttons, the page timer of the track, the
// drag timer of the thumb.
enum TsRepeatTimer : uint8_t { rtNone, rtLine, rtPage, rtDrag };
inline constexpr UINT sRepeatFirstDelay = 500;  // ms before a held button or track repeats
inline constexpr UINT sRepeatInterval = 100;    // ms between repeats
inline constexpr UINT sDragInterval = 10;       // ms between thumb updates of a drag

// "No part pressed yet": a scroll code past the last one, so it raises no notice.
inline constexpr TScrollCode scNoPart = static_cast<TScrollCode>(9);

// The smallest thumb, in pixels.
inline constexpr int sMinThumbLength = 14;

// The bar's values the model reads and changes. They belong to the bar (the model keeps
// references), so the bar and the model never disagree.
struct TsScrollFields {
  TScrollBarKind& Kind;
  int& Min;
  int& Max;
  int& Position;
  int& PageSize;
  TScrollBarInc& SmallChange;
  TScrollBarInc& LargeChange;
  int& Width;
  int& Height;
  bool& Enabled;
};

// What the model asks of its bar. Every call is made from inside a model operation.
class TsScrollEvents {
 public:
  virtual ~TsScrollEvents() = default;
  // The position changed (the control's CM_CHANGED); raised even while a change is held back.
  virtual void ScrollChanged() {}
  // A change that reaches the owner: the previous position (Position holds the new one).
  virtual void ScrollChange(int oldPosition) { (void)oldPosition; }
  // A scroll notice, code below 9, with the position.
  virtual void ScrollNotice(TScrollCode code, int position) { (void)code, (void)position; }
  // The value changed (after ScrollChange and the notice).
  virtual void ValueChanged() {}
  // A new position is to be shown (the bar paints unless its painting is locked).
  virtual void PositionShown() {}
  // Starts (or replaces) the repeat timer with that interval; rtNone stops it.
  virtual void RepeatTimer(TsRepeatTimer kind, UINT interval) { (void)kind, (void)interval; }
};

// Where the parts of a bar lie, along the bar (x of a horizontal bar, y of a vertical one) and
// across it (the whole thickness).
struct TsScrollLayout {
  bool Vertical = false;
  int Length = 0;      // Width or Height
  int Thickness = 0;   // the other one
  int Button = 0;      // the system's arrow size b
  int Track = 0;       // L = Length - 2b
  int Thumb = 0;       // T, the thumb's length
  int Center = 0;      // C, the thumb's centre
  bool HasThumb = false;  // a thumb is shown: the track holds it and the range is not empty
  std::array<TRect, sScrollPartCount> Parts{};  // client rectangles by TsScrollPart
  // The rectangle from a to b along the bar, the whole thickness across.
  [[nodiscard]] TRect Along(int a, int b) const noexcept;
  // The coordinate along the bar of a client point.
  [[nodiscard]] int AlongOf(TPoint p) const noexcept { return Vertical ? p.y : p.x; }
};

class TsScrollModel {
 public:
  TsScrollModel(const TsScrollFields& fields, TsScrollEvents& events) noexcept : F(fields), FEvents(events) {}
  TsScrollModel(const TsScrollModel&) = delete;
  TsScrollModel& operator=(const TsScrollModel&) = delete;

  // The arrow size b of the system for a kind: SM_CXHSCROLL or SM_CYVSCROLL.
  [[nodiscard]] static int ButtonMetric(TScrollBarKind kind) noexcept;

  // ---- geometry -------------------------------------------------------------------------------

  [[nodiscard]] TsScrollLayout Layout() const noexcept;
  // The position whose thumb centre lies at `along` (a coordinate along the bar): Min +
  // round((along - b - T / 2) * (Max - Min) / (L - T)). A bar with no room to move its thumb
  // (L <= T) or an empty range keeps Position; a disabled bar gives 0.
  [[nodiscard]] int PositionAt(int along) const noexcept;
  // The part under a client point, in the order of a press (buttons, thumb, tracks); spNone
  // outside the bar.
  [[nodiscard]] TsScrollPart HitTest(TPoint p) const noexcept;

  // ---- values ---------------------------------------------------------------------------------

  // Position, minimum and maximum in one step; nothing raises. The position is clamped into
  // [AMin, AMax] (a minimum above the maximum is stored as it is and counts as an empty range).
  // An unchanged position raises only the notice of PressedPart; a new one is stored and runs
  // Change with the previous one, then asks to be shown.
  void SetParams(int position, int min, int max);
  // Moves by delta from Position (saturating at the ends of the integer range).
  void MoveBy(int delta);
  // The change notices: ScrollChanged; then, unless a change is held back, ScrollChange with the
  // previous position, the notice of PressedPart and ValueChanged.
  void Change(int oldPosition);

  // ---- parts ----------------------------------------------------------------------------------

  [[nodiscard]] TsPartState State(TsScrollPart part) const noexcept { return FStates[part]; }
  // A part's new state; a change marks StateChanged. Making a button or the thumb hot or
  // pressed makes the other two of them normal and both tracks hot; making a track hot or
  // pressed makes the buttons and the thumb normal and the other track hot.
  void SetState(TsScrollPart part, TsPartState state) noexcept;
  // One part's state, nothing else touched.
  void PutState(TsScrollPart part, TsPartState state) noexcept;
  [[nodiscard]] bool AnyPressed() const noexcept;

  // ---- input ----------------------------------------------------------------------------------
  // linkState is the state the tracks show when nothing presses them: 1 while the bar is active
  // (focused or under the mouse), else 0.

  // A left-button press at a client point.
  void MouseDown(TPoint p, TsPartState linkState);
  // The mouse at a client point: drags a pressed thumb, else makes the part under it hot.
  void MouseMove(TPoint p);
  // The release at a client point (the control then raises scEndScroll).
  void MouseUp(TPoint p, TsPartState linkState);
  void MouseEnter() noexcept;
  void MouseLeave() noexcept;
  // A key: page and line steps, Home and End. True when the key scrolls.
  bool KeyDown(WORD key);
  // One tick of the running repeat timer with the mouse at a client point.
  void TimerTick(TPoint mouse);
  // Ends a press that did not end in a release: the timer stopped, a held-back change delivered
  // once, every part normal and nothing pressed. Nothing else is applied.
  void Abort();
  // Ends a press the user called off (Escape): as Abort, but a thumb drag first puts the thumb
  // back where the drag began; a change held back is dropped with it, since nothing changed.
  void Cancel();
  // A press is under way (a part pressed, a timer running or a change held back).
  [[nodiscard]] bool Pressing() const noexcept;

  // ---- state ----------------------------------------------------------------------------------

  bool Smooth = true;             // a thumb drag reports every change; else one at the release
  TScrollCode PressedPart = scNoPart;  // the part pressed last, as its scroll code
  bool StateChanged = false;      // a part state or the position changed since the last painting
  int DragOffset = 0;             // position under the mouse minus Position when the thumb was grabbed
  bool PaintLocked = false;       // the bar does not paint (around position changes of a press)
  bool Deferring = false;         // change notices are held back during a thumb drag
  int DeferredOldPosition = 0;    // Position when that drag started
  int DragStartPosition = 0;      // Position when the thumb was grabbed
  TsRepeatTimer Timer = rtNone;   // the running repeat timer

 private:
  void Notice(TScrollCode code);
  void StartTimer(TsRepeatTimer kind, UINT interval);
  void StopTimer();
  void DragTo(int along);

  TsScrollFields F;
  TsScrollEvents& FEvents;
  std::array<TsPartState, sScrollPartCount> FStates{};
};

}  // namespace korv
