// The demo's main window: where its components sit, what the system list shows, and the flat
// widgets at work under real input.
// <windows.h> goes first: the other platform headers need it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "DemoTestKit.h"
#include "ResultList.h"
#include "classlib/SysUtils.h"
#include "support/Pixels.h"
#include "widgets/TFlatButtonUnit.h"
#include "widgets/TFlatGaugeUnit.h"
#include "widgets/TFlatSplitterUnit.h"

namespace korv::test {
namespace {

const std::vector<std::string> kFiles = {"one.txt", "two.txt", "three.log", "four"};

using MainForm = TDemoWindowTest;

TPoint Centre(const TControl* c) { return c->ClientToScreen(Point(c->Width() / 2, c->Height() / 2)); }

TEST_F(MainForm, PlacesButtonsListSplitterPanelAndGaugeTopToBottom) {
  OpenWindow(kFiles);
  TForm1* f = Form;
  EXPECT_EQ(f->Caption(), kDemoTitle);
  char title[128] = {};
  GetWindowTextA(f->Handle(), title, sizeof title);
  EXPECT_STREQ(title, kDemoTitle);

  for (TControl* c : std::initializer_list<TControl*>{f->ButtonBar, f->RefreshButton, f->CloseButton, f->ListView1,
                                                      f->FlatSplitter1, f->DetailPanel, f->StatusPanel, f->FlatGauge1})
    EXPECT_TRUE(c->Showing()) << c->Name();
  // Buttons in the bar; list under it; the splitter between the list and the panel; the status
  // line with the gauge at the bottom.
  EXPECT_EQ(f->RefreshButton->Parent(), f->ButtonBar);
  EXPECT_EQ(f->CloseButton->Parent(), f->ButtonBar);
  EXPECT_EQ(f->ListView1->Top(), f->ButtonBar->Top() + f->ButtonBar->Height());
  EXPECT_EQ(f->FlatSplitter1->Top(), f->ListView1->Top() + f->ListView1->Height());
  EXPECT_EQ(f->DetailPanel->Top(), f->FlatSplitter1->Top() + f->FlatSplitter1->Height());
  EXPECT_EQ(f->StatusPanel->Top(), f->DetailPanel->Top() + f->DetailPanel->Height());
  EXPECT_EQ(f->StatusPanel->Top() + f->StatusPanel->Height(), f->ClientHeight());
  EXPECT_EQ(f->FlatGauge1->Parent(), f->StatusPanel);
  EXPECT_GT(f->FlatSplitter1->Height(), 0);
  EXPECT_GT(f->DetailPanel->Height(), 0);
  EXPECT_EQ(f->FlatSplitter1->Width(), f->ClientWidth());
}

TEST_F(MainForm, TheListIsTheSystemListViewInReportModeWithMultiSelection) {
  OpenWindow(kFiles);
  HWND h = Form->ListView1->Handle();
  WNDCLASSA system{};
  ASSERT_TRUE(GetClassInfoA(nullptr, WC_LISTVIEWA, &system));
  EXPECT_EQ(Form->ListView1->DefWndProc(), system.lpfnWndProc);
  const LONG style = GetWindowLongA(h, GWL_STYLE);
  EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_FALSE(style & LVS_SINGLESEL);

  HWND header = reinterpret_cast<HWND>(SendMessageA(h, LVM_GETHEADER, 0, 0));
  ASSERT_NE(header, nullptr);
  ASSERT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), rcColumnCount);
  for (int c = 0; c < rcColumnCount; ++c) {
    char text[64] = {};
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT;
    col.pszText = text;
    col.cchTextMax = sizeof text;
    ASSERT_TRUE(SendMessageA(h, LVM_GETCOLUMNA, c, reinterpret_cast<LPARAM>(&col)));
    EXPECT_STREQ(text, ResultColumnCaption(c));
  }
}

