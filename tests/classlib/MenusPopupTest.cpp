// Popup menus on the real platform: TrackPopupMenu over the popup list's window, driven from a
// thread timer that fires inside the menu loop (keys posted to the menu window, EndMenu), with a
// safety timer that ends any menu left open (support/MenuDriver.h). Owner-drawn items are
// measured and painted through the real item DC, and their paint is read back from the screen
// while the menu is open.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/ImgList.h"
#include "classlib/Menus.h"
#include "support/MenuDriver.h"
#include "support/Pixels.h"

namespace korv {
namespace {

using test::PostKey;
using test::VisibleMenuWindow;
using test::VisibleMenuWindows;
using MenuDriver = test::TMenuDriver;

std::string ClassOf(HWND wnd) { return test::WindowClassOf(wnd); }

const MenuDriver::Step kEndMenu = [](HWND) {
  EndMenu();
  return true;
};

struct Clicks {
  std::vector<TObject*> Senders;
  void Click(TObject* s) { Senders.push_back(s); }
};

TMenuItem* AddItem(TMenu& menu, const std::string& caption, Clicks* clicks = nullptr) {
  auto* item = NewComponent<TMenuItem>(nullptr);
  item->SetCaption(caption);
  if (clicks) item->OnClick = TNotifyEvent(clicks, &Clicks::Click);
  menu.Items()->Add(item);
  return item;
}

// ---------------------------------------------------------------------------------------------

TEST(PopupMenuTracking, ARealPopupOpensAndClosesWithoutAPick) {
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  Clicks clicks;
  AddItem(menu, "One", &clicks);
  AddItem(menu, "Two", &clicks);
  struct OnPopupLog {
    int Calls = 0;
    HWND WindowAtCall = reinterpret_cast<HWND>(-1);
    void Popup(TObject*) {
      ++Calls;
      WindowAtCall = VisibleMenuWindow();
    }
  } popupLog;
  menu.OnPopup = TNotifyEvent(&popupLog, &OnPopupLog::Popup);

  MenuDriver driver({kEndMenu});
  menu.Popup(200, 200);
  EXPECT_TRUE(driver.AllStepsRan());
  EXPECT_FALSE(driver.SafetyFired());
  EXPECT_EQ(popupLog.Calls, 1);
  EXPECT_EQ(popupLog.WindowAtCall, nullptr);  // OnPopup runs before the menu is shown
  EXPECT_TRUE(clicks.Senders.empty());
  EXPECT_EQ(VisibleMenuWindow(), nullptr);
  EXPECT_EQ(menu.PopupPoint().x, 200);
  // The menu was shown where it was asked for.
  ASSERT_NE(driver.MenuWindow(), nullptr);
}

TEST(PopupMenuTracking, PostedKeysPickAnItemAndRunItsOnClick) {
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  Clicks clicks;
  TMenuItem* a = AddItem(menu, "a", &clicks);
  AddItem(menu, "-");
  TMenuItem* b = AddItem(menu, "b", &clicks);
  TMenuItem* hidden = AddItem(menu, "hidden", &clicks);
  TMenuItem* d = AddItem(menu, "d", &clicks);
  hidden->SetVisible(false);
  (void)a;
  (void)b;

  // Three steps down: a, b (the separator is skipped), then d (the hidden item is not there).
  MenuDriver driver({[](HWND w) {
    for (int i = 0; i < 3; ++i) PostKey(w, VK_DOWN);
    PostKey(w, VK_RETURN);
    return true;
  }});
  menu.Popup(220, 180);
  EXPECT_TRUE(driver.AllStepsRan());
  EXPECT_FALSE(driver.SafetyFired());
  ASSERT_EQ(clicks.Senders.size(), 1u);
  EXPECT_EQ(clicks.Senders[0], d);
}

TEST(PopupMenuTracking, OpeningASubMenuClicksItsItemAndTheInnerPickArrives) {
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  Clicks clicks;
  AddItem(menu, "first", &clicks);
  TMenuItem* sub = AddItem(menu, "sub", &clicks);
  auto* inner = NewComponent<TMenuItem>(nullptr);
  inner->SetCaption("inner");
  inner->OnClick = TNotifyEvent(&clicks, &Clicks::Click);
  sub->Add(inner);

  int menusSeen = 0;
  MenuDriver driver({[](HWND w) {
                       PostKey(w, VK_DOWN);
                       PostKey(w, VK_DOWN);
                       PostKey(w, VK_RIGHT);  // opens the sub-menu, first inner item selected
                       return true;
                     },
                     [&](HWND) {
                       // Wait for the second menu window, then pick in it.
                       int visible = static_cast<int>(VisibleMenuWindows().size());
                       if (visible < 2) return false;
                       menusSeen = visible;
                       return true;
                     },
                     [](HWND w) {
                       PostKey(w, VK_RETURN);
                       return true;
                     }});
  menu.Popup(240, 200);
  EXPECT_TRUE(driver.AllStepsRan());
  EXPECT_FALSE(driver.SafetyFired());
  EXPECT_EQ(menusSeen, 2);
  ASSERT_EQ(clicks.Senders.size(), 2u);
  EXPECT_EQ(clicks.Senders[0], sub);  // WM_INITMENUPOPUP of its sub-menu
  EXPECT_EQ(clicks.Senders[1], inner);
}

TEST(PopupMenuTracking, TheTrackerSeamReplacesTheModalLoop) {
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  Clicks clicks;
  AddItem(menu, "x", &clicks);
  TMenuItem* y = AddItem(menu, "y", &clicks);
  struct Seen {
    HMENU Menu = nullptr;
    HWND Owner = nullptr;
    POINT Pt{};
    UINT Flags = 0;
    int Calls = 0;
  } seen;
  int popups = 0;
  struct PopupCounter {
    int* n;
    void Popup(TObject*) { ++*n; }
  } counter{&popups};
  menu.OnPopup = TNotifyEvent(&counter, &PopupCounter::Popup);
  TMenuTracker old = SetMenuTracker([&](HMENU m, HWND owner, POINT pt, UINT flags) -> UINT {
    seen = Seen{m, owner, pt, flags, seen.Calls + 1};
    EXPECT_EQ(popups, 1);  // OnPopup first
    return y->Command();
  });
  menu.SetMenuAnimation(maNone);
  menu.Popup(15, 25);
  SetMenuTracker(std::move(old));

  EXPECT_EQ(seen.Calls, 1);
  EXPECT_EQ(seen.Menu, menu.Handle());
  EXPECT_EQ(seen.Owner, PopupListWindow());
  EXPECT_EQ(ClassOf(seen.Owner), "KorvPopupList");
  EXPECT_EQ(seen.Pt.x, 15);
  EXPECT_EQ(seen.Pt.y, 25);
  EXPECT_TRUE(seen.Flags & TPM_RETURNCMD);
  EXPECT_TRUE(seen.Flags & TPM_NOANIMATION);
  ASSERT_EQ(clicks.Senders.size(), 1u);
  EXPECT_EQ(clicks.Senders[0], y);
}

TEST(PopupMenuTracking, PopupListWindowLivesWhilePopupMenusExist) {
  HWND first = nullptr;
  {
    const std::unique_ptr<TPopupMenu> one(NewComponent<TPopupMenu>(nullptr));
    first = PopupListWindow();
    ASSERT_TRUE(IsWindow(first));
    EXPECT_FALSE(IsWindowVisible(first));
    {
      const std::unique_ptr<TPopupMenu> two(NewComponent<TPopupMenu>(nullptr));
      EXPECT_EQ(PopupListWindow(), first);
    }
    EXPECT_TRUE(IsWindow(first));
  }
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(PopupListWindow(), nullptr);
}

TEST(PopupMenuTracking, CommandsPostedToThePopupListReachTheItems) {
  // Someone tracking one of our menus without TPM_RETURNCMD: the WM_COMMAND goes to the owner.
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  Clicks clicks;
  TMenuItem* a = AddItem(menu, "a", &clicks);
  SendMessageA(PopupListWindow(), WM_COMMAND, a->Command(), 0);
  SendMessageA(PopupListWindow(), WM_COMMAND, 3, 0);  // not ours
  ASSERT_EQ(clicks.Senders.size(), 1u);
  EXPECT_EQ(clicks.Senders[0], a);
}

// ---------------------------------------------------------------------------------------------
// Owner draw

struct OwnerDrawRecorder {
  struct Draw {
    TMenuItem* Item;
    HWND Window;
    std::string WindowClass;  // read while the window exists
    TRect Rect;
    TOwnerDrawState State;
  };
  std::vector<Draw> Draws;
  std::vector<TMenuItem*> Measured;
  int MeasureDCType = 0;
  LOGFONTA MeasureFont{};
  int Height = 24;
  int Width = 90;
  bool Throw = false;

