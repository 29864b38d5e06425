// The demo's windows painted from the project's stored skin: the skin the main window's stored
// description brings, its frame and caption buttons on the screen, the modal dialog, the skin
// switched off and on, a broken skin, and the resources a skinned window keeps.
#include <windows.h>

#include <algorithm>
#include <fstream>

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

// A press and release at a screen point.
bool ClickAt(TInputDriver& d, TPoint at) { return d.MoveTo(at.x, at.y) && d.LeftDown() && d.LeftUp(); }

// The skin components of a form: exactly one provider, named sSkinProvider1; no skinned panel
// and no menu.
::testing::AssertionResult CarriesOneProviderAlone(const TCustomForm* form) {
  int providers = 0;
  for (int i = 0; i < form->ComponentCount(); ++i) {
    TComponent* c = form->Components(i);
    if (dynamic_cast<TsSkinProvider*>(c)) ++providers;
    if (dynamic_cast<TsPanel*>(c) || dynamic_cast<TMenu*>(c))
      return ::testing::AssertionFailure() << form->Name() << " holds " << c->ClassName();
  }
  if (providers != 1 || !ProviderOf(form)) return ::testing::AssertionFailure() << providers << " providers";
  if (form->Menu()) return ::testing::AssertionFailure() << form->Name() << " has a menu";
  return ::testing::AssertionSuccess();
}

// A caption button on the screen shows its skin image's first frame (the normal look) wherever
// the image's mask lets the picture through.
::testing::AssertionResult ButtonShowsImage(const TsSkinManager& sm, HWND wnd, const TsCaptionButton& b, int image) {
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
      if (!rgn.Contains(b.Rect.left + x, b.Rect.top + y)) continue;
      const TColor picture = master.At(m.R.left + x, m.R.top + y);
      if (picture == clFuchsia || (m.MaskType > 0 && master.At(m.R.left + x, m.R.top + h + y) != 0)) continue;
      if (screen.At(button.left + x - shown.left, button.top + y - shown.top) != picture)
        return ::testing::AssertionFailure() << "pixel " << x << "," << y << " of the button differs from the skin";
      ++compared;
    }
  if (compared < w * h / 8) return ::testing::AssertionFailure() << "only " << compared << " pixels of the image";
  return ::testing::AssertionSuccess();
}

using SkinnedWindow = TDemoWindowTest;

TEST_F(SkinnedWindow, TheStoredDescriptionLoadsTheFirstStoredSkinAndTheFrameShowsIt) {
  OpenWindow(kFiles);  // waits until the title and borders on the screen are the skin's image
  TsSkinManager* sm = ManagerOf(Form);
  ASSERT_NE(sm, nullptr);
  EXPECT_TRUE(sm->IsDefault() && sm->Active() && sm->SkinData.Active);
  // No folder skin beside the program: the one stored skin is loaded, and the manager took its
  // full name.
  EXPECT_FALSE(DirectoryExists(sm->ExpandedSkinDirectory())) << sm->ExpandedSkinDirectory();
  ASSERT_EQ(sm->InternalSkins()->Count(), 1);
  EXPECT_EQ(sm->SkinName(), sm->InternalSkins()->Items(0)->Name());
  EXPECT_EQ(sm->SkinName(), std::string(kDemoSkinName) + " (internal)");
  EXPECT_TRUE(CarriesOneProviderAlone(Form));

  // The caption buttons are the skin's big images, shown at their places.
  TsSkinProvider* p = ProviderOf(Form);
  HWND wnd = Form->Handle();
  EXPECT_EQ(p->ButtonClose.ImageIndex, sm->GetMaskIndexByName("GLOBALINFO", "BICONCLOSE"));
  EXPECT_EQ(p->ButtonMax.ImageIndex, sm->GetMaskIndexByName("GLOBALINFO", "BICONMAX"));
  EXPECT_EQ(p->ButtonMin.ImageIndex, sm->GetMaskIndexByName("GLOBALINFO", "BICONMIN"));
  for (const TsCaptionButton* b : {&p->ButtonClose, &p->ButtonMax, &p->ButtonMin})
    EXPECT_TRUE(ButtonShowsImage(*sm, wnd, *b, b->ImageIndex));
  // The corners are cut: what lies beneath shows there and takes the pointer.
  RECT wr{};
  GetWindowRect(wnd, &wr);
  EXPECT_NE(WindowFromPoint(Point(wr.left, wr.top)), wnd);
  EXPECT_NE(WindowFromPoint(Point(wr.right - 1, wr.top)), wnd);
  EXPECT_EQ(WindowFromPoint(Point((wr.left + wr.right) / 2, wr.top + 1)), wnd);
}

