// MDI parent skinning on real windows: one sub-class of the MDI client, given back; the client
// and its frame painted from the provider's cache; the child-buttons item on the menu while a
// child is maximised; the skinned bars mirroring a scroll source, and a child really scrolled.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "ProviderKit.h"
#include "skin/controls/sPanel.h"
#include "skin/controls/sScrollBar.h"
#include "skin/core/sMessages.h"
#include "skin/forms/sMDIForm.h"

namespace korv::test {
namespace {

// A scroll source of the test's: the information it is given, and every ScrollTo.
class TFakeScrollSource final : public TsMDIScrollSource {
 public:
  bool GetInfo(HWND, int bar, SCROLLINFO& info) override {
    info = bar == SB_VERT ? V : H;
    return true;
  }
  void ScrollTo(HWND, int bar, int position) override { Scrolls.emplace_back(bar, position); }
  SCROLLINFO V{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
  SCROLLINFO H{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
  std::vector<std::pair<int, int>> Scrolls;
};

SCROLLINFO Info(int min, int max, UINT page, int pos) {
  return SCROLLINFO{sizeof(SCROLLINFO), SIF_ALL, min, max, page, pos, 0};
}

// A child window's rectangle in its MDI client's coordinates.
TRect InClient(TCustomForm* child) {
  RECT r{};
  GetWindowRect(child->Handle(), &r);
  MapWindowPoints(nullptr, GetParent(child->Handle()), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool Inside(const TRect& inner, const TRect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

class MDIFormTest : public TProviderTest {
 protected:
  void TearDown() override {
    if (Application) Application->SetMainForm(SavedMain_);
    TProviderTest::TearDown();
  }
  // An MDI parent (the application's main form, as MDI children need) with its window made
  // before the provider, so that the client's own procedure is known.
  TForm* NewMDIParent(int w = 500, int h = 400) {
    TForm* form = NewForm(60, 60, w, h);
    form->SetFormStyle(fsMDIForm);
    form->SetCaption("");
    SavedMain_ = Application->MainForm();
    Application->SetMainForm(form);
    form->HandleNeeded();
    SystemProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(form->ClientHandle(), GWLP_WNDPROC));
    NewComponent<TsSkinProvider>(form)->SetName("sSkinProvider1");
    return form;
  }
  TForm* NewChild(TRect bounds) {
    auto* child = new TForm(nullptr);
    Forms_.push_back(child);  // freed before the parent
    child->SetFormStyle(fsMDIChild);
    child->SetBoundsRect(bounds);
    child->Show();
    PumpPending();
    return child;
  }
  static WNDPROC ClientProc(TCustomForm* form) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(form->ClientHandle(), GWLP_WNDPROC));
  }
  WNDPROC SystemProc = nullptr;

 private:
  TCustomForm* SavedMain_ = nullptr;
};

WNDPROC gUnder = nullptr;
int gOverCalls = 0;
LRESULT CALLBACK OverProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  ++gOverCalls;
  return CallWindowProcA(gUnder, wnd, msg, wParam, lParam);
}

TEST_F(MDIFormTest, HookTwiceKeepsOneSubclassAndItIsGivenBack) {
  LoadTestSkin();
  TForm* form = NewMDIParent();
  TsSkinProvider* p = ProviderOf(form);
  ASSERT_NE(p->MDIHelper, nullptr);
  EXPECT_EQ(MDIParentProvider, p);
  TsMDIForm* mdi = p->MDIHelper;
  const WNDPROC ours = ClientProc(form);
  EXPECT_NE(ours, SystemProc);
  EXPECT_EQ(mdi->PreviousClientProc(), SystemProc);
  mdi->Hook();  // the client answers command 7 now: no second sub-class
  EXPECT_TRUE(mdi->Handled());
  EXPECT_EQ(ClientProc(form), ours);
  EXPECT_EQ(mdi->PreviousClientProc(), SystemProc);

  // The skin goes: command 2 of the form's manager clears the answer and the system paints the
  // client again.
  ShowPainted(form);
  Manager->SetActive(false);
  SendMessageA(form->ClientHandle(), SM_ALPHACMD, SkinCmdWParam(skcRemoveSkin),
               reinterpret_cast<LPARAM>(Manager.get()));
  EXPECT_FALSE(mdi->Handled());
  const TColor workspace = static_cast<TColor>(GetSysColor(COLOR_APPWORKSPACE));
  const TPixelImage shown = CaptureWhen(form->ClientHandle(), true, [&](const TPixelImage& img) {
    return img.At(img.Width() / 2, img.Height() / 2) == workspace;
  });
  EXPECT_EQ(shown.At(shown.Width() / 2, shown.Height() / 2), workspace);
  // Freeing the helper (as the skin's removal does) gives the client its procedure back.
  delete std::exchange(p->MDIHelper, nullptr);
  EXPECT_EQ(ClientProc(form), SystemProc);

  // A procedure put over ours keeps working after the helper goes, and a new helper takes the
  // pass-through over instead of sub-classing again.
  p->MDIHelper = new TsMDIForm(p);
  gUnder = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(form->ClientHandle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OverProc)));
  delete std::exchange(p->MDIHelper, nullptr);
  EXPECT_EQ(ClientProc(form), &OverProc);
  gOverCalls = 0;
  EXPECT_EQ(SendMessageA(form->ClientHandle(), WM_MDIGETACTIVE, 0, 0), 0);
  EXPECT_EQ(gOverCalls, 1);
  p->MDIHelper = new TsMDIForm(p);
  EXPECT_EQ(ClientProc(form), &OverProc);
  EXPECT_EQ(p->MDIHelper->PreviousClientProc(), SystemProc);
  EXPECT_EQ(SendMessageA(form->ClientHandle(), SM_ALPHACMD, SkinCmdWParam(skcHandlesSkinCmds), 0), 1);
}

TEST_F(MDIFormTest, TheClientAndItsFrameShowTheCacheAfterARedraw) {
  LoadTestSkin();
  TForm* form = NewMDIParent();
  TsSkinProvider* p = ProviderOf(form);
  ShowPainted(form);
  HWND client = form->ClientHandle();
  RedrawWindow(client, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  const TPixelImage cache = BitmapImage(*p->SkinData()->CacheBmp);
  const TRect at = p->MDIHelper->ClientWindowRect();
  ASSERT_GT(RectWidth(at), 2 * sMDIClientFrame);
  auto sameAsCache = [&](const TPixelImage& img) {
    for (int y = 0; y < img.Height(); ++y)
      for (int x = 0; x < img.Width(); ++x)
        if (img.At(x, y) != cache.At(at.left + x, at.top + y)) return false;
    return true;
  };
  const TPixelImage shown = CaptureWhen(client, false, sameAsCache);
  EXPECT_EQ(shown.Width(), RectWidth(at));
  EXPECT_TRUE(sameAsCache(shown)) << "the client window shows the cache where it lies in the form";
  // The composition painted the MDI area there: frame and client alike.
  EXPECT_TRUE(shown.All(Rect(0, 0, shown.Width(), shown.Height()), kMDIAreaColor));
}

TEST_F(MDIFormTest, TheChildButtonsItemIsFirstOnTheMenuOnlyWhileAChildIsMaximised) {
  LoadTestSkin();
  TForm* form = NewMDIParent();
  auto* menu = NewComponent<TMainMenu>(form);
  auto* file = new TMenuItem(menu);
  file->SetCaption("File");
  menu->Items()->Add(file);
  form->SetMenu(menu);
  TsMDIForm* mdi = ProviderOf(form)->MDIHelper;
  ShowPainted(form);
  TForm* child = NewChild(Bounds(10, 10, 200, 150));
  TMenuItem* item = mdi->ChildButtonsItem();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Name(), "sMDICII");
  EXPECT_EQ(mdi->ItemMDIClose->ShortCut(), ShortCut(VK_F4, ssCtrl));
  // The system adds its own items to the frame's menu: ours are found by command.
  auto onMenuBar = [&](TMenuItem* i) {
    return GetMenuState(GetMenu(form->Handle()), i->Command(), MF_BYCOMMAND) != ~0u;
  };

  mdi->UpdateChildButtons();
  EXPECT_EQ(item->Parent(), nullptr);
  SendMessageA(form->ClientHandle(), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child->Handle()), 0);
  PumpPending();
  ASSERT_TRUE(IsZoomed(child->Handle()));
  mdi->UpdateChildButtons();
  mdi->UpdateChildButtons();
  EXPECT_EQ(menu->Items()->IndexOf(item), 0);
  EXPECT_EQ(menu->Items()->Count(), 2);
  EXPECT_TRUE(onMenuBar(mdi->ItemMDIClose) && onMenuBar(mdi->ItemMDIRestore));