  static TColor Fill(TOwnerDrawState state) { return (state & odSelected) ? RGB(20, 160, 40) : RGB(200, 40, 30); }

  void Measure(TObject* sender, TCanvas* canvas, int& width, int& height) {
    Measured.push_back(static_cast<TMenuItem*>(sender));
    MeasureDCType = static_cast<int>(GetObjectType(canvas->Handle()));
    GetObjectA(GetCurrentObject(canvas->Handle(), OBJ_FONT), sizeof MeasureFont, &MeasureFont);
    (void)canvas->TextWidth("W");  // selects the canvas font into the DC
    GetObjectA(GetCurrentObject(canvas->Handle(), OBJ_FONT), sizeof MeasureFont, &MeasureFont);
    width = Width;
    height = Height;
  }
  void Paint(TObject* sender, TCanvas* canvas, const TRect& rect, TOwnerDrawState state) {
    HWND wnd = WindowFromDC(canvas->Handle());
    Draws.push_back(Draw{static_cast<TMenuItem*>(sender), wnd, ClassOf(wnd), rect, state});
    if (Throw) throw EMenuError("paint failed");
    canvas->Brush()->SetColor(Fill(state));
    canvas->FillRect(rect);
  }
  [[nodiscard]] const Draw* Last(const TMenuItem* item) const {
    for (auto it = Draws.rbegin(); it != Draws.rend(); ++it)
      if (it->Item == item) return &*it;
    return nullptr;
  }
};

TMenuItem* AddOwnerDrawn(TMenu& menu, const std::string& caption, OwnerDrawRecorder& rec) {
  TMenuItem* item = AddItem(menu, caption);
  item->OnMeasureItem = TMenuMeasureItemEvent(&rec, &OwnerDrawRecorder::Measure);
  item->OnAdvancedDrawItem = TAdvancedMenuDrawItemEvent(&rec, &OwnerDrawRecorder::Paint);
  return item;
}

// A step that reads a screen pixel until it shows the expected colour or about a second has
// passed (the system brings a painted window to the screen a little later), then keeps what
// it read for the test to check.
MenuDriver::Step ReadPixelStep(std::function<POINT()> where, TColor expected, TColor& out,
                               std::function<void()> then = {}) {
  auto ticks = std::make_shared<int>(0);
  return [=, &out](HWND) {
    POINT p = where();
    out = test::ScreenPixel(p.x, p.y);
    if (out != expected && ++*ticks < 50) return false;
    if (then) then();
    return true;
  };
}

TEST(PopupMenuOwnerDraw, EventsGetTheRealItemDCAndTheirPaintIsOnTheScreen) {
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  menu.SetOwnerDraw(true);
  OwnerDrawRecorder rec;
  TMenuItem* first = AddOwnerDrawn(menu, "first", rec);
  TMenuItem* checked = AddOwnerDrawn(menu, "checked", rec);
  TMenuItem* grayed = AddOwnerDrawn(menu, "grayed", rec);
  checked->SetChecked(true);
  grayed->SetEnabled(false);

  RECT firstRect{}, grayedRect{};
  TColor firstBefore = -1, firstSelected = -1, grayedColour = -1;
  auto centre = [](const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; };
  MenuDriver driver({
      [&](HWND) {
        // Wait until every item has been painted once.
        if (!rec.Last(first) || !rec.Last(checked) || !rec.Last(grayed)) return false;
        HMENU h = menu.Handle();
        EXPECT_TRUE(GetMenuItemRect(nullptr, h, 0, &firstRect));
        EXPECT_TRUE(GetMenuItemRect(nullptr, h, 2, &grayedRect));
        return true;
      },
      ReadPixelStep([&] { return centre(grayedRect); }, OwnerDrawRecorder::Fill(0), grayedColour),
      ReadPixelStep([&] { return centre(firstRect); }, OwnerDrawRecorder::Fill(0), firstBefore,
                    [] { PostKey(VisibleMenuWindow(), VK_DOWN); }),  // selects the first item
      [&](HWND) {
        const auto* d = rec.Last(first);
        return d && (d->State & odSelected);
      },
      ReadPixelStep([&] { return centre(firstRect); }, OwnerDrawRecorder::Fill(odSelected), firstSelected,
                    [] { EndMenu(); }),
  });
  menu.Popup(300, 200);
  ASSERT_TRUE(driver.AllStepsRan());
  EXPECT_FALSE(driver.SafetyFired());

  // The measure event: a screen DC (not a memory DC) with the system's menu font.
  EXPECT_EQ(rec.MeasureDCType, OBJ_DC);
  NONCLIENTMETRICSA ncm{};
  ncm.cbSize = sizeof ncm;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0));
  EXPECT_STREQ(rec.MeasureFont.lfFaceName, ncm.lfMenuFont.lfFaceName);
  EXPECT_EQ(rec.MeasureFont.lfHeight, ncm.lfMenuFont.lfHeight);
  EXPECT_GE(rec.Measured.size(), 3u);

