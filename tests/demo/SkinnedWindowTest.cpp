// The demo's windows painted from the project's stored skin, driven with real input: the frame
// and caption buttons on the screen, the modal dialog, moving and sizing, the skin switched off
// and on, a broken skin, and the resources a skinned window keeps.
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <functional>

#include "AboutBox.h"
#include "DemoTestKit.h"
#include "classlib/SysUtils.h"
#include "skin/controls/sPanel.h"
#include "skin/core/sSkinManager.h"
#include "skin/forms/sSkinProvider.h"
#include "support/Pixels.h"
#include "widgets/TFlatButtonUnit.h"

namespace korv::test {
namespace {

const std::vector<std::string> kFiles = {"one.txt", "two.txt", "three.txt"};

TPoint Centre(const TControl* c) { return c->ClientToScreen(Point(c->Width() / 2, c->Height() / 2)); }
bool ClickAt(TInputDriver& d, TPoint at) { return d.MoveTo(at.x, at.y) && d.LeftDown() && d.LeftUp(); }
bool DragFromTo(TInputDriver& d, TPoint from, TPoint to) {
  return d.MoveTo(from.x, from.y) && d.LeftDown() && d.MoveInSteps(from.x, from.y, to.x, to.y, 8) && d.LeftUp();
}

// Exactly one provider, named sSkinProvider1; no skinned panel and no menu.
bool CarriesOneProviderAlone(const TCustomForm* form) {
  int providers = 0;
  for (int i = 0; i < form->ComponentCount(); ++i) {
    TComponent* c = form->Components(i);
    providers += dynamic_cast<TsSkinProvider*>(c) != nullptr;
    if (dynamic_cast<TsPanel*>(c) || dynamic_cast<TMenu*>(c)) return false;
  }
  return providers == 1 && ProviderOf(form) && !form->Menu();
}

// A caption button on the screen shows the first frame (the normal look) of a skin image wherever
// the image's mask lets the picture through (and the window's region keeps the pixel).
::testing::AssertionResult ButtonShows(const TsSkinManager& sm, HWND wnd, const TsCaptionButton& b, int image) {
  if (!sm.IsValidSkinIndex(image)) return ::testing::AssertionFailure() << "no image";
  const TsMaskData& m = sm.Images[static_cast<size_t>(image)];
  const TPixelImage master = BitmapImage(*sm.MasterBitmap);
  const int w = RectWidth(m.R) / std::max<int>(1, m.ImageCount);
  const int h = RectHeight(m.R) / (std::max<int>(0, m.MaskType) + 1);
  RECT wr{};
  GetWindowRect(wnd, &wr);
  // Only what the screen shows: a maximised window's frame lies partly beyond it.
  const TRect button = Bounds(wr.left + b.Rect.left, wr.top + b.Rect.top, w, h);
  const TRect screenRect = Rect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  TRect shown{};
  if (!IntersectRect(&shown, &button, &screenRect)) return ::testing::AssertionFailure() << "off the screen";
  const TPixelImage screen = CaptureScreen(shown);
  const TWindowRegion rgn = ReadWindowRegion(wnd);
  int compared = 0;
  for (int y = shown.top - button.top; y < shown.bottom - button.top; ++y)
    for (int x = shown.left - button.left; x < shown.right - button.left; ++x) {
      const TColor picture = master.At(m.R.left + x, m.R.top + y);
      if (!rgn.Contains(b.Rect.left + x, b.Rect.top + y) || picture == clFuchsia ||
          (m.MaskType > 0 && master.At(m.R.left + x, m.R.top + h + y) != 0))
        continue;
      if (screen.At(button.left + x - shown.left, button.top + y - shown.top) != picture)
        return ::testing::AssertionFailure() << "pixel " << x << "," << y << " of the button differs from the skin";
      ++compared;
    }
  if (compared < w * h / 8) return ::testing::AssertionFailure() << "only " << compared << " pixels of the image";
  return ::testing::AssertionSuccess();
}

using SkinnedWindow = TDemoWindowTest;

TEST_F(SkinnedWindow, TheFirstStoredSkinIsLoadedAndTheFrameAndCaptionButtonsShowIt) {
  OpenWindow(kFiles);  // waits until the title and borders on the screen are the skin's image
  TsSkinManager* sm = ManagerOf(Form);
  ASSERT_NE(sm, nullptr);
  EXPECT_TRUE(sm->IsDefault() && sm->SkinData.Active);
  // No folder skin beside the program: the one stored skin, whose full name the manager took.
  EXPECT_FALSE(DirectoryExists(sm->ExpandedSkinDirectory())) << sm->ExpandedSkinDirectory();
  ASSERT_EQ(sm->InternalSkins()->Count(), 1);
  EXPECT_EQ(sm->SkinName(), std::string(kDemoSkinName) + " (internal)");
  EXPECT_EQ(sm->SkinName(), sm->InternalSkins()->Items(0)->Name());
  EXPECT_TRUE(CarriesOneProviderAlone(Form));
  TsSkinProvider* p = ProviderOf(Form);
  EXPECT_TRUE(ButtonShows(*sm, Form->Handle(), p->ButtonClose, sm->GetMaskIndexByName("GLOBALINFO", "BICONCLOSE")));
  EXPECT_TRUE(ButtonShows(*sm, Form->Handle(), p->ButtonMax, sm->GetMaskIndexByName("GLOBALINFO", "BICONMAX")));
  EXPECT_TRUE(ButtonShows(*sm, Form->Handle(), p->ButtonMin, sm->GetMaskIndexByName("GLOBALINFO", "BICONMIN")));
}

TEST_F(SkinnedWindow, TheSkinsCaptionButtonsMaximiseRestoreMinimiseAndClose) {
  OpenWindow(kFiles);
  HWND wnd = Form->Handle();
  TsSkinProvider* p = ProviderOf(Form);
  TsSkinManager* sm = ManagerOf(Form);
  RECT normal{};
  GetWindowRect(wnd, &normal);
  const auto click = [&](const TsCaptionButton& b) {
    RECT wr{};
    GetWindowRect(wnd, &wr);
    const TPoint at = Point(wr.left + (b.Rect.left + b.Rect.right) / 2, wr.top + (b.Rect.top + b.Rect.bottom) / 2);
    // Then off the caption, where the button loses its hot look.
    const TPoint off = Centre(Form->DetailPanel);
    Input([&](TInputDriver& d) {
      if (ClickAt(d, at)) d.MoveTo(off.x, off.y);
    });
  };

  click(p->ButtonMax);
  ASSERT_TRUE(PumpUntil([&] { return IsZoomed(wnd) != 0; })) << "maximise did not maximise";
  const int restoreImage = sm->GetMaskIndexByName("GLOBALINFO", "BICONNORM");
  EXPECT_TRUE(PumpUntil([&] { return SkinLive(Form) && ButtonShows(*sm, wnd, p->ButtonMax, restoreImage); }))
      << "the maximised window does not show the skin's restore button";
  click(p->ButtonMax);
  ASSERT_TRUE(PumpUntil([&] { return !IsZoomed(wnd); })) << "restore did not restore";
  RECT restored{};
  GetWindowRect(wnd, &restored);
  EXPECT_TRUE(EqualRect(&restored, &normal));
  EXPECT_TRUE(WaitForSkinOnScreen(Form));

  click(p->ButtonMin);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(wnd) != 0; })) << "minimise did not minimise";
  ShowWindow(wnd, SW_RESTORE);
  SetForegroundWindow(wnd);
  EXPECT_TRUE(WaitForSkinOnScreen(Form));
  click(p->ButtonClose);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(wnd); })) << "close did not close";
}

