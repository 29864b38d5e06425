// The demo's window driven end to end with real input: rows selected by clicks, dragged out onto
// a drop target in another window, and given the shell's context menu.
#include <windows.h>

#include "DemoTestKit.h"
#include "shell/browser/ShellBrowser.h"
#include "shell/dragdrop/DropSource.h"

namespace korv::test {
namespace {

const std::vector<std::string> kFiles = {"alpha.txt", "bravo.txt", "charlie.txt", "delta.txt"};

class EndToEnd : public TDemoWindowTest {
 protected:
  // Selects rows a and c with real clicks: a click, then a Ctrl+click.
  void SelectTwo(int a, int c) {
    ClickRow(a);
    ASSERT_TRUE(PumpUntil([&] { return Form->ListView1->SelectedRows() == std::vector<int>{a}; }))
        << "a click did not select the row; selected " << Form->ListView1->SelCount();
    ClickRow(c, true);
    ASSERT_TRUE(PumpUntil([&] {
      return Form->ListView1->SelectedRows() == std::vector<int>{std::min(a, c), std::max(a, c)};
    })) << "a Ctrl+click did not add the row to the selection; selected "
        << Form->ListView1->SelCount();
  }
};

// Sees the list's presses on selected rows before the form's handler does.
struct TDownSpy {
  TForm1* Form = nullptr;
  TEvent LeftDown;
  void Fire(TObject* sender, int x, int y, bool& handled) {
    LeftDown.Set();
    Form->ListView1SelectedRowPress(sender, x, y, handled);
  }
};

TEST_F(EndToEnd, DraggingTwoSelectedRowsOntoAnotherWindowDropsExactlyThoseFiles) {
  TTestDropTarget target;
  TTestWindow window(880, 120, 300, 300, &target);
  ASSERT_TRUE(window.Registered());
  OpenWindow(kFiles);
  const int a = RowOf("alpha.txt"), c = RowOf("charlie.txt");
  SelectTwo(a, c);
  const std::vector<std::string> expected = PathsOf({a, c});

  TDownSpy spy;
  spy.Form = Form;
  Form->ListView1->OnSelectedRowPress = TRowPressEvent(&spy, &TDownSpy::Fire);
  const TPoint from = RowPoint(c);
  const TPoint to = Point(1030, 270);  // the middle of the drop window
  Input([&](TInputDriver& d) {
    if (!d.MoveTo(from.x, from.y) || !d.LeftDown() || !d.WaitFor(spy.LeftDown.Handle(), kDeadlineMs, "the press"))
      return;
    // Protocol minimum: the gesture counts a move only after the button was held this long.
    Sleep(DragDelay + 50);
    constexpr int kSteps = 40;
    for (int i = 1; i <= kSteps; ++i) {
      if (!d.MoveTo(from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps)) return;
      // Paced by the drag loop: about one step per feedback round.
      WaitForSingleObject(target.Entered.Handle(), 30);
    }
    if (!d.WaitFor(target.Entered.Handle(), kDeadlineMs, "the drop window's DragEnter")) return;
    d.MoveTo(to.x + 5, to.y + 5);
    d.LeftUp();
    d.WaitFor(target.Dropped.Handle(), kDeadlineMs, "the drop");
  });
  EXPECT_EQ(target.Enters, 1);
  EXPECT_EQ(target.Drops, 1);
  EXPECT_EQ(target.EnterAllowed, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_TRUE(SamePathSet(target.HDrop, expected)) << target.HDrop.size() << " files dropped";
  // A copy: the files stay where they are, and so does the selection.
  for (const std::string& p : expected) EXPECT_TRUE(FileExists(p)) << p;
  EXPECT_EQ(Form->ListView1->SelectedRows(), (std::vector<int>{a, c}));
}

TEST_F(EndToEnd, RightClickOnTwoSelectedRowsShowsTheShellMenuAndCopyPutsExactlyThemOnTheClipboard) {
  OpenWindow(kFiles);
  const int a = RowOf("bravo.txt"), c = RowOf("delta.txt");
  ASSERT_GE(a, 0);
  ASSERT_GE(c, 0);
  SelectTwo(a, c);
  const std::vector<std::string> expected = PathsOf({a, c});

  std::map<std::string, UINT> ids = ShellVerbIds(Box->Path(), {L"bravo.txt", L"delta.txt"});
  ASSERT_TRUE(ids.count("copy")) << "the shell offers no copy command";
  TShellBrowser* browser = Form->ShellBrowser1;
  TMenuPicker picker([browser]() -> HMENU { return browser->MergedMenu() ? browser->MergedMenu()->Handle() : nullptr; },
                     ids["copy"]);
  const TPoint at = RowPoint(c);
  Input([&](TInputDriver& d) { RightClick(d, at); });
  ASSERT_TRUE(PumpUntil([&] { return picker.Picked() && browser->MenuWindow() == nullptr; }))
      << "the menu was not shown or not picked from";
  EXPECT_FALSE(picker.SafetyFired());
  EXPECT_TRUE(SamePathSet(AnsiFileNames(ClipboardFiles()), expected));
  // The right click kept the selection it was made for, and the browser bound the listed folder.
  EXPECT_EQ(Form->ListView1->SelectedRows(), (std::vector<int>{a, c}));
  EXPECT_TRUE(AnsiSameText(WideToAnsi(browser->Folder()), Box->AnsiPath()));
  EXPECT_EQ(browser->MultiObjects()->Count(), 0);
}

TEST_F(EndToEnd, RightClickOnAnUnselectedRowShowsTheMenuForThatRowAlone) {
  OpenWindow(kFiles);
  const int a = RowOf("alpha.txt"), b = RowOf("charlie.txt");
  ClickRow(a);
  ASSERT_TRUE(PumpUntil([&] { return Form->ListView1->SelectedRows() == std::vector<int>{a}; }));

  std::map<std::string, UINT> ids = ShellVerbIds(Box->Path(), {L"charlie.txt"});
  ASSERT_TRUE(ids.count("copy"));
  TShellBrowser* browser = Form->ShellBrowser1;
  TMenuPicker picker([browser]() -> HMENU { return browser->MergedMenu() ? browser->MergedMenu()->Handle() : nullptr; },
                     ids["copy"]);
  const TPoint at = RowPoint(b);
  Input([&](TInputDriver& d) { RightClick(d, at); });
  ASSERT_TRUE(PumpUntil([&] { return picker.Picked() && browser->MenuWindow() == nullptr; }));
  EXPECT_TRUE(SamePathSet(AnsiFileNames(ClipboardFiles()), PathsOf({b})));
}

}  // namespace
}  // namespace korv::test