  // The draw event: the real DC of the menu window.
  const auto* d = rec.Last(checked);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->Window, driver.MenuWindow());
  EXPECT_EQ(d->WindowClass, "#32768");
  EXPECT_TRUE(d->State & odChecked);
  EXPECT_FALSE(d->State & odSelected);
  const auto* g = rec.Last(grayed);
  ASSERT_NE(g, nullptr);
  EXPECT_TRUE(g->State & odGrayed);
  EXPECT_TRUE(g->State & odDisabled);

  // The measured size is the size the system gave the item.
  EXPECT_EQ(firstRect.bottom - firstRect.top, rec.Height);
  EXPECT_EQ(d->Rect.bottom - d->Rect.top, rec.Height);

  // What the handlers painted was on the screen while the menu was open.
  EXPECT_EQ(firstBefore, OwnerDrawRecorder::Fill(0));
  EXPECT_EQ(grayedColour, OwnerDrawRecorder::Fill(0));
  EXPECT_EQ(firstSelected, OwnerDrawRecorder::Fill(odSelected));
}

TEST(PopupMenuOwnerDraw, MeasuringUsesTheScreensMenuFont) {
  ASSERT_NE(Screen, nullptr);
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  menu.SetOwnerDraw(true);
  OwnerDrawRecorder rec;
  TMenuItem* item = AddOwnerDrawn(menu, "x", rec);
  Screen->MenuFont()->SetHeight(-23);
  Screen->MenuFont()->SetName("Courier New");
  MEASUREITEMSTRUCT mis{};
  mis.CtlType = ODT_MENU;
  mis.itemID = item->Command();
  mis.itemData = reinterpret_cast<ULONG_PTR>(item);
  const bool handled = MenuMeasureItem(mis);
  Screen->ReadMenuFont();
  ASSERT_TRUE(handled);
  EXPECT_EQ(rec.MeasureFont.lfHeight, -23);
  EXPECT_STREQ(rec.MeasureFont.lfFaceName, "Courier New");
  EXPECT_EQ(rec.MeasureDCType, OBJ_DC);
}

