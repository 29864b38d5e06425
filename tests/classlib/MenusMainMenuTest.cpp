// A main menu on a real form: the menu bar's height, items added, hidden and removed as the
// platform counts them, owner-drawn bar items painted on the form's window DC and redrawn after
// a change, and a pick from the bar by keys reaching the item's OnClick through the form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "support/GuiTest.h"
#include "support/MenuDriver.h"
#include "support/Pixels.h"

namespace korv {
namespace {

using test::PumpPending;
using test::PumpUntil;

TMenuItem* AddTo(TMenuItem* parent, const std::string& caption, TComponent* owner) {
  auto* item = NewComponent<TMenuItem>(owner);
  item->SetCaption(caption);
  parent->Add(item);
  return item;
}

int NonClientHeight(HWND wnd) {
  RECT w{}, c{};
  GetWindowRect(wnd, &w);
  GetClientRect(wnd, &c);
  return (w.bottom - w.top) - (c.bottom - c.top);
}

class MainMenuOnForm : public test::TFormTest {};

TEST_F(MainMenuOnForm, TheBarTakesTheSystemMenuHeightAndCountsVisibleItems) {
  TForm* form = NewForm(120, 120, 360, 240);
  form->Show();
  PumpPending();
  HWND wnd = form->Handle();
  const int withoutMenu = NonClientHeight(wnd);

  auto* menu = NewComponent<TMainMenu>(form);
  TMenuItem* file = AddTo(menu->Items(), "&File", form);
  AddTo(file, "&Open", form);
  TMenuItem* edit = AddTo(menu->Items(), "&Edit", form);
  test::TMessageRecorder recorder(form);
  recorder.Filter({CM_MENUCHANGED});
  form->SetMenu(menu);
  PumpPending();

  EXPECT_EQ(GetMenu(wnd), menu->Handle());
  EXPECT_EQ(menu->WindowHandle(), wnd);
  EXPECT_EQ(GetMenuItemCount(GetMenu(wnd)), 2);
  EXPECT_EQ(NonClientHeight(wnd) - withoutMenu, GetSystemMetrics(SM_CYMENU));

  recorder.Clear();
  TMenuItem* help = AddTo(menu->Items(), "&Help", form);
  EXPECT_EQ(GetMenuItemCount(GetMenu(wnd)), 3);
  EXPECT_TRUE(recorder.Contains(CM_MENUCHANGED));
  RECT helpRect{};
  EXPECT_TRUE(GetMenuItemRect(wnd, menu->Handle(), 2, &helpRect));
  EXPECT_GT(helpRect.right - helpRect.left, 0);

  edit->SetVisible(false);
  EXPECT_EQ(GetMenuItemCount(GetMenu(wnd)), 2);
  EXPECT_EQ(GetMenuItemID(GetMenu(wnd), 1), help->Command());
  edit->SetVisible(true);
  EXPECT_EQ(GetMenuItemCount(GetMenu(wnd)), 3);

  delete help;
  EXPECT_EQ(GetMenuItemCount(GetMenu(wnd)), 2);

  form->SetMenu(nullptr);
  PumpPending();
  EXPECT_EQ(GetMenu(wnd), nullptr);
  EXPECT_EQ(NonClientHeight(wnd), withoutMenu);
}

TEST_F(MainMenuOnForm, FreeingTheMenuTakesItOffTheWindow) {
  TForm* form = NewForm(140, 140, 300, 200);
  auto* menu = NewComponent<TMainMenu>(form);
  AddTo(menu->Items(), "One", form);
  form->SetMenu(menu);
  form->Show();
  PumpPending();
  HMENU bar = GetMenu(form->Handle());
  ASSERT_EQ(bar, menu->Handle());
  delete menu;
  EXPECT_EQ(form->Menu(), nullptr);
  EXPECT_EQ(GetMenu(form->Handle()), nullptr);
  EXPECT_FALSE(IsMenu(bar));
}

TEST_F(MainMenuOnForm, ANewWindowOfTheFormGetsTheSameLiveMenu) {
  TForm* form = NewForm(140, 140, 300, 200);
  auto* menu = NewComponent<TMainMenu>(form);
  TMenuItem* top = AddTo(menu->Items(), "One", form);
  AddTo(top, "Two", form);
  form->SetMenu(menu);
  form->Show();
  PumpPending();
  const HMENU bar = menu->Handle(), sub = top->Handle();
  ASSERT_EQ(GetMenu(form->Handle()), bar);
  const HWND old = form->Handle();
  form->SetFormStyle(fsMDIForm);  // a new window for the form
  PumpPending();
  ASSERT_NE(form->Handle(), old);
  EXPECT_TRUE(IsMenu(bar)) << "the old window took the menu bar with it";
  EXPECT_TRUE(IsMenu(sub));
  EXPECT_EQ(GetMenu(form->Handle()), menu->Handle());
  EXPECT_EQ(GetMenuItemCount(GetMenu(form->Handle())), 1);
}

struct BarPainter {
  struct Draw {
    TMenuItem* Item;
    HWND Window;
    TRect Rect;
    TOwnerDrawState State;
  };
  std::vector<Draw> Draws;
  std::vector<TMenuItem*> Measured;

