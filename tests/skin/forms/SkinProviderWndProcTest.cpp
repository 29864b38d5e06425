// The form's window procedure on real windows: the skin commands' answers, the frame and region
// on the screen through showing, activation, retitling, resizing, maximising and restoring, the
// skin going and coming back, a skin without the form's section, the size limits and snapping.
#include <gtest/gtest.h>

#include <algorithm>

#include "ProviderKit.h"
#include "classlib/Handles.h"
#include "skin/core/sMessages.h"
#include "skin/data/sStoredSkins.h"
#include "skin/paint/sStyleSimply.h"

namespace korv::test {
namespace {

// Sits under the provider: sees what the provider passes on to the form's own handling, and
// whether the header was in the window region when the text changed.
struct TBelowProvider {
  TCustomForm* Form = nullptr;
  TWndMethod Saved;
  std::vector<UINT> Seen;
  int HeaderInRegionAtSetText = -1;
  void Proc(TMessage& m) {
    Seen.push_back(m.Msg);
    if (m.Msg == WM_SETTEXT) {
      TUniqueRgn rgn(CreateRectRgn(0, 0, 0, 0));
      const int kind = GetWindowRgn(Form->HandleIfAllocated(), rgn.Get());
      HeaderInRegionAtSetText = kind == ERROR || PtInRegion(rgn.Get(), Form->Width() / 2, 5) ? 1 : 0;
    }
    Saved(m);
  }
  [[nodiscard]] std::vector<UINT> Only(std::initializer_list<UINT> wanted) const {
    std::vector<UINT> r;
    for (UINT msg : Seen)
      if (std::find(wanted.begin(), wanted.end(), msg) != wanted.end()) r.push_back(msg);
    return r;
  }
};

class SkinProviderWndProcTest : public TProviderTest {
 protected:
  // A form whose provider passes on to Below.
  TForm* NewWatchedForm(TBorderStyle style = bsSizeable, int w = 300, int h = 200) {
    TForm* form = NewAppForm(w, h);
    form->SetBorderStyle(style);
    form->SetCaption("");
    Below.Form = form;
    Below.Saved = form->WindowProc;
    form->WindowProc = TWndMethod(&Below, &TBelowProvider::Proc);
    NewComponent<TsSkinProvider>(form)->SetName("sSkinProvider1");
    return form;
  }

  // A form of the application's (the manager's announcements reach it).
  TForm* NewAppForm(int w = 300, int h = 200) {
    auto* form = NewComponent<TForm>(Application);
    form->SetBounds(100, 100, w, h);
    Forms_.push_back(form);
    return form;
  }
  TForm* NewSkinnedAppForm(TBorderStyle style = bsSizeable) {
    TForm* form = NewAppForm();
    form->SetBorderStyle(style);
    form->SetCaption("");
    NewComponent<TsSkinProvider>(form)->SetName("sSkinProvider1");
    return form;
  }