// Watches the modal dialog from a thread timer (it runs inside the dialog's own loop): once the
// dialog's skin is live, checks its frame on the screen and notes where its OK button is.
struct TDialogWatch {
  static TDialogWatch* Current;
  TEvent Ready;
  TAboutBox* Box = nullptr;
  ::testing::AssertionResult Frame = ::testing::AssertionFailure() << "the dialog was not seen skinned";
  bool OneProvider = false;
  int VisibleButtons = -1;
  TPoint OK{};
  DWORD Start = GetTickCount();

  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    TDialogWatch* w = Current;
    for (int i = 0; i < Screen->FormCount() && !w->Box; ++i)
      if (auto* box = dynamic_cast<TAboutBox*>(Screen->Forms(i)); box && box->Showing()) w->Box = box;
    const bool late = static_cast<int>(GetTickCount() - w->Start) > static_cast<int>(kDeadlineMs);
    if (!w->Box || !SkinLive(w->Box)) {
      if (late) KillTimer(nullptr, id), w->Ready.Set();
      return;
    }
    w->Frame = FrameShowsTheSkin(w->Box);
    if (!w->Frame && !late) return;  // the screen may still lag behind
    KillTimer(nullptr, id);
    w->OneProvider = static_cast<bool>(CarriesOneProviderAlone(w->Box));
    w->VisibleButtons = ProviderOf(w->Box)->VisibleSysButtons();
    w->OK = Centre(w->Box->OKButton);
    w->Ready.Set();
  }
};
TDialogWatch* TDialogWatch::Current = nullptr;

TEST_F(SkinnedWindow, TheModalDialogIsSkinnedWithoutCaptionButtonsAndClosesByItsButton) {
  OpenWindow(kFiles);
  TDialogWatch watch;
  TDialogWatch::Current = &watch;
  SetTimer(nullptr, 0, 30, &TDialogWatch::Tick);
  const TPoint about = Centre(Form->AboutButton);
  // The press opens the dialog: its modal loop runs inside the click, while the driver waits.
  Input([&](TInputDriver& d) {
    if (ClickAt(d, about) && d.WaitFor(watch.Ready.Handle(), 2 * kDeadlineMs, "the skinned dialog") && watch.Box)
      ClickAt(d, watch.OK);
  });
  ASSERT_NE(watch.Box, nullptr) << "no dialog was shown";
  EXPECT_TRUE(watch.Frame);
  EXPECT_TRUE(watch.OneProvider);
  EXPECT_EQ(watch.VisibleButtons, 0);
  // The click returned: the dialog is closed and gone, and the main window keeps its skin.
  for (int i = 0; i < Screen->FormCount(); ++i) EXPECT_EQ(dynamic_cast<TAboutBox*>(Screen->Forms(i)), nullptr);
  EXPECT_TRUE(WaitForSkinOnScreen(Form));
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
    Input([&](TInputDriver& d) {
      if (ClickAt(d, at)) d.MoveTo(Centre(Form->DetailPanel).x, Centre(Form->DetailPanel).y);
    });
  };

  click(p->ButtonMax);
  ASSERT_TRUE(PumpUntil([&] { return IsZoomed(wnd) != 0; })) << "maximise did not maximise";
  // Still the skin's, at the new size: the maximise button shows the restore image.
  const int restoreImage = sm->GetMaskIndexByName("GLOBALINFO", "BICONNORM");
  EXPECT_TRUE(PumpUntil([&] {
    RECT wr{};
    GetWindowRect(wnd, &wr);
    return p->ImageComposed && !p->SkinData()->BGChanged && p->SkinData()->CacheBmp->Width() == wr.right - wr.left &&
           ButtonShowsImage(*sm, wnd, p->ButtonMax, restoreImage);
  })) << "the maximised window does not show the restore button";

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
  ASSERT_TRUE(PumpUntil([&] { return !IsIconic(wnd) && GetForegroundWindow() == wnd; }));
  EXPECT_TRUE(WaitForSkinOnScreen(Form));

  click(p->ButtonClose);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(wnd); })) << "close did not close";
}