  mdi->ItemMDIRestore->Click();  // the item acts on the active child
  PumpPending();
  EXPECT_FALSE(IsZoomed(child->Handle()));
  mdi->UpdateChildButtons();
  EXPECT_EQ(item->Parent(), nullptr);
  EXPECT_EQ(menu->Items()->Count(), 1);
  EXPECT_FALSE(onMenuBar(mdi->ItemMDIClose));
}

TEST_F(MDIFormTest, TheBarsMirrorTheSourceAndScrollItWithTheWholePosition) {
  LoadTestSkin();
  TForm* form = NewMDIParent();
  TsMDIForm* mdi = ProviderOf(form)->MDIHelper;
  ShowPainted(form);
  NewChild(Bounds(10, 10, 200, 150));
  auto owned = std::make_unique<TFakeScrollSource>();
  TFakeScrollSource* fake = owned.get();
  mdi->SetScrollSource(std::move(owned));

  fake->V = Info(-20, 300, 100, 30);
  fake->H = Info(0, 50, 100, 0);  // the page covers it all: no bar
  mdi->UpdateMdiScrolls();
  TsScrollBar* v = mdi->VertBar();
  ASSERT_NE(v, nullptr);
  EXPECT_TRUE(v->Visible());
  EXPECT_EQ(v->Max(), 300 - 100 - (-20) + 1);
  EXPECT_EQ(v->Position(), 50);
  EXPECT_EQ(v->Min(), 0);
  EXPECT_EQ(v->PageSize(), 100);
  EXPECT_TRUE(!mdi->HorzBar() || !mdi->HorzBar()->Visible());
  EXPECT_TRUE(!mdi->Grip() || !mdi->Grip()->Visible());
  EXPECT_TRUE(Inside(v->BoundsRect(), mdi->ClientArea()));
  EXPECT_EQ(v->Left() + v->Width(), mdi->ClientArea().right);

  fake->V = Info(0, 191, 0, 0);  // what the platform's client reports: a page of 0
  fake->H = Info(-5, 400, 150, 5);
  mdi->UpdateMdiScrolls();
  EXPECT_EQ(v->Max(), 192);
  EXPECT_EQ(v->PageSize(), 80);
  ASSERT_TRUE(mdi->HorzBar() && mdi->HorzBar()->Visible() && mdi->Grip() && mdi->Grip()->Visible());
  EXPECT_EQ(mdi->HorzBar()->Position(), 10);
  EXPECT_TRUE(SameRect(mdi->Grip()->BoundsRect(),
                       Rect(v->Left(), mdi->HorzBar()->Top(), mdi->ClientArea().right, mdi->ClientArea().bottom)));
  EXPECT_EQ(v->Top() + v->Height(), mdi->Grip()->Top());

  // The position reaches the source whole, the native minimum added back: far beyond 16 bits.
  fake->V = Info(-7, 200000, 100, -7);
  mdi->UpdateMdiScrolls();
  fake->Scrolls.clear();
  v->SetPosition(100000);
  ASSERT_EQ(fake->Scrolls.size(), 1u);
  EXPECT_EQ(fake->Scrolls[0], std::make_pair(SB_VERT, 100000 - 7));

  // A maximised child shows no bars.
  SendMessageA(form->ClientHandle(), WM_MDIMAXIMIZE, SendMessageA(form->ClientHandle(), WM_MDIGETACTIVE, 0, 0), 0);
  PumpPending();
  mdi->UpdateMdiScrolls();
  EXPECT_FALSE(v->Visible());
  EXPECT_FALSE(mdi->Grip()->Visible());
}

