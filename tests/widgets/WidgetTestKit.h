// Shared pieces of the flat widget tests: a form fixture with real mouse input and pixel
// read-back, event counters, and glyph bitmaps made in the test.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "classlib/Controls.h"
#include "classlib/Forms.h"
#include "classlib/Graphics.h"
#include "support/GuiTest.h"
#include "support/Pixels.h"

namespace korv::test {

// Counts notify events and remembers the sender and the calling thread.
struct TEventCounter {
  int Count = 0;
  TObject* Sender = nullptr;
  DWORD Thread = 0;
  void Fire(TObject* sender) {
    ++Count;
    Sender = sender;
    Thread = GetCurrentThreadId();
  }
  [[nodiscard]] TNotifyEvent Event() { return TNotifyEvent(this, &TEventCounter::Fire); }
};

class TWidgetTest : public TFormTest {
 protected:
  void SetUp() override {
    TFormTest::SetUp();
    Form = NewForm(100, 100, 360, 260);
  }

  // Shows the form, activates it and waits until it has painted.
  void ShowForm() {
    MoveTo(Elsewhere());  // the pointer may rest anywhere after an earlier test
    ShowAndActivate(Form);
    Form->Update();
    PumpPending();
  }

  // Real input through the driver thread; the test thread pumps meanwhile.
  void Input(const std::function<void(TInputDriver&)>& steps) {
    TInputDriver d;
    ASSERT_TRUE(d.Run(steps)) << d.Error();
  }
  void MoveTo(TPoint screen) {
    Input([&](TInputDriver& d) { d.MoveTo(screen.x, screen.y); });
  }
  void Press() {
    Input([](TInputDriver& d) { d.LeftDown(); });
  }
  void Release() {
    Input([](TInputDriver& d) { d.LeftUp(); });
  }
  void KeyDown(WORD vk) {
    Input([vk](TInputDriver& d) { d.Key(vk, true); });
  }
  void KeyUp(WORD vk) {
    Input([vk](TInputDriver& d) { d.Key(vk, false); });
  }

  // A point of a control in screen coordinates.
  [[nodiscard]] static TPoint At(const TControl* c, int x, int y) { return c->ClientToScreen(Point(x, y)); }
  // A place on the form away from every control of the tests.
  [[nodiscard]] TPoint Elsewhere() const {
    return Form->ClientToScreen(Point(Form->ClientWidth() - 4, Form->ClientHeight() - 4));
  }

  // What a windowed control shows now (pending painting done first).
  [[nodiscard]] TPixelImage Shot(TWinControl* c) {
    PumpPending();
    c->Update();
    return CaptureClient(c->Handle());
  }
  // What the form's client area shows now.
  [[nodiscard]] TPixelImage FormShot() { return Shot(Form); }

  TForm* Form = nullptr;
};

[[nodiscard]] inline TColor RGBOf(TColor c) { return ColorToRGB(c); }

// Fills a bitmap (24-bit) with one colour and paints rectangles into it through scan lines.
inline void FillBitmap(TBitmap& b, const TRect& r, TColor c) {
  for (int y = std::max<int>(r.top, 0); y < std::min<int>(r.bottom, b.Height()); ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int x = std::max<int>(r.left, 0); x < std::min<int>(r.right, b.Width()); ++x) {
      row[3 * x] = static_cast<uint8_t>(c >> 16);
      row[3 * x + 1] = static_cast<uint8_t>(c >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(c);
    }
  }
}

}  // namespace korv::test
