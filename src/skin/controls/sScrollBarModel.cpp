// The window-free scroll bar: geometry, values, part states, input and repeat steps.
#include "skin/controls/sScrollBarModel.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace korv {

namespace {

// a + b without overflow: the result stays inside the 32-bit range.
int SaturatingAdd(int a, int64_t b) noexcept {
  return static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(a) + b, INT_MIN, INT_MAX));
}

// Round to nearest, ties to even.
int RoundEven(double v) noexcept {
  return static_cast<int>(std::clamp(std::nearbyint(v), static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

bool IsButtonOrThumb(TsScrollPart p) noexcept { return p == spFirstButton || p == spSecondButton || p == spThumb; }

}  // namespace

TRect TsScrollLayout::Along(int a, int b) const noexcept {
  return Vertical ? Rect(0, a, Thickness, b) : Rect(a, 0, b, Thickness);
}

int TsScrollModel::ButtonMetric(TScrollBarKind kind) noexcept {
  return GetSystemMetrics(kind == sbHorizontal ? SM_CXHSCROLL : SM_CYVSCROLL);
}

// ---- geometry ---------------------------------------------------------------------------------

TsScrollLayout TsScrollModel::Layout() const noexcept {
  TsScrollLayout l;
  l.Vertical = F.Kind == sbVertical;
  l.Length = l.Vertical ? F.Height : F.Width;
  l.Thickness = l.Vertical ? F.Width : F.Height;
  const int b = ButtonMetric(F.Kind);
  l.Button = b;
  l.Track = l.Length - 2 * b;
  const int64_t span = static_cast<int64_t>(F.Max) - F.Min;  // Max - Min, which may not fit 32 bits

  // The thumb's length: its share of the track as the page's of the range, at least 14 pixels.
  const int64_t pageRange = span + F.PageSize;
  if (F.PageSize == 0 || pageRange <= 0)
    l.Thumb = sMinThumbLength;
  else
    l.Thumb = std::max(RoundEven(static_cast<double>(F.PageSize) * l.Track / static_cast<double>(pageRange)),
                       sMinThumbLength);

  // Its centre: the middle of a disabled bar, the start of an empty range, else where Position
  // lies on the track.
  if (!F.Enabled)
    l.Center = l.Length / 2;
  else if (span <= 0)
    l.Center = 0;
  else
    l.Center = b + l.Thumb / 2 +
               RoundEven(static_cast<double>(l.Track - l.Thumb) / static_cast<double>(span) *
                         static_cast<double>(static_cast<int64_t>(F.Position) - F.Min));
  l.HasThumb = l.Track >= l.Thumb && span > 0;

  const int half = l.Length / 2;
  l.Parts[spFirstButton] = l.Along(0, std::min(b, half));
  l.Parts[spSecondButton] = l.Along(std::max(l.Length - b, half), l.Length);
  const int thumbStart = l.Center - l.Thumb / 2;
  l.Parts[spThumb] = l.HasThumb ? l.Along(thumbStart, thumbStart + l.Thumb) : TRect{};
  // The tracks run under the buttons too: painting covers the whole bar with them first.
  l.Parts[spTrackBefore] = l.Along(0, std::clamp(l.Center, 0, l.Length));
  l.Parts[spTrackAfter] = l.Along(std::clamp(l.Center, 0, l.Length), l.Length);
  return l;
}

int TsScrollModel::PositionAt(int along) const noexcept {
  if (!F.Enabled) return 0;
  const TsScrollLayout l = Layout();
  const int64_t span = static_cast<int64_t>(F.Max) - F.Min;
  const int room = l.Track - l.Thumb;
  if (room <= 0 || span <= 0) return F.Position;
  const double offset = (along - l.Button - l.Thumb / 2.0) * static_cast<double>(span) / room;
  return SaturatingAdd(F.Min, RoundEven(offset));
}

TsScrollPart TsScrollModel::HitTest(TPoint p) const noexcept {
  const TsScrollLayout l = Layout();
  for (int i = 0; i < sScrollPartCount; ++i)
    if (PtInRect(&l.Parts[static_cast<size_t>(i)], p)) return static_cast<TsScrollPart>(i);
  return spNone;
}

// ---- values -----------------------------------------------------------------------------------

void TsScrollModel::SetParams(int position, int min, int max) {
  // std::clamp needs min <= max; a reversed range keeps the bar's own order of tests.
  const int pos = position < min ? min : (position > max ? max : position);
  F.Min = min;
  F.Max = max;
  if (pos == F.Position) {
    Notice(PressedPart);
    return;
  }
  const int old = F.Position;
  F.Position = pos;
  StateChanged = true;
  Change(old);
  FEvents.PositionShown();
}

void TsScrollModel::MoveBy(int delta) { SetParams(SaturatingAdd(F.Position, delta), F.Min, F.Max); }

void TsScrollModel::Change(int oldPosition) {
  FEvents.ScrollChanged();
  if (Deferring) return;
  FEvents.ScrollChange(oldPosition);
  Notice(PressedPart);
  FEvents.ValueChanged();
}

void TsScrollModel::Notice(TScrollCode code) {
  if (code <= scEndScroll) FEvents.ScrollNotice(code, F.Position);
}

// ---- parts ------------------------------------------------------------------------------------

void TsScrollModel::PutState(TsScrollPart part, TsPartState state) noexcept {
  if (part >= spNone || FStates[part] == state) return;
  FStates[part] = state;
  StateChanged = true;
}

void TsScrollModel::SetState(TsScrollPart part, TsPartState state) noexcept {
  if (part >= spNone || FStates[part] == state) return;
  PutState(part, state);
  if (state == psNormal) return;
  if (IsButtonOrThumb(part)) {
    for (TsScrollPart other : {spFirstButton, spSecondButton, spThumb})
      if (other != part) PutState(other, psNormal);
    PutState(spTrackBefore, psHot);
    PutState(spTrackAfter, psHot);
  } else {
    for (TsScrollPart other : {spFirstButton, spSecondButton, spThumb}) PutState(other, psNormal);
    PutState(part == spTrackBefore ? spTrackAfter : spTrackBefore, psHot);
  }
}

bool TsScrollModel::AnyPressed() const noexcept {
  return std::find(FStates.begin(), FStates.end(), psPressed) != FStates.end();
}

bool TsScrollModel::Pressing() const noexcept { return AnyPressed() || Timer != rtNone || Deferring; }

// ---- timers -----------------------------------------------------------------------------------

void TsScrollModel::StartTimer(TsRepeatTimer kind, UINT interval) {
  Timer = kind;
  FEvents.RepeatTimer(kind, interval);
}

void TsScrollModel::StopTimer() {
  if (Timer == rtNone) return;
  Timer = rtNone;
  FEvents.RepeatTimer(rtNone, 0);
}

// ---- input ------------------------------------------------------------------------------------

void TsScrollModel::MouseDown(TPoint p, TsPartState linkState) {
  DragOffset = 0;
  const TsScrollLayout l = Layout();
  const TsScrollPart hit = HitTest(p);
  switch (hit) {
    case spFirstButton:
      if (FStates[spFirstButton] == psPressed) break;
      SetState(spFirstButton, psPressed);
      PressedPart = scLineUp;
      PaintLocked = true;
      if (F.Position == F.Min)
        Notice(scLineUp);  // nothing to move: the owner still hears of the press
      else
        MoveBy(-F.SmallChange);
      StartTimer(rtLine, sRepeatFirstDelay);
      break;
    case spSecondButton:
      if (FStates[spSecondButton] == psPressed) break;
      SetState(spSecondButton, psPressed);
      PressedPart = scLineDown;
      if (F.Position == F.Max) break;
      PaintLocked = true;
      MoveBy(F.SmallChange);
      StartTimer(rtLine, sRepeatFirstDelay);
      break;
    case spThumb:
      PressedPart = scTrack;
      // The change is held back from the position the drag starts at, once per drag.
      if (!Smooth && !Deferring) {
        Deferring = true;
        DeferredOldPosition = F.Position;
      }
      if (FStates[spThumb] == psPressed) break;
      DragStartPosition = F.Position;
      DragOffset = static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(PositionAt(l.AlongOf(p))) - F.Position,
                                                         INT_MIN, INT_MAX));
      SetState(spThumb, psPressed);
      StartTimer(rtDrag, sDragInterval);
      break;
    case spTrackBefore:
    case spTrackAfter: {
      const bool before = hit == spTrackBefore;
      const TsScrollPart part = before ? spTrackBefore : spTrackAfter;
      PressedPart = before ? scPageUp : scPageDown;
      if (FStates[part] == psPressed) break;
      SetState(part, psPressed);
      // Only the other track's own state: the cascade of SetState would lift the press again.
      PutState(before ? spTrackAfter : spTrackBefore, linkState);
      PaintLocked = true;
      MoveBy(before ? -F.LargeChange : F.LargeChange);
      StartTimer(rtPage, sRepeatFirstDelay);
      break;
    }
    case spNone:
      break;
  }
}

