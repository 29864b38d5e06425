// Small controls the control and form tests build on.
#pragma once

#include <string>
#include <vector>

#include "classlib/Controls.h"
#include "classlib/Forms.h"

namespace korv::test {

// A graphic control that fills itself (or, with Overdraw, far more than itself) and counts
// what reaches it.
class TColorBox : public TGraphicControl {
 public:
  explicit TColorBox(TComponent* owner, TColor fill = clRed) : TGraphicControl(owner), Fill(fill) {
    SetBounds(0, 0, 20, 20);
  }
  TColor Fill;
  bool Overdraw = false;
  int Enters = 0, Leaves = 0, Downs = 0, Ups = 0, Moves = 0, Clicks = 0, Paints = 0, CaptureLost = 0;
  TPoint LastMove{-1, -1}, LastUp{-1, -1};

  void Dispatch(TMessage& m) override {
    switch (m.Msg) {
      case CM_MOUSEENTER:
        if (m.LParam == 0) ++Enters;
        break;
      case CM_MOUSELEAVE:
        if (m.LParam == 0) ++Leaves;
        break;
      case WM_CAPTURECHANGED: ++CaptureLost; break;
      default: break;
    }
    TGraphicControl::Dispatch(m);
  }

 protected:
  void Paint() override {
    ++Paints;
    Canvas()->Brush()->SetColor(Fill);
    Canvas()->FillRect(Overdraw ? Rect(-100, -100, 1000, 1000) : ClientRect());
  }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    ++Downs;
    TGraphicControl::MouseDown(b, s, x, y);
  }
  void MouseMove(TShiftState s, int x, int y) override {
    ++Moves;
    LastMove = Point(x, y);
    TGraphicControl::MouseMove(s, x, y);
  }
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override {
    ++Ups;
    LastUp = Point(x, y);
    TGraphicControl::MouseUp(b, s, x, y);
  }
  void Click() override {
    ++Clicks;
    TGraphicControl::Click();
  }
};

// A windowed control that fills itself and can take the focus; it answers CM_DIALOGCHAR for the
// accelerator of its caption.
class TBox : public TCustomControl {
 public:
  explicit TBox(TComponent* owner, TColor fill = clBlue) : TCustomControl(owner), Fill(fill) {
    SetBounds(0, 0, 40, 30);
    SetTabStop(true);
  }
  TColor Fill;
  int Enters = 0, Leaves = 0, Clicks = 0, Accels = 0, KeyDowns = 0;
  std::vector<WORD> Keys;

  void Dispatch(TMessage& m) override {
    switch (m.Msg) {
      case CM_MOUSEENTER:
        if (m.LParam == 0) ++Enters;
        break;
      case CM_MOUSELEAVE:
        if (m.LParam == 0) ++Leaves;
        break;
      case CM_DIALOGCHAR:
        if (IsAccel(static_cast<WORD>(m.WParam), Caption()) && Enabled()) {
          ++Accels;
          Click();
          m.Result = 1;
          return;
        }
        break;
      case WM_KEYDOWN:
        ++KeyDowns;
        Keys.push_back(static_cast<WORD>(m.WParam));
        break;
      default:
        break;
    }
    TCustomControl::Dispatch(m);
  }

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(Fill);
    Canvas()->FillRect(ClientRect());
  }
  void Click() override {
    ++Clicks;
    TCustomControl::Click();
  }
};

}  // namespace korv::test
