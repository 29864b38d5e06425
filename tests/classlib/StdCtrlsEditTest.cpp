// The edit box over the system "EDIT" class: typed text, its limits and read-only state, the
// change event, the colours answered through the reflected colour messages, and the input
// method of its window.
#include <gtest/gtest.h>

#include <windows.h>
#include <imm.h>

#include "classlib/StdCtrls.h"
#include "support/GuiTest.h"
#include "support/Pixels.h"

namespace korv::test {
namespace {

class EditTest : public TFormTest {
 protected:
  static void Type(HWND h, const char* text) {
    for (const char* p = text; *p; ++p) PostMessageA(h, WM_CHAR, static_cast<unsigned char>(*p), 1);
  }
};

struct ChangeCounter {
  int Changes = 0;
  void On(TObject*) { ++Changes; }
};

TEST_F(EditTest, TypedTextLimitsReadOnlyAndChanges) {
  TForm* f = NewForm(150, 150, 320, 160);
  auto* e = new TEdit(f);
  e->SetParent(f);
  e->SetBounds(10, 10, 200, 24);
  ChangeCounter counter;
  e->OnChange = TNotifyEvent(&counter, &ChangeCounter::On);
  ShowAndActivate(f);
  e->SetFocus();
  HWND h = e->Handle();

  e->SetText("abc");
  EXPECT_EQ(counter.Changes, 1);
  EXPECT_FALSE(e->Modified()) << "text set by the program is not a user change";
  e->SetMaxLength(5);
  e->SelectAll();
  Type(h, "123456789");
  ASSERT_TRUE(PumpUntil([&] { return e->Text() == "12345"; })) << e->Text();
  EXPECT_TRUE(e->Modified());
  EXPECT_GE(counter.Changes, 2);
  EXPECT_EQ(e->SelStart(), 5);

  e->SetReadOnly(true);
  EXPECT_TRUE(GetWindowLongA(h, GWL_STYLE) & ES_READONLY);
  int changes = counter.Changes;
  Type(h, "x");
  PumpUntil([] { return false; }, 100);
  EXPECT_EQ(e->Text(), "12345");
  EXPECT_EQ(counter.Changes, changes);

  // The state outlives a new window.
  e->SetModified(true);
  e->SetBorderStyle(bsNone);
  EXPECT_NE(e->Handle(), h);
  EXPECT_FALSE(GetWindowLongA(e->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_EQ(e->Text(), "12345");
  EXPECT_TRUE(e->Modified());
  EXPECT_TRUE(GetWindowLongA(e->Handle(), GWL_STYLE) & ES_READONLY);
  EXPECT_EQ(SendMessageA(e->Handle(), EM_GETLIMITTEXT, 0, 0), 5);
  EXPECT_THROW(e->SetBorderStyle(bsSizeable), EInvalidOperation);
}

TEST_F(EditTest, TheReflectedColourMessagesPaintWithColorAndFont) {
  TForm* f = NewForm(150, 150, 320, 160);
  auto* e = new TEdit(f);
  e->SetParent(f);
  e->SetBounds(10, 10, 200, 30);
  e->SetBorderStyle(bsNone);
  const TColor back = 0x40C0F0, text = 0x2020A0;
  e->SetColor(back);
  e->Font()->SetColor(text);
  e->SetText("WWWW");
  ShowAndActivate(f);
  // The screen shows the drawing once the system has flushed it: wait for it.
  auto paintedWith = [&](TColor expectBack, TColor expectText) {
    RedrawWindow(e->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    TPixelImage img;
    EXPECT_TRUE(PumpUntil([&] {
      img = CaptureClient(e->Handle());
      return img.At(img.Width() - 3, img.Height() - 3) == ColorToRGB(expectBack) &&
             img.Count(Rect(0, 0, img.Width(), img.Height()), ColorToRGB(expectText)) > 0;
    })) << std::hex << img.At(img.Width() - 3, img.Height() - 3);
  };
  paintedWith(back, text);
  // Read-only edits ask with WM_CTLCOLORSTATIC: the same answer.
  e->SetReadOnly(true);
  paintedWith(back, text);
  e->SetColor(clWindow);
  paintedWith(clWindow, text);
}

TEST_F(EditTest, DisabledInputMethodDetachesTheWindowsContext) {
  TForm* f = NewForm(150, 150, 320, 160);
  auto* e = new TEdit(f);
  e->SetParent(f);
  HWND h = e->Handle();
  auto context = [](HWND w) {
    HIMC imc = ImmGetContext(w);
    if (imc) ImmReleaseContext(w, imc);
    return imc != nullptr;
  };
  ASSERT_TRUE(context(h)) << "a new window has the thread's input context";
  e->SetImeMode(imDisable);
  EXPECT_FALSE(context(h));
  // A new window of the control is detached as well.
  e->RecreateWnd();
  EXPECT_FALSE(context(e->Handle()));
  e->SetImeMode(imDontCare);
  EXPECT_TRUE(context(e->Handle()));
}

}  // namespace
}  // namespace korv::test