  // The pixels of the frame strips on the screen that differ from the cache (inside the window
  // region and the screen); -1 while the cache is not the window's size.
  static int FrameMismatches(TCustomForm* form, TsSkinProvider* p) {
    HWND wnd = form->Handle();
    const TBitmap* bmp = p->SkinData()->CacheBmp.get();
    TRect wr{};
    GetWindowRect(wnd, &wr);
    if (!bmp || bmp->Width() != RectWidth(wr) || bmp->Height() != RectHeight(wr)) return -1;
    const TPixelImage cache = BitmapImage(*bmp);
    // Only what lies on the screen is read (a maximised window overhangs it).
    TRect shown{};
    const TRect screenRect = Rect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    IntersectRect(&shown, &wr, &screenRect);
    const TPixelImage screen = CaptureScreen(shown);
    TUniqueRgn rgn(CreateRectRgn(0, 0, 0, 0));
    const bool shaped = GetWindowRgn(wnd, rgn.Get()) != ERROR;
    const TsFormFrame f = p->Frame();
    const int w = cache.Width(), h = cache.Height();
    int bad = 0;
    for (int y = shown.top - wr.top; y < shown.bottom - wr.top; ++y)
      for (int x = shown.left - wr.left; x < shown.right - wr.left; ++x) {
        const bool strip = y < f.HeaderHeight() || x < f.SysBorderWidth() || x >= w - f.SysBorderWidth() ||
                           y >= h - f.SysBorderHeight();
        if (strip && (!shaped || PtInRegion(rgn.Get(), x, y)) &&
            screen.At(x + wr.left - shown.left, y + wr.top - shown.top) != cache.At(x, y))
          ++bad;
      }
    return bad;
  }
  // Waits until the screen shows the cache's frame.
  static ::testing::AssertionResult FrameShown(TCustomForm* form, TsSkinProvider* p) {
    int last = 0;
    if (PumpUntil([&] { return (last = FrameMismatches(form, p)) == 0; })) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << last << " frame pixels differ from the cache";
  }
  // The region cuts the skin's notch out of each corner.
  static bool CornersCut(HWND wnd) {
    TRect wr{};
    GetWindowRect(wnd, &wr);
    TUniqueRgn rgn(CreateRectRgn(0, 0, 0, 0));
    if (GetWindowRgn(wnd, rgn.Get()) != COMPLEXREGION) return false;
    const int w = RectWidth(wr), h = RectHeight(wr);
    for (TPoint c : {Point(0, 0), Point(w - 1, 0), Point(0, h - 1), Point(w - 1, h - 1)})
      if (PtInRegion(rgn.Get(), c.x, c.y)) return false;
    return PtInRegion(rgn.Get(), 2, 2) && PtInRegion(rgn.Get(), w / 2, h / 2);
  }
  // The title's middle on the screen (the caption is empty).
  static TColor TitlePixel(TCustomForm* form, TsSkinProvider* p) {
    TRect wr{};
    GetWindowRect(form->Handle(), &wr);
    return ScreenPixel(wr.left + RectWidth(wr) / 2, wr.top + p->Frame().TitleHeight() / 2);
  }
  // A skin command handed to the form's WindowProc: answers left in the record come back.
  static TMessage Ask(TCustomForm* form, WORD command, WORD flag = 0) {
    TMessage m = SkinCmdMessage(command, 0, flag);
    form->WindowProc(m);
    return m;
  }

  TBelowProvider Below;
};

TEST_F(SkinProviderWndProcTest, SkinCommandsAreAnsweredInTheRecordAndTheirSlots) {
  LoadTestSkin();
  TForm* form = NewSkinnedForm();
  TsSkinProvider* p = ProviderOf(form);
  form->Show();
  ASSERT_TRUE(FrameShown(form, p));
  EXPECT_EQ(form->Perform(SM_ALPHACMD, SkinCmdWParam(skcGetProvider), 0), reinterpret_cast<LRESULT>(p));
  EXPECT_EQ(Ask(form, skcHandlesSkinCmds).LParam, 1);

  // The cache goes to a child with the client's place in it.
  ParentCacheInfo = TCacheInfo{};
  form->Perform(SM_ALPHACMD, SkinCmdWParam(skcGetCache), 0);
  TRect wr{};
  GetWindowRect(form->Handle(), &wr);
  POINT client{0, 0};
  ClientToScreen(form->Handle(), &client);
  EXPECT_TRUE(ParentCacheInfo.Ready);
  EXPECT_EQ(ParentCacheInfo.Bmp, p->SkinData()->CacheBmp.get());
  EXPECT_EQ(ParentCacheInfo.X, client.x - wr.left);
  EXPECT_EQ(ParentCacheInfo.Y, client.y - wr.top);

  // Out of date: after a change, and while the manager holds the form in an update.
  EXPECT_EQ(Ask(form, skcIsBGChanged).LParam, 0);
  p->SkinData()->BGChanged = true;
  EXPECT_EQ(Ask(form, skcIsBGChanged).LParam, 1);
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(Ask(form, skcIsBGChanged).LParam, 0);
  Ask(form, 8, 1);
  EXPECT_EQ(Ask(form, skcIsBGChanged).LParam, 1);
  Ask(form, 8, 0);

  // What lies under a child shows through only with a gradient or an image in the section.
  EXPECT_EQ(Ask(form, skcNeedsParentImage).LParam, 0);
  Manager->Sections[static_cast<size_t>(p->SkinData()->SkinIndex)].GradientPercent = 30;
  EXPECT_EQ(Ask(form, skcNeedsParentImage).LParam, 1);
  SkinColorReply = sNoColorReply;
  form->Perform(SM_ALPHACMD, SkinCmdWParam(skcGetColor), 0);
  EXPECT_EQ(SkinColorReply, kFormHotColor);
}

// The frame on the screen is the cache, cut at the corners, through every change of the window;
// the system's own caption never shows over it, and the provider's region updates and paints
// never reach the form's own handling.
TEST_F(SkinProviderWndProcTest, TheFrameStaysTheSkinsThroughActivationTextSizeAndMaximising) {
  LoadTestSkin();
  TForm* form = NewWatchedForm();
  TsSkinProvider* p = ProviderOf(form);
  ShowAndActivate(form);
  HWND wnd = form->Handle();
  ASSERT_TRUE(FrameShown(form, p));
  EXPECT_TRUE(CornersCut(wnd));
  EXPECT_EQ(TitlePixel(form, p), kTitleColor);
  EXPECT_EQ(std::count(Below.Seen.begin(), Below.Seen.end(), WM_NCPAINT), 0);
  EXPECT_EQ(std::count(Below.Seen.begin(), Below.Seen.end(), WM_ERASEBKGND), 0);

  // Retitled: the header leaves the region while the system paints its caption, and comes back.
  Below.Seen.clear();
  form->SetCaption("A new title");
  EXPECT_EQ(Below.HeaderInRegionAtSetText, 0);
  EXPECT_EQ(Below.Only({WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_SETTEXT, WM_NCPAINT}),
            (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_SETTEXT}));
  EXPECT_TRUE(CornersCut(wnd));
  ASSERT_TRUE(FrameShown(form, p));
  form->SetCaption("");