// A drag with the left button from one screen point to another, in steps.
bool DragFromTo(TInputDriver& d, TPoint from, TPoint to) {
  return d.MoveTo(from.x, from.y) && d.LeftDown() && d.MoveInSteps(from.x, from.y, to.x, to.y, 8) && d.LeftUp();
}

TEST_F(SkinnedWindow, ACaptionDragAndABorderResizeKeepTheSkin) {
  OpenWindow(kFiles);
  HWND wnd = Form->Handle();
  TsSkinProvider* p = ProviderOf(Form);
  RECT before{};
  GetWindowRect(wnd, &before);
  // Left of the caption buttons, in the middle of the title bar.
  const TPoint title = Point(before.left + 60, before.top + p->Frame().TitleHeight() / 2);
  Input([&](TInputDriver& d) { DragFromTo(d, title, Point(title.x + 60, title.y + 40)); });
  RECT moved{};
  EXPECT_TRUE(PumpUntil([&] {
    GetWindowRect(wnd, &moved);
    return moved.left == before.left + 60 && moved.top == before.top + 40;
  })) << "the window is at " << moved.left << "," << moved.top;
  EXPECT_EQ(moved.right - moved.left, before.right - before.left);
  EXPECT_TRUE(WaitForSkinOnScreen(Form));

  // The right border, halfway down, dragged 50 pixels further right.
  const TPoint edge = Point(moved.right - 2, (moved.top + moved.bottom) / 2);
  Input([&](TInputDriver& d) { DragFromTo(d, edge, Point(edge.x + 50, edge.y)); });
  RECT sized{};
  EXPECT_TRUE(PumpUntil([&] {
    GetWindowRect(wnd, &sized);
    return sized.right - sized.left == moved.right - moved.left + 50;
  })) << "the window is " << sized.right - sized.left << " wide";
  EXPECT_EQ(sized.left, moved.left);
  EXPECT_EQ(Form->ListView1->Width(), Form->ClientWidth());
  EXPECT_TRUE(WaitForSkinOnScreen(Form));  // the image, the region and the screen at the new size
}

// The title bar's pixels on the screen that the skin's image has too.
int TitleLikeTheSkin(const TCustomForm* form) {
  TsSkinProvider* p = ProviderOf(form);
  RECT wr{};
  GetWindowRect(form->HandleIfAllocated(), &wr);
  const TPixelImage screen = CaptureScreen(Bounds(wr.left, wr.top, wr.right - wr.left, p->Frame().TitleHeight()));
  const TPixelImage cache = BitmapImage(*p->SkinData()->CacheBmp);
  int same = 0;
  for (int y = 0; y < screen.Height(); ++y)
    for (int x = 0; x < screen.Width(); ++x) same += screen.At(x, y) == cache.At(x, y);
  return same;
}

TEST_F(SkinnedWindow, SwitchingTheSkinOffGivesTheSystemFrameAndOnBringsTheSkinBack) {
  OpenWindow(kFiles);
  TsSkinManager* sm = ManagerOf(Form);
  HWND wnd = Form->Handle();
  const LONG skinnedStyle = GetWindowLongA(wnd, GWL_STYLE);
  sm->SetActive(false);
  // The system's own frame: no region, the caption buttons back in the style, and the title bar
  // painted by the system (in its caption colour, nothing like the skin's image).
  EXPECT_FALSE(ReadWindowRegion(wnd).HasRegion());
  const LONG style = GetWindowLongA(wnd, GWL_STYLE);
  EXPECT_TRUE((style & WS_SYSMENU) && (style & WS_MINIMIZEBOX) && (style & WS_MAXIMIZEBOX)) << std::hex << style;
  EXPECT_TRUE(IsWindowVisible(wnd));
  TsSkinProvider* p = ProviderOf(Form);
  const TPoint caption = Point(GetSystemMetrics(SM_CXFRAME) + 2, GetSystemMetrics(SM_CYFRAME) + 2);
  const TColor system = ColorToRGB(static_cast<TColor>(GetSysColor(COLOR_ACTIVECAPTION)));
  EXPECT_TRUE(PumpUntil([&] {
    RECT wr{};
    GetWindowRect(wnd, &wr);
    return ScreenPixel(wr.left + caption.x, wr.top + caption.y) == system;
  })) << "the system's caption is not on the screen";
  EXPECT_LT(TitleLikeTheSkin(Form), RectWidth(Form->BoundsRect()) * p->Frame().TitleHeight() / 4);

  sm->SetActive(true);
  EXPECT_TRUE(WaitForSkinOnScreen(Form));
  EXPECT_EQ(GetWindowLongA(wnd, GWL_STYLE), skinnedStyle);
  EXPECT_EQ(sm->SkinName(), sm->InternalSkins()->Items(0)->Name());
}