TEST(PopupMenuOwnerDraw, DefaultPaintWithoutHandlersShowsTheSystemColours) {
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  menu.SetOwnerDraw(true);
  AddItem(menu, "plain item");
  AddItem(menu, "-");
  AddItem(menu, "another");
  RECT r{};
  TColor colour = -1, selected = -1;
  // The left margin of the first item, where no text is painted.
  auto margin = [&] { return POINT{r.left + 1, (r.top + r.bottom) / 2}; };
  MenuDriver driver({
      [&](HWND) { return GetMenuItemRect(nullptr, menu.Handle(), 0, &r) != FALSE; },
      ReadPixelStep(margin, ColorToRGB(clMenu), colour, [] { PostKey(VisibleMenuWindow(), VK_DOWN); }),
      ReadPixelStep(margin, ColorToRGB(clHighlight), selected, [] { EndMenu(); }),
  });
  menu.Popup(320, 220);
  ASSERT_TRUE(driver.AllStepsRan());
  EXPECT_FALSE(driver.SafetyFired());
  EXPECT_EQ(colour, ColorToRGB(clMenu));
  EXPECT_EQ(selected, ColorToRGB(clHighlight));
  EXPECT_GT(r.bottom - r.top, 0);
}

TEST(PopupMenuOwnerDraw, DefaultPaintShowsTheItemsImageOrBitmapWhole) {
  const TColor imageColour = RGB(10, 120, 230), bitmapColour = RGB(240, 100, 10);
  const std::unique_ptr<TImageList> imagesPtr(NewComponent<TImageList>(nullptr, 16, 16));
  TImageList& images = *imagesPtr;
  TBitmap picture(16, 16);
  picture.Canvas()->Brush()->SetColor(imageColour);
  picture.Canvas()->FillRect(Rect(0, 0, 16, 16));
  ASSERT_EQ(images.Add(&picture, nullptr), 0);

  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  menu.SetOwnerDraw(true);
  menu.SetImages(&images);
  TMenuItem* withImage = AddItem(menu, "image");
  withImage->SetImageIndex(0);
  TMenuItem* withBitmap = AddItem(menu, "bitmap");
  withBitmap->Bitmap()->SetSize(12, 12);
  withBitmap->Bitmap()->Canvas()->Brush()->SetColor(bitmapColour);
  withBitmap->Bitmap()->Canvas()->FillRect(Rect(0, 0, 12, 12));

  RECT r0{}, r1{};
  int imagePixels = -1, bitmapPixels = -1;
  auto ticks = std::make_shared<int>(0);
  MenuDriver driver({[&](HWND) {
    if (!GetMenuItemRect(nullptr, menu.Handle(), 0, &r0) || !GetMenuItemRect(nullptr, menu.Handle(), 1, &r1))
      return false;
    test::TPixelImage shot0 = test::CaptureScreen(r0), shot1 = test::CaptureScreen(r1);
    imagePixels = shot0.Count(Rect(0, 0, shot0.Width(), shot0.Height()), imageColour);
    bitmapPixels = shot1.Count(Rect(0, 0, shot1.Width(), shot1.Height()), bitmapColour);
    if ((imagePixels != 16 * 16 || bitmapPixels != 12 * 12) && ++*ticks < 50) return false;
    EndMenu();
    return true;
  }});
  menu.Popup(340, 200);
  ASSERT_TRUE(driver.AllStepsRan());
  EXPECT_EQ(imagePixels, 16 * 16);
  EXPECT_EQ(bitmapPixels, 12 * 12);
  // The image list's size makes room for the image.
  EXPECT_GE(r0.bottom - r0.top, 16);
}