  // Another window active: the inactive look; active again: the active look.
  TForm* other = NewForm(500, 400, 120, 80);
  ShowAndActivate(other);
  EXPECT_TRUE(PumpUntil([&] { return TitlePixel(form, p) == kTitleHotColor; }));
  ASSERT_TRUE(FrameShown(form, p));
  ShowAndActivate(form);
  EXPECT_TRUE(PumpUntil([&] { return TitlePixel(form, p) == kTitleColor; }));
  // The caption's state follows WM_NCACTIVATE alone too.
  SendMessageA(wnd, WM_NCACTIVATE, FALSE, 0);
  EXPECT_TRUE(PumpUntil([&] { return TitlePixel(form, p) == kTitleHotColor; }));
  SendMessageA(wnd, WM_NCACTIVATE, TRUE, 0);
  EXPECT_TRUE(PumpUntil([&] { return TitlePixel(form, p) == kTitleColor; }));

  form->SetBounds(120, 90, 420, 260);
  ASSERT_TRUE(FrameShown(form, p));
  EXPECT_TRUE(CornersCut(wnd));
  ShowWindow(wnd, SW_MAXIMIZE);
  ASSERT_TRUE(PumpUntil([&] { return IsZoomed(wnd) != FALSE; }));
  ASSERT_TRUE(FrameShown(form, p));
  ShowWindow(wnd, SW_RESTORE);
  ASSERT_TRUE(PumpUntil([&] { return !IsZoomed(wnd); }));
  ASSERT_TRUE(FrameShown(form, p));
  EXPECT_TRUE(CornersCut(wnd));
  EXPECT_EQ(TitlePixel(form, p), kTitleColor);
  // The provider's own region changes moved nothing the form knows of.
  EXPECT_EQ(form->Left(), 120);
  EXPECT_EQ(form->Width(), 420);
  // A region set by another hand gives way to the skin's at the next frame paint.
  TUniqueRgn whole(CreateRectRgn(0, 0, 420, 260));
  if (SetWindowRgn(wnd, whole.Get(), FALSE)) (void)whole.Release();
  EXPECT_FALSE(CornersCut(wnd));
  RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_TRUE(CornersCut(wnd));
}

// Retitled while hidden, a form never activated shows the new title when shown again: the
// frame on the screen is a composition of the new text.
TEST_F(SkinProviderWndProcTest, AFormRetitledWhileHiddenShowsTheNewTitleWhenShownWithoutActivation) {
  LoadTestSkin();
  TForm* form = NewSkinnedForm();
  TsSkinProvider* p = ProviderOf(form);
  form->SetCaption("Before");
  ShowWindow(form->Handle(), SW_SHOWNOACTIVATE);
  ASSERT_TRUE(FrameShown(form, p));
  form->Hide();
  ASSERT_TRUE(!form->Visible() && !p->SkinData()->BGChanged);
  form->SetCaption("After, and longer");
  ShowWindow(form->Handle(), SW_SHOWNOACTIVATE);
  ASSERT_TRUE(FrameShown(form, p));
  const TPixelImage shown = BitmapImage(*p->SkinData()->CacheBmp), composed = Compose(p);
  int differ = 0;
  for (int y = 0; y < shown.Height(); ++y)
    for (int x = 0; x < shown.Width(); ++x) differ += shown.At(x, y) != composed.At(x, y);
  EXPECT_EQ(differ, 0);
}

// Where the procedure repaints the client (a refresh from the manager, a resize), the client is
// painted even though nothing in it was invalid.
TEST_F(SkinProviderWndProcTest, ARefreshRepaintsAClientThatNothingInvalidated) {
  LoadTestSkin();
  TForm* form = ShowSkinnedForm();
  HWND wnd = form->Handle();
  POINT mid{form->ClientWidth() / 2, form->ClientHeight() / 2};
  ClientToScreen(wnd, &mid);
  ASSERT_TRUE(PumpUntil([&] { return ScreenPixel(mid.x, mid.y) == kFormColor; }));
  auto scribble = [&] {
    TWindowDC dc = TWindowDC::Client(wnd);
    FillDC(dc.Get(), Rect(0, 0, form->ClientWidth(), form->ClientHeight()), 0x000000);
    GdiFlush();
  };
  scribble();
  ASSERT_TRUE(PumpUntil([&] { return ScreenPixel(mid.x, mid.y) == 0x000000; }));
  SendMessageA(wnd, SM_ALPHACMD, SkinCmdWParam(skcRefresh), reinterpret_cast<LPARAM>(Manager.get()));
  EXPECT_TRUE(PumpUntil([&] { return ScreenPixel(mid.x, mid.y) == kFormColor; }));
  scribble();
  PumpPending();
  form->SetWidth(form->Width() + 10);  // the cache no longer fits: frame and client again
  EXPECT_TRUE(PumpUntil([&] { return ScreenPixel(mid.x, mid.y) == kFormColor; }));
}

// The skin removed: the form's own icons and frame, no region, no provider answer; a new skin:
// the skin's frame and corners again.
TEST_F(SkinProviderWndProcTest, RemovingTheSkinGivesTheFormBackAndANewSkinTakesItAgain) {
  LoadTestSkin();
  TForm* form = NewSkinnedAppForm();
  TsSkinProvider* p = ProviderOf(form);
  form->Show();
  HWND wnd = form->Handle();
  ASSERT_TRUE(FrameShown(form, p));
  EXPECT_EQ(form->BorderIcons(), p->SavedBorderIcons);

  Manager->SetActive(false);
  PumpPending();
  EXPECT_EQ(form->BorderIcons(), p->SavedBorderIcons);
  EXPECT_NE(GetWindowLongA(wnd, GWL_STYLE) & WS_SYSMENU, 0);
  TUniqueRgn rgn(CreateRectRgn(0, 0, 0, 0));
  EXPECT_EQ(GetWindowRgn(wnd, rgn.Get()), ERROR);
  EXPECT_EQ(SendFormSkinQuery(form), nullptr);
  TRect wr{};
  GetWindowRect(wnd, &wr);
  EXPECT_EQ(WindowFromPoint(Point(wr.left + 1, wr.top + 1)), wnd);
  EXPECT_EQ(ColorToRGB(form->Color()), ColorToRGB(clBtnFace));

  Manager->SetActive(true);
  PumpPending();
  EXPECT_EQ(form->BorderIcons(), p->SavedBorderIcons);
  EXPECT_NE(GetWindowLongA(wnd, GWL_STYLE) & WS_SYSMENU, 0);
  EXPECT_EQ(SendFormSkinQuery(form), p);
  EXPECT_TRUE(CornersCut(wnd));
  ASSERT_TRUE(FrameShown(form, p));
  EXPECT_EQ(TitlePixel(form, p), kTitleColor);
}

// A skin that has no section for the form leaves it visible with its own frame and icons,
// whether the form was there before the skin or came after it.
TEST_F(SkinProviderWndProcTest, ASkinWithoutTheFormsSectionLeavesAVisibleNormallyFramedForm) {
  Manager = std::unique_ptr<TsSkinManager>(NewComponent<TsSkinManager>(nullptr));
  AddTestSkin(*Manager);
  TsStoredSkin* skin = Manager->InternalSkins()->Items(0);
  for (int i = skin->GeneralData()->Count() - 1; i >= 0; --i)
    if (skin->GeneralData()->Items(i)->SectionName == "FORM") skin->GeneralData()->Delete(i);
  TForm* before = NewSkinnedAppForm();
  before->Show();
  Manager->SetSkinName("Test");
  ASSERT_TRUE(Manager->SkinData.Active);
  TForm* after = NewSkinnedAppForm();
  after->SetLeft(450);
  after->Show();
  PumpPending();
  for (TForm* form : {before, after}) {
    HWND wnd = form->Handle();
    TUniqueRgn rgn(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(GetWindowRgn(wnd, rgn.Get()), ERROR);
    EXPECT_EQ(form->BorderIcons(), kDefaultProviderIcons);
    EXPECT_NE(GetWindowLongA(wnd, GWL_STYLE) & WS_SYSMENU, 0);
    TRect wr{};
    GetWindowRect(wnd, &wr);
    EXPECT_EQ(WindowFromPoint(Point(wr.left + RectWidth(wr) / 2, wr.top + 5)), wnd);
  }
}

// Maximised, a form covers the work area of its monitor whole, frame included; the largest
// tracking size stays the system's, and limits of the form's own stay.
TEST_F(SkinProviderWndProcTest, AMaximisedFormCoversTheWorkAreaAndTheTrackingLimitStaysTheSystems) {
  LoadTestSkin();
  TRect work{};
  GetWorkArea(work);  // one monitor, at the screen's origin
  for (TBorderStyle style : {bsSizeable, bsNone}) {
    TForm* form = NewSkinnedForm(style);
    MINMAXINFO mmi{};
    mmi.ptMaxTrackSize = POINT{1234, 567};  // as the system has it
    SendMessageA(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    EXPECT_TRUE(mmi.ptMaxSize.x == RectWidth(work) && mmi.ptMaxSize.y == RectHeight(work));
    EXPECT_TRUE(mmi.ptMaxPosition.x == work.left && mmi.ptMaxPosition.y == work.top);
    EXPECT_TRUE(mmi.ptMaxTrackSize.x == 1234 && mmi.ptMaxTrackSize.y == 567);
    form->Constraints()->SetMaxWidth(500);
    SendMessageA(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    EXPECT_EQ(mmi.ptMaxTrackSize.x, 500);
  }
}

TEST_F(SkinProviderWndProcTest, AMovedFormSnapsToTheWorkAreaWithinTheSnapBufferOnly) {
  LoadTestSkin();
  TForm* form = NewSkinnedForm(bsSizeable, 300, 200);
  TsSkinProvider* p = ProviderOf(form);
  p->SetScreenSnap(true);
  form->Show();
  TRect work{};
  GetWorkArea(work);
  auto placeAt = [&](int x, int y) {
    SetWindowPos(form->Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    TRect r{};
    GetWindowRect(form->Handle(), &r);
    return Point(r.left, r.top);
  };
  EXPECT_EQ(placeAt(work.right - 300 - 9, 100).x, work.right - 300);
  EXPECT_EQ(placeAt(work.right - 300 - 10, 100).x, work.right - 310);
  EXPECT_EQ(placeAt(100, work.bottom - 200 - 9).y, work.bottom - 200);
  EXPECT_EQ(placeAt(100, work.bottom - 200 + 9).y, work.bottom - 200);
  EXPECT_EQ(placeAt(work.left + 9, 100).x, work.left);
  EXPECT_EQ(placeAt(100, work.top + 10).y, work.top + 10);
  p->SetScreenSnap(false);
  EXPECT_EQ(placeAt(work.left + 9, 100).x, work.left + 9);
}

}  // namespace
}  // namespace korv::test
