// The demo's window driven end to end with real input: rows selected by clicks, dragged out onto
// a drop target in another window, and given the shell's context menu.
#include <windows.h>

#include "DemoTestKit.h"
#include "shell/browser/ShellBrowser.h"
#include "shell/dragdrop/DropSource.h"

namespace korv::test {
namespace {

const std::vector<std::string> kFiles = {"alpha.txt", "bravo.txt", "charlie.txt", "delta.txt"};

// Sees the list's presses on selected rows before the form's handler does.
struct TDownSpy {
  TForm1* Form = nullptr;
  TEvent LeftDown;
  void Fire(TObject* sender, int x, int y, bool& handled) {
    LeftDown.Set();
    Form->ListView1SelectedRowPress(sender, x, y, handled);
  }
};

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

  // Drags the selected rows from a row onto the middle of the drop window at (880, 120) with real
  // input and drops them there. With shift set, Shift goes down once the drag has left the list (a
  // Shift held on the press would select a range of rows) and comes up after the drop.
  void DragRowOntoTheDropWindow(TPoint from, TTestDropTarget& target, bool shift = false) {
    TDownSpy spy;
    spy.Form = Form;
    Form->ListView1->OnSelectedRowPress = TRowPressEvent(&spy, &TDownSpy::Fire);
    const TPoint to = Point(1030, 270);
    const int outside = Form->Left() + Form->Width() + 20;
    Input([&](TInputDriver& d) {
      if (!d.MoveTo(from.x, from.y) || !d.LeftDown() || !d.WaitFor(spy.LeftDown.Handle(), kDeadlineMs, "the press"))
        return;
      // Protocol minimum: the gesture counts a move only after the button was held this long.
      Sleep(DragDelay + 50);
      constexpr int kSteps = 40;
      for (int i = 1; i <= kSteps; ++i) {
        const int x = from.x + (to.x - from.x) * i / kSteps;
        if (!d.MoveTo(x, from.y + (to.y - from.y) * i / kSteps)) return;
        if (shift && x > outside && !(GetAsyncKeyState(VK_SHIFT) & 0x8000) && !d.Key(VK_SHIFT, true)) return;
        // Paced by the drag loop: about one step per feedback round.
        WaitForSingleObject(target.Entered.Handle(), 30);
      }
      if (!d.WaitFor(target.Entered.Handle(), kDeadlineMs, "the drop window's DragEnter")) return;
      d.MoveTo(to.x + 5, to.y + 5);
      d.LeftUp();
      d.WaitFor(target.Dropped.Handle(), kDeadlineMs, "the drop");
    });
    if (GetAsyncKeyState(VK_SHIFT) & 0x8000) Input([](TInputDriver& d) { d.Key(VK_SHIFT, false); });
    Form->ListView1->OnSelectedRowPress = TRowPressEvent(Form, &TForm1::ListView1SelectedRowPress);
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

  DragRowOntoTheDropWindow(RowPoint(c), target);
  EXPECT_EQ(target.Enters, 1);
  EXPECT_EQ(target.Drops, 1);
  // Copy, move and link are all offered; the target took the copy.
  EXPECT_EQ(target.EnterAllowed, static_cast<DWORD>(DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK));
  EXPECT_TRUE(SamePathSet(target.HDrop, expected)) << target.HDrop.size() << " files dropped";
  // A copy: the files stay where they are, and so does the selection.
  for (const std::string& p : expected) EXPECT_TRUE(FileExists(p)) << p;
  EXPECT_EQ(Form->ListView1->SelectedRows(), (std::vector<int>{a, c}));
}

TEST_F(EndToEnd, AShiftDragReachesTheTargetWithTheMoveOfferedAndDropsAsAMove) {
  // A target that follows the keys as the shell does: Shift asks for a move.
  TTestDropTarget target;
  target.OverEffect = DROPEFFECT_MOVE;
  target.DropEffect = DROPEFFECT_MOVE;
  TTestWindow window(880, 120, 300, 300, &target);
  ASSERT_TRUE(window.Registered());
  OpenWindow(kFiles);
  const int b = RowOf("bravo.txt");
  ClickRow(b);
  ASSERT_TRUE(PumpUntil([&] { return Form->ListView1->SelectedRows() == std::vector<int>{b}; }));

  DragRowOntoTheDropWindow(RowPoint(b), target, true);
  EXPECT_EQ(target.Enters, 1);
  EXPECT_TRUE(target.EnterKeys & MK_SHIFT) << "keys at DragEnter " << target.EnterKeys;
  EXPECT_TRUE(target.EnterAllowed & DROPEFFECT_MOVE) << "allowed " << target.EnterAllowed;
  ASSERT_EQ(target.Drops, 1) << "the move was not let through to the drop";
  EXPECT_TRUE(SamePathSet(target.HDrop, PathsOf({b})));
  // Moving is the target's business: the demo itself deletes nothing.
  EXPECT_TRUE(FileExists(PathsOf({b})[0]));
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

TEST_F(EndToEnd, TheShellsDialogsAreOwnedByTheWindowWhichWaitsBehindThem) {
  OpenWindow(kFiles);
  const int d = RowOf("delta.txt");
  ClickRow(d);
  ASSERT_TRUE(PumpUntil([&] { return Form->ListView1->SelectedRows() == std::vector<int>{d}; }));
  std::map<std::string, UINT> ids = ShellVerbIds(Box->Path(), {L"delta.txt"});
  ASSERT_TRUE(ids.count("properties")) << "the shell offers no properties";
  TShellBrowser* browser = Form->ShellBrowser1;
  // The file's property sheet, opened from the menu and cancelled.
  TMenuPicker picker([browser]() -> HMENU { return browser->MergedMenu() ? browser->MergedMenu()->Handle() : nullptr; },
                     ids["properties"]);
  TDialogCloser closer(IDCANCEL);
  const TPoint at = RowPoint(d);
  Input([&](TInputDriver& in) { RightClick(in, at); });
  ASSERT_TRUE(PumpUntil([&] { return picker.Picked() && browser->MenuWindow() == nullptr; }));
  ASSERT_TRUE(closer.Closed()) << "no dialog was shown";
  EXPECT_EQ(closer.Owner(), Form->Handle()) << "the dialog belongs to another window";
  EXPECT_FALSE(closer.OwnerEnabled()) << "the window took input behind the dialog";
}

}  // namespace
}  // namespace korv::test