TEST(PopupMenuOwnerDraw, AFreedImageListIsForgotten) {
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  auto* images = NewComponent<TImageList>(nullptr);
  menu.SetImages(images);
  EXPECT_EQ(menu.Images(), images);
  delete images;
  EXPECT_EQ(menu.Images(), nullptr);
}

TEST(PopupMenuOwnerDraw, TypedAcceleratorPicksAnOwnerDrawnItem) {
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  menu.SetOwnerDraw(true);
  Clicks clicks;
  AddItem(menu, "&Alpha", &clicks);
  TMenuItem* beta = AddItem(menu, "&Beta", &clicks);
  MenuDriver driver({[](HWND w) {
    PostMessageA(w, WM_CHAR, 'b', 1);
    return true;
  }});
  menu.Popup(260, 240);
  EXPECT_TRUE(driver.AllStepsRan());
  EXPECT_FALSE(driver.SafetyFired());
  ASSERT_EQ(clicks.Senders.size(), 1u);
  EXPECT_EQ(clicks.Senders[0], beta);
}

TEST(PopupMenuOwnerDraw, AHandlerThatThrowsReachesTheApplicationNotTheMenuLoop) {
  ASSERT_NE(Application, nullptr);
  struct Caught {
    std::vector<std::string> Messages;
    void OnException(TObject*, const Exception* e) { Messages.push_back(e ? e->Message() : "?"); }
  } caught;
  TExceptionEvent saved = Application->OnException;
  Application->OnException = TExceptionEvent(&caught, &Caught::OnException);

  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  menu.SetOwnerDraw(true);
  OwnerDrawRecorder rec;
  rec.Throw = true;
  TMenuItem* item = AddOwnerDrawn(menu, "boom", rec);
  MenuDriver driver({[&](HWND) {
    if (!rec.Last(item)) return false;
    EndMenu();
    return true;
  }});
  menu.Popup(280, 260);
  Application->OnException = saved;
  EXPECT_TRUE(driver.AllStepsRan());
  EXPECT_FALSE(driver.SafetyFired());
  ASSERT_FALSE(caught.Messages.empty());
  EXPECT_EQ(caught.Messages[0], "paint failed");
}