  static TColor ColourOf(const TMenuItem* item) { return item->Tag() == 1 ? RGB(30, 90, 200) : RGB(220, 180, 20); }
  void Measure(TObject* sender, TCanvas*, int& width, int&) {
    Measured.push_back(static_cast<TMenuItem*>(sender));
    width = 50;
  }
  void Paint(TObject* sender, TCanvas* canvas, const TRect& rect, TOwnerDrawState state) {
    auto* item = static_cast<TMenuItem*>(sender);
    Draws.push_back(Draw{item, WindowFromDC(canvas->Handle()), rect, state});
    canvas->Brush()->SetColor(ColourOf(item));
    canvas->FillRect(rect);
  }
  [[nodiscard]] const Draw* Last(const TMenuItem* item) const {
    for (auto it = Draws.rbegin(); it != Draws.rend(); ++it)
      if (it->Item == item) return &*it;
    return nullptr;
  }
};

// The handlers are set before the item goes into the menu: adding it redraws the bar at once.
TMenuItem* AddPainted(TMainMenu* menu, const std::string& caption, int tag, BarPainter& painter, TComponent* owner) {
  auto* item = NewComponent<TMenuItem>(owner);
  item->SetCaption(caption);
  item->SetTag(tag);
  item->OnMeasureItem = TMenuMeasureItemEvent(&painter, &BarPainter::Measure);
  item->OnAdvancedDrawItem = TAdvancedMenuDrawItemEvent(&painter, &BarPainter::Paint);
  menu->Items()->Add(item);
  return item;
}

// The colour at the centre of a bar item on the screen, waited for up to the deadline (the
// system brings a painted window to the screen a little later).
TColor BarItemColour(HWND wnd, HMENU bar, int pos, TColor expected) {
  RECT r{};
  if (!GetMenuItemRect(wnd, bar, static_cast<UINT>(pos), &r)) return -1;
  TColor c = -1;
  PumpUntil([&] {
    c = test::ScreenPixel((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return c == expected;
  });
  return c;
}

TEST_F(MainMenuOnForm, OwnerDrawnBarItemsPaintOnTheFormAndAChangeRedrawsTheBar) {
  TForm* form = NewForm(160, 160, 400, 220);
  auto* menu = NewComponent<TMainMenu>(form);
  menu->SetOwnerDraw(true);
  BarPainter painter;
  TMenuItem* first = AddPainted(menu, "First", 0, painter, form);
  form->SetMenu(menu);
  ShowAndActivate(form);
  HWND wnd = form->Handle();
  ASSERT_TRUE(PumpUntil([&] { return painter.Last(first) != nullptr; })) << "bar item never painted";

  const auto* d = painter.Last(first);
  EXPECT_EQ(d->Window, wnd);  // the form's own window DC
  EXPECT_FALSE(painter.Measured.empty());
  EXPECT_EQ(BarItemColour(wnd, menu->Handle(), 0, BarPainter::ColourOf(first)), BarPainter::ColourOf(first));

  // A new item appears on the bar and is painted there.
  TMenuItem* second = AddPainted(menu, "Second", 1, painter, form);
  ASSERT_TRUE(PumpUntil([&] { return painter.Last(second) != nullptr; })) << "new bar item never painted";
  EXPECT_EQ(painter.Last(second)->Window, wnd);
  EXPECT_EQ(BarItemColour(wnd, menu->Handle(), 1, BarPainter::ColourOf(second)), BarPainter::ColourOf(second));
  RECT r0{}, r1{};
  ASSERT_TRUE(GetMenuItemRect(wnd, menu->Handle(), 0, &r0));
  ASSERT_TRUE(GetMenuItemRect(wnd, menu->Handle(), 1, &r1));
  EXPECT_EQ(r1.left, r0.right);
  EXPECT_GE(r0.right - r0.left, 50);  // at least the measured width
}

TEST_F(MainMenuOnForm, AKeyboardPickFromTheBarReachesTheItemThroughTheForm) {
  TForm* form = NewForm(180, 180, 360, 220);
  auto* menu = NewComponent<TMainMenu>(form);
  TMenuItem* file = AddTo(menu->Items(), "&File", form);
  TMenuItem* open = AddTo(file, "&Open", form);
  TMenuItem* close = AddTo(file, "&Close", form);
  struct Log {
    std::vector<TObject*> Senders;
    void Click(TObject* s) { Senders.push_back(s); }
  } log;
  for (TMenuItem* i : {file, open, close}) i->OnClick = TNotifyEvent(&log, &Log::Click);
  form->SetMenu(menu);
  ShowAndActivate(form);
  HWND wnd = form->Handle();

  // F10-style menu mode: the bar's first item is selected, no popup yet. Down opens the File
  // popup; then Down, Return picks its second item.
  test::TMenuDriver driver({[&](HWND) {
                              test::PostKey(wnd, VK_DOWN);
                              return true;
                            },
                            [&](HWND w) {
                              if (!w) return false;  // the popup is open
                              test::PostKey(w, VK_DOWN);
                              test::PostKey(w, VK_RETURN);
                              return true;
                            }},
                           /*waitForWindow=*/false);
  SendMessageA(wnd, WM_SYSCOMMAND, SC_KEYMENU, 0);
  EXPECT_TRUE(driver.AllStepsRan());
  EXPECT_FALSE(driver.SafetyFired());
  // The command is posted to the form; its dispatch clicks the item.
  ASSERT_TRUE(PumpUntil([&] { return !log.Senders.empty() && log.Senders.back() == close; }));
  ASSERT_EQ(log.Senders.size(), 2u);
  EXPECT_EQ(log.Senders[0], file);  // its popup opened (WM_INITMENUPOPUP)
  EXPECT_EQ(log.Senders[1], close);
}

}  // namespace
}  // namespace korv
