// The demo's window driven end to end with real input: rows selected by clicks, dragged out onto
// a drop target in another window, and given the shell's context menu.
#include <windows.h>

#include "DemoTestKit.h"
#include "shell/browser/ShellBrowser.h"

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
    ASSERT_TRUE(PumpUntil([&] { return Form->ListView1->SelectedRows() == std::vector<int>{std::min(a, c), std::max(a, c)}; }))
        << "a Ctrl+click did not add the row to the selection; selected " << Form->ListView1->SelCount();
  }
};

TEST_F(EndToEnd, RightClickOnTwoSelectedRowsShowsTheShellMenuAndCopyPutsExactlyThemOnTheClipboard) {
  OpenWindow(kFiles);
  const int a = RowOf("bravo.txt"), c = RowOf("delta.txt");
  ASSERT_GE(a, 0);
  ASSERT_GE(c, 0);
  SelectTwo(a, c);
  const std::vector<std::string> expected = PathsOf({a, c});

  std::map<std::string, UINT> ids = ShellVerbIds(Box->Path(), {"bravo.txt", "delta.txt"});
  ASSERT_TRUE(ids.count("copy")) << "the shell offers no copy command";
  TShellBrowser* browser = Form->ShellBrowser1;
  TMenuPicker picker([browser]() -> HMENU { return browser->MergedMenu() ? browser->MergedMenu()->Handle() : nullptr; },
                     ids["copy"]);
  const TPoint at = RowPoint(c);
  Input([&](TInputDriver& d) { RightClick(d, at); });
  ASSERT_TRUE(PumpUntil([&] { return picker.Picked() && browser->MenuWindow() == nullptr; }))
      << "the menu was not shown or not picked from";
  EXPECT_FALSE(picker.SafetyFired());
  EXPECT_TRUE(SamePathSet(ClipboardFiles(), expected));
  // The right click kept the selection it was made for, and the browser bound the listed folder.
  EXPECT_EQ(Form->ListView1->SelectedRows(), (std::vector<int>{a, c}));
  EXPECT_TRUE(AnsiSameText(WideToAnsi(browser->Folder()), Box->Path()));
  EXPECT_EQ(browser->MultiObjects()->Count(), 0);
}

TEST_F(EndToEnd, RightClickOnAnUnselectedRowShowsTheMenuForThatRowAlone) {
  OpenWindow(kFiles);
  const int a = RowOf("alpha.txt"), b = RowOf("charlie.txt");
  ClickRow(a);
  ASSERT_TRUE(PumpUntil([&] { return Form->ListView1->SelectedRows() == std::vector<int>{a}; }));

  std::map<std::string, UINT> ids = ShellVerbIds(Box->Path(), {"charlie.txt"});
  ASSERT_TRUE(ids.count("copy"));
  TShellBrowser* browser = Form->ShellBrowser1;
  TMenuPicker picker([browser]() -> HMENU { return browser->MergedMenu() ? browser->MergedMenu()->Handle() : nullptr; },
                     ids["copy"]);
  const TPoint at = RowPoint(b);
  Input([&](TInputDriver& d) { RightClick(d, at); });
  ASSERT_TRUE(PumpUntil([&] { return picker.Picked() && browser->MenuWindow() == nullptr; }));
  EXPECT_TRUE(SamePathSet(ClipboardFiles(), PathsOf({b})));
}

}  // namespace
}  // namespace korv::test