TEST_F(SkinnedWindow, ACaptionDragAndABorderResizeKeepTheSkin) {
  OpenWindow(kFiles);
  HWND wnd = Form->Handle();
  RECT before{}, moved{}, sized{};
  GetWindowRect(wnd, &before);
  const TPoint title = Point(before.left + 60, before.top + ProviderOf(Form)->Frame().TitleHeight() / 2);
  Input([&](TInputDriver& d) { DragFromTo(d, title, Point(title.x + 60, title.y + 40)); });
  EXPECT_TRUE(PumpUntil([&] {
    GetWindowRect(wnd, &moved);
    return moved.left == before.left + 60 && moved.top == before.top + 40;
  })) << "the window is at "
      << moved.left << "," << moved.top;
  EXPECT_TRUE(WaitForSkinOnScreen(Form));

  // The right border, halfway down, 50 pixels further right.
  const TPoint edge = Point(moved.right - 2, (moved.top + moved.bottom) / 2);
  Input([&](TInputDriver& d) { DragFromTo(d, edge, Point(edge.x + 50, edge.y)); });
  EXPECT_TRUE(PumpUntil([&] {
    GetWindowRect(wnd, &sized);
    return sized.right - sized.left == moved.right - moved.left + 50 && sized.left == moved.left;
  })) << "the window is "
      << sized.right - sized.left << " wide";
  EXPECT_TRUE(WaitForSkinOnScreen(Form));  // image, region and screen at the new size
}