// A folder skin named like the stored one, in the skin folder beside the program, is loaded
// before the stored skin; this one holds a gradient that is not made of numbers.
class TBrokenSkinFolder {
 public:
  TBrokenSkinFolder() {
    Remove();
    ForceDirectories(Dir());
    std::ofstream(Dir() + "\\Options.dat") << "[GLOBALINFO]\nVERSION=1.0\n[FORM]\nGRADIENTDATA=1;2;x;0;0\n";
  }
  ~TBrokenSkinFolder() { Remove(); }
  static std::string Root() { return ExeFolder() + "Skins"; }
  static std::string Dir() { return Root() + "\\" + kDemoSkinName; }

 private:
  static void Remove() {
    DeleteFileA((Dir() + "\\Options.dat").c_str());
    RemoveDirectoryA(Dir().c_str());
    RemoveDirectoryA(Root().c_str());
  }
};

TEST_F(SkinnedWindow, ABrokenSkinLeavesAWorkingUnskinnedWindow) {
  TBrokenSkinFolder broken;
  OpenWindow(kFiles, false);
  TsSkinManager* sm = ManagerOf(Form);
  ASSERT_NE(sm, nullptr);
  EXPECT_FALSE(sm->Active() || sm->SkinData.Active);
  HWND wnd = Form->Handle();
  EXPECT_TRUE(IsWindowVisible(wnd));
  EXPECT_FALSE(ReadWindowRegion(wnd).HasRegion());
  EXPECT_TRUE(GetWindowLongA(wnd, GWL_STYLE) & WS_SYSMENU);
  RECT wr{};
  GetWindowRect(wnd, &wr);
  EXPECT_EQ(WindowFromPoint(Point(wr.left + 1, wr.top + 1)), wnd);
  // It works: a click selects a row.
  ClickRow(RowOf("two.txt"));
  EXPECT_TRUE(PumpUntil([&] { return Form->ListView1->SelectedRows() == std::vector<int>{RowOf("two.txt")}; }));
}

TEST_F(SkinnedWindow, RepaintsAndSkinCyclesKeepTheGdiObjectsAndWindowsFlat) {
  OpenWindow(kFiles);
  TsSkinManager* sm = ManagerOf(Form);
  HWND wnd = Form->Handle();
  const auto repaint = [wnd] {
    RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpPending();
  };
  const auto cycle = [&] {
    sm->SetActive(false);
    PumpPending();
    sm->SetActive(true);
    PumpPending();
  };
  // Once each first: the caches and the platform's own lazily made objects are in place.
  repaint();
  cycle();
  repaint();
  const DWORD gdi = GdiObjectCount();
  const int windows = ThreadWindowCount();
  for (int i = 0; i < 100; ++i) repaint();
  EXPECT_EQ(GdiObjectCount(), gdi) << "after 100 repaints";
  EXPECT_EQ(ThreadWindowCount(), windows);
  for (int i = 0; i < 10; ++i) cycle();
  repaint();
  EXPECT_EQ(GdiObjectCount(), gdi) << "after 10 skin cycles";
  EXPECT_EQ(ThreadWindowCount(), windows);
  EXPECT_TRUE(WaitForSkinOnScreen(Form));
}

}  // namespace
}  // namespace korv::test