TEST(PopupMenuOwnerDraw, NoHandlesOrWindowsLeftBehind) {
  // Warm up the lazily created objects (class registration, fonts) first.
  {
    const std::unique_ptr<TPopupMenu> warmPtr(NewComponent<TPopupMenu>(nullptr));
    TPopupMenu& warm = *warmPtr;
    warm.SetOwnerDraw(true);
    AddItem(warm, "w");
    MenuDriver driver({kEndMenu});
    warm.Popup(100, 100);
  }
  DWORD gdi = test::GdiObjectCount();
  DWORD user = test::UserObjectCount();
  for (int i = 0; i < 3; ++i) {
    const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
    TPopupMenu& menu = *menuPtr;
    menu.SetOwnerDraw(true);
    OwnerDrawRecorder rec;
    TMenuItem* a = AddOwnerDrawn(menu, "a", rec);
    TMenuItem* s = AddItem(menu, "sub");
    s->Add(NewComponent<TMenuItem>(nullptr));
    MenuDriver driver({[&](HWND) {
      if (!rec.Last(a)) return false;
      EndMenu();
      return true;
    }});
    menu.Popup(120 + i * 10, 120);
    EXPECT_TRUE(driver.AllStepsRan());
  }
  EXPECT_EQ(test::GdiObjectCount(), gdi);
  EXPECT_EQ(test::UserObjectCount(), user);
}

}  // namespace
}  // namespace korv