void TsScrollModel::DragTo(int along) {
  const int pos = SaturatingAdd(PositionAt(along), -static_cast<int64_t>(DragOffset));
  if (pos == F.Position) return;
  PaintLocked = true;
  SetParams(pos, F.Min, F.Max);
}

void TsScrollModel::MouseMove(TPoint p) {
  const TsScrollLayout l = Layout();
  if (FStates[spThumb] == psPressed) {
    DragTo(l.AlongOf(p));
    return;
  }
  auto over = [&](TsScrollPart part) { return PtInRect(&l.Parts[part], p) != FALSE; };
  if (over(spThumb)) {
    if (FStates[spThumb] != psPressed) SetState(spThumb, psHot);
  } else if (over(spFirstButton)) {
    if (FStates[spFirstButton] != psPressed) SetState(spFirstButton, psHot);
  } else if (over(spSecondButton)) {
    if (FStates[spSecondButton] != psPressed) SetState(spSecondButton, psHot);
  } else {
    for (TsScrollPart part : {spFirstButton, spSecondButton, spThumb}) SetState(part, psNormal);
  }
}

void TsScrollModel::MouseUp(TPoint p, TsPartState linkState) {
  StopTimer();
  const TsScrollLayout l = Layout();
  const bool thumbPressed = FStates[spThumb] == psPressed;
  if (thumbPressed || PtInRect(&l.Parts[spThumb], p)) {
    PressedPart = scPosition;
    PutState(spTrackBefore, linkState);
    PutState(spTrackAfter, linkState);
    if (thumbPressed) {
      DragTo(l.AlongOf(p));
      const TsScrollLayout now = Layout();
      SetState(spThumb, PtInRect(&now.Parts[spThumb], p) ? psHot : psNormal);
      if (Deferring) {
        Deferring = false;
        const int old = DeferredOldPosition;
        DeferredOldPosition = 0;
        Change(old);
      }
    }
  } else {
    for (TsScrollPart button : {spFirstButton, spSecondButton})
      if (FStates[button] == psPressed)
        // A button released away from it ends normal, not pressed.
        SetState(button, PtInRect(&l.Parts[button], p) ? psHot : psNormal);
    for (TsScrollPart track : {spTrackBefore, spTrackAfter})
      if (FStates[track] == psPressed) PutState(track, linkState);
  }
  // Nothing may stay pressed after a release.
  for (int i = 0; i < sScrollPartCount; ++i)
    if (FStates[static_cast<size_t>(i)] == psPressed) PutState(static_cast<TsScrollPart>(i), psNormal);
}

