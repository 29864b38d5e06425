// The panel's painting and the timer's life cycle on real windows.
#include <gtest/gtest.h>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "support/GuiTest.h"
#include "support/Pixels.h"
#include "ControlsTestKit.h"

namespace korv::test {
namespace {

class PanelTest : public TFormTest {};

TEST_F(PanelTest, RaisedBevelColoursAndTheInnerAreaLeftToChildren) {
  TForm* f = NewForm(80, 80, 300, 200);
  auto* p = NewComponent<TPanel>(f);
  p->SetBounds(10, 10, 120, 80);
  p->SetColor(0x5A7A9A);
  p->SetBevelWidth(2);
  p->SetParent(f);
  auto* child = NewComponent<TColorBox>(f);
  child->SetAlign(alClient);
  child->SetParent(p);
  f->HandleNeeded();
  // Aligned children start inside the bevel.
  EXPECT_EQ(child->Left(), 2);
  EXPECT_EQ(child->Top(), 2);
  EXPECT_EQ(child->Width(), 120 - 4);

  child->SetVisible(false);
  TBitmap bmp(120, 80);
  HDC dc = bmp.Canvas()->Handle();
  p->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  p->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  TPixelImage img = BitmapImage(bmp);
  TColor hi = ColorToRGB(clBtnHighlight), sh = ColorToRGB(clBtnShadow);
  EXPECT_EQ(img.At(0, 0), hi);
  EXPECT_EQ(img.At(1, 40), hi);
  EXPECT_EQ(img.At(119, 79), sh);
  EXPECT_EQ(img.At(118, 40), sh);
  EXPECT_EQ(img.At(60, 2), ColorToRGB(p->Color()));
  // Lowered swaps the sides.
  p->SetBevelOuter(bvLowered);
  p->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  img = BitmapImage(bmp);
  EXPECT_EQ(img.At(0, 0), sh);
  EXPECT_EQ(img.At(119, 79), hi);
}

TEST_F(PanelTest, CaptionIsDrawnInsideTheBevelInTheFontColour) {
  TForm* f = NewForm();
  auto* p = NewComponent<TPanel>(f);
  p->SetBounds(0, 0, 160, 40);
  p->SetColor(clWhite);
  p->Font()->SetColor(clBlack);
  p->SetParent(f);
  f->HandleNeeded();
  TBitmap bmp(160, 40);
  HDC dc = bmp.Canvas()->Handle();
  p->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  EXPECT_EQ(BitmapImage(bmp).Count(Rect(1, 1, 159, 39), clBlack), 0);
  p->SetCaption("Wide caption");
  p->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  TPixelImage img = BitmapImage(bmp);
  // Text pixels lie in the measured band, centred.
  SIZE ext{};
  {
    TBitmap probe(1, 1);
    probe.Canvas()->SetFont(p->Font());
    ext = probe.Canvas()->TextExtent("Wide caption");
  }
  int left = (160 - ext.cx) / 2, top = (40 - ext.cy) / 2;
  EXPECT_GT(img.Count(Rect(left, top, left + ext.cx, top + ext.cy), clBlack), 0);
  EXPECT_EQ(img.Count(Rect(1, 1, left - 2, 39), clBlack), 0);
}

class TimerSink {
 public:
  int Ticks = 0;
  TTimer* FreeOnTick = nullptr;
  void Tick(TObject* sender) {
    ++Ticks;
    if (FreeOnTick == sender) {
      FreeOnTick = nullptr;
      delete static_cast<TTimer*>(sender);
    }
  }
};

class TimerTest : public TFormTest {};

TEST_F(TimerTest, TicksWhileEnabledAndStopsWhenDisabled) {
  TimerSink sink;
  const std::unique_ptr<TTimer> tPtr(NewComponent<TTimer>(nullptr));
  TTimer& t = *tPtr;
  t.SetInterval(20);
  t.SetOnTimer(TNotifyEvent(&sink, &TimerSink::Tick));
  ASSERT_TRUE(PumpUntil([&] { return sink.Ticks >= 3; }));
  t.SetEnabled(false);
  int n = sink.Ticks;
  // A WM_TIMER still queued must not tick a disabled timer.
  PostMessageA(t.WindowHandle(), WM_TIMER, 1, 0);
  PumpPending();
  EXPECT_EQ(sink.Ticks, n);
  // No handler, no system timer.
  t.SetOnTimer(nullptr);
  t.SetEnabled(true);
  EXPECT_FALSE(KillTimer(t.WindowHandle(), 1));
}

TEST_F(TimerTest, ATimerFreedInsideItsOwnTickIsGoneCleanly) {
  TimerSink sink;
  auto* t = NewComponent<TTimer>(nullptr);
  HWND w = t->WindowHandle();
  sink.FreeOnTick = t;
  t->SetInterval(10);
  t->SetOnTimer(TNotifyEvent(&sink, &TimerSink::Tick));
  ASSERT_TRUE(PumpUntil([&] { return sink.Ticks == 1 && sink.FreeOnTick == nullptr; }));
  EXPECT_FALSE(IsWindow(w));
  PumpUntil([&] { return sink.Ticks > 1; }, 100);
  EXPECT_EQ(sink.Ticks, 1);
}

TEST_F(TimerTest, OwnedTimerDiesWithItsOwner) {
  TForm* f = NewForm();
  auto* t = NewComponent<TTimer>(f);
  HWND w = t->WindowHandle();
  ASSERT_TRUE(IsWindow(w));
  Forms_.clear();
  delete f;
  EXPECT_FALSE(IsWindow(w));
}

}  // namespace
}  // namespace korv::test