// The dialog's line of text lies whole in its panel on the screen: as wide as the panel's font
// makes it, it fits, and the panel's colour shows on both sides of it.
::testing::AssertionResult TextShowsWhole(const TAboutBox* box) {
  TPanel* info = box->InfoPanel;
  TBitmap probe(1, 1);
  probe.Canvas()->SetFont(info->Font());
  const int text = probe.Canvas()->TextWidth(info->Caption()), w = info->ClientWidth(), h = info->ClientHeight();
  const int side = (w - text) / 2 - 1;  // the panel's own colour beside the centred line
  if (side < 1) return ::testing::AssertionFailure() << "a text " << text << " wide in a panel " << w << " wide";
  const TPixelImage img = CaptureClient(info->Handle());
  const TColor face = ColorToRGB(info->Color());
  if (img.Count(Rect(0, 0, w, h), face) < w * h && img.All(Rect(0, 0, side, h), face) &&
      img.All(Rect(w - side, 0, w, h), face))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the text is not drawn inside the panel";
}

// Watches the modal dialog from a thread timer, which runs inside the dialog's own loop.
struct TDialogWatch {
  static inline TDialogWatch* Current = nullptr;
  TEvent Ready;
  TAboutBox* Box = nullptr;
  ::testing::AssertionResult Frame = ::testing::AssertionFailure() << "the dialog was not seen skinned";
  ::testing::AssertionResult Text = ::testing::AssertionFailure() << "the dialog's text was not seen";
  bool OneProvider = false;
  int Buttons = -1;
  TPoint OK{};
  DWORD Start = GetTickCount();

  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    TDialogWatch* w = Current;
    for (int i = 0; i < Screen->FormCount() && !w->Box; ++i)
      if (auto* box = dynamic_cast<TAboutBox*>(Screen->Forms(i)); box && box->Showing()) w->Box = box;
    const bool late = GetTickCount() - w->Start > kDeadlineMs;
    if (w->Box && SkinLive(w->Box)) {
      w->Frame = FrameShowsTheSkin(w->Box);
      w->Text = TextShowsWhole(w->Box);
    }
    if ((!w->Frame || !w->Text) && !late) return;  // the screen may still lag behind
    KillTimer(nullptr, id);
    if (w->Box) {
      w->OneProvider = CarriesOneProviderAlone(w->Box);
      w->Buttons = ProviderOf(w->Box)->VisibleSysButtons();
      w->OK = Centre(w->Box->OKButton);
    }
    w->Ready.Set();
  }
};

TEST_F(SkinnedWindow, TheModalDialogIsSkinnedWithoutCaptionButtonsShowsItsWholeTextAndClosesByItsButton) {
  OpenWindow(kFiles);
  TDialogWatch watch;
  TDialogWatch::Current = &watch;
  SetTimer(nullptr, 0, 30, &TDialogWatch::Tick);
  const TPoint about = Centre(Form->AboutButton);
  // The click opens the dialog; its modal loop runs inside the click while the driver waits.
  Input([&](TInputDriver& d) {
    if (ClickAt(d, about) && d.WaitFor(watch.Ready.Handle(), 2 * kDeadlineMs, "the dialog") && watch.Box)
      ClickAt(d, watch.OK);
  });
  ASSERT_NE(watch.Box, nullptr) << "no dialog was shown";
  EXPECT_TRUE(watch.Frame);
  EXPECT_TRUE(watch.Text);
  EXPECT_TRUE(watch.OneProvider);
  EXPECT_EQ(watch.Buttons, 0);
  for (int i = 0; i < Screen->FormCount(); ++i) EXPECT_EQ(dynamic_cast<TAboutBox*>(Screen->Forms(i)), nullptr);
  EXPECT_TRUE(WaitForSkinOnScreen(Form));
}