TEST_F(MDIFormTest, AChildBeyondTheClientIsReallyScrolled) {
  LoadTestSkin();
  TForm* form = NewMDIParent();
  TsMDIForm* mdi = ProviderOf(form)->MDIHelper;
  ShowPainted(form);
  TForm* child = NewChild(Bounds(20, 500, 150, 100));
  ASSERT_EQ(InClient(child).top, 500);
  mdi->UpdateMdiScrolls();
  TsScrollBar* v = mdi->VertBar();
  ASSERT_TRUE(v && v->Visible());
  EXPECT_TRUE(!mdi->HorzBar() || !mdi->HorzBar()->Visible());
  RECT cr{};
  GetClientRect(form->ClientHandle(), &cr);
  EXPECT_EQ(v->Max(), 600 - cr.bottom);
  EXPECT_TRUE(Inside(v->BoundsRect(), mdi->ClientArea()));

  v->SetPosition(60);
  EXPECT_EQ(InClient(child).top, 440);
  EXPECT_EQ(v->Position(), 60) << "mirrored again from where the children are now";
  EXPECT_EQ(v->Max(), 600 - cr.bottom);
  v->SetPosition(0);
  EXPECT_EQ(InClient(child).top, 500);
}

}  // namespace
}  // namespace korv::test
