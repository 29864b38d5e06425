// The edit box over the system "EDIT" class: typed text and its limits, the change event, the
// colours answered through the reflected colour messages, and the input method of its window.
#include <gtest/gtest.h>

// <windows.h> goes first: the other platform headers need it.
// clang-format off
#include <windows.h>
#include <imm.h>
// clang-format on

#include "classlib/StdCtrls.h"
#include "support/GuiTest.h"
#include "support/Pixels.h"

namespace korv::test {
namespace {

class EditTest : public TFormTest {};

struct ChangeCounter {
  int Changes = 0;
  void On(TObject*) { ++Changes; }
};

TEST_F(EditTest, TypedTextLimitsColoursAndInputMethod) {
  TForm* f = NewForm(150, 150, 320, 160);
  auto* e = NewComponent<TEdit>(f);
  e->SetParent(f);
  e->SetBounds(10, 10, 200, 30);
  const TColor back = 0x40C0F0, text = 0x2020A0;
  e->SetColor(back);
  e->Font()->SetColor(text);
  ChangeCounter counter;
  e->OnChange = TNotifyEvent(&counter, &ChangeCounter::On);
  ShowAndActivate(f);
  HWND h = e->Handle();
  e->SetText("abc");
  EXPECT_EQ(counter.Changes, 1);
  EXPECT_FALSE(e->Modified()) << "text set by the program is not a user change";
  e->SetMaxLength(5);
  e->SelectAll();
  for (char c : std::string("WWWWWWW")) PostMessageA(h, WM_CHAR, static_cast<unsigned char>(c), 1);
  ASSERT_TRUE(PumpUntil([&] { return e->Text() == "WWWWW"; })) << e->Text();
  EXPECT_TRUE(e->Modified());
  EXPECT_GE(counter.Changes, 2);

  // Writable, the box asks with WM_CTLCOLOREDIT, read-only with WM_CTLCOLORSTATIC: both come
  // back reflected and are answered with Color and Font.Color.
  auto paintedWith = [&](TColor expectBack) {
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    TPixelImage img;
    EXPECT_TRUE(PumpUntil([&] {  // the screen shows the drawing once the system flushed it
      img = CaptureClient(h);
      return img.At(img.Width() - 3, img.Height() - 3) == ColorToRGB(expectBack) &&
             img.Count(Rect(0, 0, img.Width(), img.Height()), ColorToRGB(text)) > 0;
    })) << std::hex
        << img.At(img.Width() - 3, img.Height() - 3);
  };
  paintedWith(back);
  e->SetReadOnly(true);
  paintedWith(back);
  e->SetColor(clWindow);
  paintedWith(clWindow);
  PostMessageA(h, WM_CHAR, 'x', 1);
  PumpPending();
  EXPECT_EQ(e->Text(), "WWWWW") << "read-only";

  // A disabled input method detaches the window from the thread's input context, also a new
  // window of the control; the default one brings it back.
  auto context = [&] {
    HIMC imc = ImmGetContext(e->Handle());
    if (imc) ImmReleaseContext(e->Handle(), imc);
    return imc != nullptr;
  };
  ASSERT_TRUE(context());
  e->SetImeMode(imDisable);
  e->RecreateWnd();
  EXPECT_FALSE(context());
  e->SetImeMode(imDontCare);
  EXPECT_TRUE(context());
}

}  // namespace
}  // namespace korv::test