void TsScrollModel::MouseEnter() noexcept {
  for (TsScrollPart track : {spTrackBefore, spTrackAfter})
    if (FStates[track] != psPressed) PutState(track, psHot);
}

void TsScrollModel::MouseLeave() noexcept {
  PutState(spFirstButton, psNormal);
  PutState(spSecondButton, psNormal);
  if (FStates[spThumb] == psPressed) return;
  PutState(spThumb, psNormal);
  PutState(spTrackBefore, psNormal);
  PutState(spTrackAfter, psNormal);
}

bool TsScrollModel::KeyDown(WORD key) {
  // The notice of a key carries the code of the step it makes.
  switch (key) {
    case VK_PRIOR:
      PressedPart = scPageUp;
      MoveBy(-F.LargeChange);
      return true;
    case VK_NEXT:
      PressedPart = scPageDown;
      MoveBy(F.LargeChange);
      return true;
    case VK_END:
      PressedPart = scBottom;
      SetParams(F.Max, F.Min, F.Max);
      return true;
    case VK_HOME:
      PressedPart = scTop;
      SetParams(F.Min, F.Min, F.Max);
      return true;
    case VK_LEFT:
    case VK_UP:
      PressedPart = scLineUp;
      MoveBy(-F.SmallChange);
      return true;
    case VK_RIGHT:
    case VK_DOWN:
      PressedPart = scLineDown;
      MoveBy(F.SmallChange);
      return true;
    default:
      return false;
  }
}

void TsScrollModel::TimerTick(TPoint mouse) {
  switch (Timer) {
    case rtLine:
      if (FStates[spFirstButton] == psPressed)
        MoveBy(-F.SmallChange);
      else if (FStates[spSecondButton] == psPressed)
        MoveBy(F.SmallChange);
      else
        return StopTimer();
      StartTimer(rtLine, sRepeatInterval);
      return;
    case rtPage: {
      // Repeats while the thumb has not yet reached the mouse.
      const int under = PositionAt(Layout().AlongOf(mouse));
      if (FStates[spTrackBefore] == psPressed && under < F.Position)
        MoveBy(-F.LargeChange);
      else if (FStates[spTrackAfter] == psPressed && under > F.Position)
        MoveBy(F.LargeChange);
      else
        return StopTimer();
      StartTimer(rtPage, sRepeatInterval);
      return;
    }
    case rtDrag:
      if (FStates[spThumb] != psPressed) return StopTimer();
      DragTo(Layout().AlongOf(mouse));
      return;
    case rtNone:
      return;
  }
}

void TsScrollModel::Cancel() {
  if (FStates[spThumb] == psPressed) {
    StopTimer();
    PressedPart = scPosition;
    if (F.Position != DragStartPosition) SetParams(DragStartPosition, F.Min, F.Max);
    Deferring = false;
    DeferredOldPosition = 0;
  }
  Abort();
}

void TsScrollModel::Abort() {
  StopTimer();
  PaintLocked = false;
  DragOffset = 0;
  if (Deferring) {
    // The position already moved with the drag: its owner hears of it once, now.
    Deferring = false;
    const int old = DeferredOldPosition;
    DeferredOldPosition = 0;
    Change(old);
  }
  for (int i = 0; i < sScrollPartCount; ++i) PutState(static_cast<TsScrollPart>(i), psNormal);
  PressedPart = scNoPart;
}

}  // namespace korv