TEST_F(SkinnedWindow, SkinOffShowsTheSystemFrameAndRepaintsAndSkinCyclesKeepGdiObjectsAndWindowsFlat) {
  OpenWindow(kFiles);
  TsSkinManager* sm = ManagerOf(Form);
  HWND wnd = Form->Handle();
  sm->SetActive(false);
  // The system's own frame: no region, the caption buttons back in the style, and the title bar
  // in the system's caption colour on the screen.
  EXPECT_FALSE(ReadWindowRegion(wnd).HasRegion());
  EXPECT_EQ(GetWindowLongA(wnd, GWL_STYLE) & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
            WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
  const TColor system = ColorToRGB(static_cast<TColor>(GetSysColor(COLOR_ACTIVECAPTION)));
  EXPECT_TRUE(PumpUntil([&] {
    RECT wr{};
    GetWindowRect(wnd, &wr);
    return ScreenPixel(wr.left + GetSystemMetrics(SM_CXFRAME) + 2, wr.top + GetSystemMetrics(SM_CYFRAME) + 2) == system;
  })) << "the system's caption is not on the screen";
  sm->SetActive(true);
  EXPECT_TRUE(WaitForSkinOnScreen(Form));

  const auto repaint = [wnd] {
    RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpPending();
  };
  repaint();
  const DWORD gdi = GdiObjectCount();
  const int windows = ThreadWindowCount();
  for (int i = 0; i < 100; ++i) repaint();
  EXPECT_EQ(GdiObjectCount(), gdi) << "after 100 repaints";
  EXPECT_EQ(ThreadWindowCount(), windows);
  for (int i = 0; i < 10; ++i) {
    sm->SetActive(false);
    PumpPending();
    sm->SetActive(true);
    PumpPending();
  }
  repaint();
  EXPECT_EQ(GdiObjectCount(), gdi) << "after 10 skin cycles";
  EXPECT_EQ(ThreadWindowCount(), windows);
  EXPECT_TRUE(WaitForSkinOnScreen(Form));
}

TEST_F(SkinnedWindow, ABrokenSkinLeavesAWorkingUnskinnedWindow) {
  // A folder skin of the skin's name beside the program comes before the stored skin; this one
  // holds a gradient that is not made of numbers.
  const std::string root = ExeFolder() + "Skins", dir = root + "\\" + kDemoSkinName;
  const auto remove = [&] {
    DeleteFileA((dir + "\\Options.dat").c_str());
    RemoveDirectoryA(dir.c_str());
    RemoveDirectoryA(root.c_str());
  };
  remove();
  struct TRemoved {
    std::function<void()> Remove;
    ~TRemoved() { Remove(); }
  } removed{remove};
  ASSERT_TRUE(ForceDirectories(dir));
  std::ofstream(dir + "\\Options.dat") << "[GLOBALINFO]\nVERSION=1.0\n[FORM]\nGRADIENTDATA=1;2;x;0;0\n";
  OpenWindow(kFiles, false);
  EXPECT_FALSE(ManagerOf(Form)->SkinData.Active);
  HWND wnd = Form->Handle();
  EXPECT_FALSE(ReadWindowRegion(wnd).HasRegion());
  EXPECT_TRUE(GetWindowLongA(wnd, GWL_STYLE) & WS_SYSMENU);
  RECT wr{};
  GetWindowRect(wnd, &wr);
  EXPECT_EQ(WindowFromPoint(Point(wr.left + 1, wr.top + 1)), wnd);
  ClickRow(RowOf("two.txt"));
  EXPECT_TRUE(PumpUntil([&] { return Form->ListView1->SelectedRows() == std::vector<int>{RowOf("two.txt")}; }));
}

}  // namespace
}  // namespace korv::test
