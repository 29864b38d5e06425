// TFlatSplitter: a thin flat bar aligned to one side of its parent that the user drags to resize
// the neighbouring control on that side. The new position shows as an inverted line on the
// parent during the drag; releasing the button applies it, Escape cancels; both fire OnMoved.
#pragma once

#include <windows.h>

#include "classlib/Controls.h"
#include "classlib/Graphics.h"
#include "classlib/Handles.h"
#include "widgets/FlatUtilitys.h"

namespace korv {

class TFlatSplitter : public TGraphicControl {
  KORV_CLASS(TFlatSplitter, TGraphicControl)
 public:
  explicit TFlatSplitter(TComponent* owner);
  // A drag still running is cancelled: nothing applied, the line erased, the key handler given
  // back.
  ~TFlatSplitter() override;

  // Percents by index: 0 AdvColorBorder, 1 AdvColorFocused (0..100; other values raise
  // ERangeError).
  [[nodiscard]] TAdvColors GetAdvColors(int index) const noexcept;
  void SetAdvColors(int index, int v);
  [[nodiscard]] TAdvColors AdvColorBorder() const noexcept { return FAdvColorBorder; }
  void SetAdvColorBorder(int v) { SetAdvColors(0, v); }
  [[nodiscard]] TAdvColors AdvColorFocused() const noexcept { return FAdvColorFocused; }
  void SetAdvColorFocused(int v) { SetAdvColors(1, v); }
  [[nodiscard]] bool UseAdvColors() const noexcept { return FUseAdvColors; }
  void SetUseAdvColors(bool v);

  // Colours by index: 0 ColorFocused, 1 ColorBorder.
  [[nodiscard]] TColor GetColors(int index) const noexcept;
  void SetColors(int index, TColor v);
  [[nodiscard]] TColor ColorFocused() const noexcept { return FColorFocused; }
  void SetColorFocused(TColor v) { SetColors(0, v); }
  [[nodiscard]] TColor ColorBorder() const noexcept { return FColorBorder; }
  void SetColorBorder(TColor v) { SetColors(1, v); }

  // Smallest size of the resized control and of the space left beside it (1 or more; other
  // values raise ERangeError).
  [[nodiscard]] int MinSize() const noexcept { return FMinSize; }
  void SetMinSize(int v);

  // Fired at the end of every drag, applied or cancelled (Sender = the splitter).
  TNotifyEvent OnMoved;

  // Drag state, for diagnostics and tests.
  [[nodiscard]] bool Sizing() const noexcept { return FControl != nullptr; }
  [[nodiscard]] TControl* ResizedControl() const noexcept { return FControl; }
  [[nodiscard]] int NewSize() const noexcept { return FNewSize; }
  [[nodiscard]] int MaxSize() const noexcept { return FMaxSize; }
  [[nodiscard]] bool LineVisible() const noexcept { return FLineVisible; }
  // The rectangle the line covers now, in the parent's client coordinates.
  [[nodiscard]] TRect LineRect() const noexcept;
  [[nodiscard]] bool Lit() const noexcept { return FLit == 0; }

  void Dispatch(TMessage& message) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  [[nodiscard]] TControl* FindResizedControl() const;
  void CalcSplitSize(int x, int y, int& newSize, int& split) const;
  void DrawLine();
  void ApplySize();
  // Ends a drag: erases the line, forgets the control, releases the DC, gives the key handler
  // back. fireMoved: OnMoved runs afterwards (not while the splitter is being destroyed).
  // dying: a control in the middle of its destruction, forgotten without being touched.
  void StopSizing(bool fireMoved = true, TComponent* dying = nullptr);
  void FocusKeyDown(TObject* sender, WORD& key, TShiftState shift);
  void ApplyAdvColors();
  void SetLit(uint8_t v);

  TAdvColors FAdvColorBorder = 0;
  TAdvColors FAdvColorFocused = 0;
  bool FUseAdvColors = false;
  TColor FColorFocused = 0x53D2FF;
  TColor FColorBorder = 0x555E66;
  int FMinSize = 30;

  TControl* FControl = nullptr;  // the control being resized during a drag
  TPoint FDownPos{};
  int FSplit = 0;
  int FMaxSize = 0;
  int FNewSize = 0;
  TWindowDC FLineDC;
  TUniqueBrush FLineBrush;
  bool FLineVisible = false;
  TWinControl* FActiveControl = nullptr;  // the form's active control while its key handler is ours
  TKeyEvent FOldKeyDown;
  uint8_t FLit = 1;  // 0 while the mouse is over the splitter
};

}  // namespace korv