TEST_F(MainForm, TheListShowsEveryFileOfTheFolderInEveryColumn) {
  Box->Dir("a folder");  // not a row
  OpenWindow(kFiles);
  HWND h = Form->ListView1->Handle();
  ASSERT_EQ(SendMessageA(h, LVM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(kFiles.size()));
  std::vector<TResultRow> expected = ReadFolderRows(Box->AnsiPath());
  ASSERT_EQ(expected.size(), kFiles.size());
  for (int r = 0; r < static_cast<int>(expected.size()); ++r) {
    for (int c = 0; c < rcColumnCount; ++c) {
      // The list asks the control for each text (owner data): this is what it shows.
      char text[MAX_PATH] = {};
      LVITEMA item{};
      item.iSubItem = c;
      item.pszText = text;
      item.cchTextMax = sizeof text;
      SendMessageA(h, LVM_GETITEMTEXTA, r, reinterpret_cast<LPARAM>(&item));
      EXPECT_EQ(std::string(text), ResultColumnText(expected[static_cast<size_t>(r)], c)) << r << "," << c;
    }
  }
  EXPECT_EQ(Form->StatusPanel->Caption(), Format("%d files in %s", static_cast<int>(kFiles.size()), Box->AnsiPath()));
}

TEST_F(MainForm, TheGaugeShowsTheListingDoneOnTheScreen) {
  OpenWindow(kFiles);
  TFlatGauge* g = Form->FlatGauge1;
  EXPECT_EQ(g->Progress(), g->MaxValue());
  TPoint origin = g->ClientToScreen(Point(0, 0));
  TPixelImage shot = CaptureScreen(Bounds(origin.x, origin.y, g->Width(), g->Height()));
  // A full bar: the bar's colour covers most of the inside (the text takes a little of it).
  TRect inner = Rect(2, 2, g->Width() - 2, g->Height() - 2);
  const int bar = shot.Count(inner, ColorToRGB(g->BarColor()));
  EXPECT_GT(bar, RectWidth(inner) * RectHeight(inner) / 2);
}

TEST_F(MainForm, DraggingTheSplitterResizesTheListAndThePanel) {
  OpenWindow(kFiles);
  TFlatSplitter* s = Form->FlatSplitter1;
  const int listHeight = Form->ListView1->Height();
  const int panelHeight = Form->DetailPanel->Height();
  const TPoint from = Centre(s);
  constexpr int kDown = 40;
  const TPoint to = Point(from.x, from.y + kDown);
  Input([&](TInputDriver& d) {
    if (d.MoveTo(from.x, from.y) && d.LeftDown()) d.MoveInSteps(from.x, from.y, to.x, to.y, 4);
  });
  // The splitter applies the size of the last move it saw. Wine may still deliver the display's
  // motion events of an earlier step late: release only once the splitter is at the end point.
  bool there = false;
  for (int attempt = 0; attempt < 5 && !there; ++attempt) {
    there = PumpUntil([&] { return s->Sizing() && s->NewSize() == listHeight + kDown; }, 500);
    if (!there)
      Input([&](TInputDriver& d) {
        if (d.MoveTo(to.x, to.y + 1)) d.MoveTo(to.x, to.y);
      });
  }
  EXPECT_TRUE(there) << "the splitter did not follow the pointer";
  Input([](TInputDriver& d) { d.LeftUp(); });
  ASSERT_TRUE(PumpUntil([&] { return Form->ListView1->Height() == listHeight + kDown; }))
      << "list height " << Form->ListView1->Height() << ", was " << listHeight;
  EXPECT_EQ(Form->DetailPanel->Height(), panelHeight - kDown);
  EXPECT_EQ(s->Top(), Form->ListView1->Top() + Form->ListView1->Height());
}

TEST_F(MainForm, TheSplitterShowsTheUpDownCursor) {
  OpenWindow(kFiles);
  const HCURSOR upDown = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_SIZENS));
  ASSERT_NE(upDown, nullptr);
  EXPECT_EQ(Form->FlatSplitter1->Cursor(), crVSplit);
  const TPoint at = Centre(Form->FlatSplitter1);
  Input([&](TInputDriver& d) { d.MoveTo(at.x, at.y); });
  EXPECT_TRUE(PumpUntil([&] { return GetCursor() == upDown; })) << "not the north-south resize cursor";
}

TEST_F(MainForm, RefreshListsFilesAddedSince) {
  OpenWindow(kFiles);
  Box->File("five.txt");
  const TPoint at = Centre(Form->RefreshButton);
  Input([&](TInputDriver& d) {
    if (d.MoveTo(at.x, at.y)) {
      d.LeftDown();
      d.LeftUp();
    }
  });
  ASSERT_TRUE(PumpUntil([&] { return Form->ListView1->RowCount() == static_cast<int>(kFiles.size()) + 1; }));
  EXPECT_GE(RowOf("five.txt"), 0);
  EXPECT_EQ(SendMessageA(Form->ListView1->Handle(), LVM_GETITEMCOUNT, 0, 0), Form->ListView1->RowCount());
}

TEST_F(MainForm, CloseClosesTheWindow) {
  OpenWindow(kFiles);
  const TPoint at = Centre(Form->CloseButton);
  Input([&](TInputDriver& d) {
    if (d.MoveTo(at.x, at.y)) {
      d.LeftDown();
      d.LeftUp();
    }
  });
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(Form->Handle()); }));
}

TEST_F(MainForm, ThePanelSumsUpTheSelection) {
  OpenWindow(kFiles);
  const int n = static_cast<int>(kFiles.size());
  EXPECT_EQ(Form->DetailPanel->Caption(), Format("%d files, none selected", n));
  const int a = RowOf("one.txt"), b = RowOf("three.log");
  ClickRow(a);
  ClickRow(b, true);
  ASSERT_TRUE(PumpUntil([&] { return Form->ListView1->SelCount() == 2; }))
      << "selected: " << Form->ListView1->SelCount() << " first "
      << (Form->ListView1->SelectedRows().empty() ? -1 : Form->ListView1->SelectedRows()[0]) << " a=" << a
      << " b=" << b;
  const auto& rows = Form->ListView1->Rows();
  const int64_t bytes = rows[static_cast<size_t>(a)].Bytes + rows[static_cast<size_t>(b)].Bytes;
  EXPECT_EQ(Form->DetailPanel->Caption(), Format("2 of %d files selected, %s", n, ByteSizeText(bytes)));
}

TEST_F(MainForm, AClickOnOneOfSeveralSelectedRowsSelectsThatRowAlone) {
  // The press on a selected row waits for a drag gesture; released in place, it is a click.
  OpenWindow(kFiles);
  const int a = 0, b = 2;
  ClickRow(a);
  ClickRow(b, true);
  ASSERT_TRUE(PumpUntil([&] { return Form->ListView1->SelectedRows() == std::vector<int>{a, b}; }));
  ClickRow(b);
  EXPECT_TRUE(PumpUntil([&] { return Form->ListView1->SelectedRows() == std::vector<int>{b}; }))
      << Form->ListView1->SelCount() << " rows selected";
}

}  // namespace
}  // namespace korv::test
