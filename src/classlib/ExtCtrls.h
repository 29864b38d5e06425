// TCustomPanel/TPanel (a container with bevels and a caption) and TTimer (WM_TIMER on a hidden
// window of its own).
#pragma once

#include <windows.h>

#include "classlib/Controls.h"

namespace korv {

using TBevelWidth = int;

class TCustomPanel : public TCustomControl {
  KORV_CLASS(TCustomPanel, TCustomControl)
 public:
  explicit TCustomPanel(TComponent* owner);

  [[nodiscard]] TAlignment Alignment() const noexcept { return FAlignment; }
  void SetAlignment(TAlignment v);
  [[nodiscard]] TBevelCut BevelInner() const noexcept { return FBevelInner; }
  void SetBevelInner(TBevelCut v);
  [[nodiscard]] TBevelCut BevelOuter() const noexcept { return FBevelOuter; }
  void SetBevelOuter(TBevelCut v);
  [[nodiscard]] TBevelWidth BevelWidth() const noexcept { return FBevelWidth; }
  void SetBevelWidth(TBevelWidth v);
  [[nodiscard]] TBorderStyle BorderStyle() const noexcept { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle v);
  // Repaint the whole panel on a resize (the caption is centred).
  [[nodiscard]] bool FullRepaint() const noexcept { return FFullRepaint; }
  void SetFullRepaint(bool v) noexcept { FFullRepaint = v; }

  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void AdjustClientRect(TRect& rect) override;
  void Paint() override;

 private:
  TAlignment FAlignment = taCenter;
  TBevelCut FBevelInner = bvNone;
  TBevelCut FBevelOuter = bvRaised;
  TBevelWidth FBevelWidth = 1;
  TBorderStyle FBorderStyle = bsNone;
  bool FFullRepaint = true;
};

class TPanel : public TCustomPanel {
  KORV_CLASS(TPanel, TCustomPanel)
 public:
  explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
};

// Draws a 3-D frame of width pixels inside rect and shrinks rect by it.
void Frame3D(HDC dc, TRect& rect, TColor topColor, TColor bottomColor, int width);

class TTimer : public TComponent {
  KORV_CLASS(TTimer, TComponent)
 public:
  explicit TTimer(TComponent* owner);
  // Safe inside the timer's own OnTimer: nothing of the timer is used after the handler.
  ~TTimer() override;

  [[nodiscard]] bool Enabled() const noexcept { return FEnabled; }
  void SetEnabled(bool v);
  [[nodiscard]] UINT Interval() const noexcept { return FInterval; }
  void SetInterval(UINT v);
  [[nodiscard]] const TNotifyEvent& OnTimer() const noexcept { return FOnTimer; }
  void SetOnTimer(TNotifyEvent v);
  // The hidden window that receives WM_TIMER (tests and diagnostics).
  [[nodiscard]] HWND WindowHandle() const noexcept { return FWindowHandle; }

 protected:
  virtual void Timer();

 private:
  void UpdateTimer();
  void WndProc(TMessage& m);

  bool FEnabled = true;
  UINT FInterval = 1000;
  TNotifyEvent FOnTimer;
  HWND FWindowHandle = nullptr;
  bool FRunning = false;
};

}  // namespace korv
