// MDI parent skinning on real windows: one sub-class of the MDI client, given back; the client and
// its frame painted from the provider's cache; the child-buttons item while a child is maximised;
// the bars mirroring a scroll source, and a child really scrolled.
#include <gtest/gtest.h>

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
  SCROLLINFO V{}, H{};
  std::vector<std::pair<int, int>> Scrolls;
};

SCROLLINFO Info(int min, int max, UINT page, int pos) {
  return SCROLLINFO{sizeof(SCROLLINFO), SIF_ALL, min, max, page, pos, 0};
}

WNDPROC gUnder = nullptr;
LRESULT CALLBACK OverProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(gUnder, wnd, msg, wParam, lParam);
}

class MDIFormTest : public TProviderTest {
 protected:
  void TearDown() override {
    Application->SetMainForm(SavedMain_);
    TProviderTest::TearDown();
  }
  // A shown MDI parent (the application's main form, as MDI children need) whose window is made
  // before the provider, so that the client's own procedure is known.
  TForm* ShowMDIParent() {
    LoadTestSkin();
    TForm* form = NewForm(60, 60, 500, 400);
    form->SetFormStyle(fsMDIForm);
    SavedMain_ = Application->MainForm();
    Application->SetMainForm(form);
    form->HandleNeeded();
    SystemProc = ClientProc(form);
    NewComponent<TsSkinProvider>(form)->SetName("sSkinProvider1");
    Mdi = ProviderOf(form)->MDIHelper;
    ShowPainted(form);
    return form;
  }
  TForm* NewChild(TRect bounds) {
    auto* child = NewComponent<TForm>(nullptr);
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
  TsMDIForm* Mdi = nullptr;

 private:
  TCustomForm* SavedMain_ = nullptr;
};

TEST_F(MDIFormTest, HookTwiceKeepsOneSubclassAndItIsGivenBack) {
  TForm* form = ShowMDIParent();
  TsSkinProvider* p = ProviderOf(form);
  ASSERT_NE(Mdi, nullptr);
  EXPECT_EQ(MDIParentProvider, p);
  const WNDPROC ours = ClientProc(form);
  Mdi->Hook();  // the client answers command 7 now: no second sub-class
  EXPECT_TRUE(Mdi->Handled() && ClientProc(form) == ours && ours != SystemProc);
  EXPECT_EQ(Mdi->PreviousClientProc(), SystemProc);
  // The skin goes: command 2 of the form's manager clears the answer, the system paints again.
  Manager->SetActive(false);
  SendMessageA(form->ClientHandle(), SM_ALPHACMD, SkinCmdWParam(skcRemoveSkin),
               reinterpret_cast<LPARAM>(Manager.get()));
  EXPECT_FALSE(Mdi->Handled());
  const TColor workspace = static_cast<TColor>(GetSysColor(COLOR_APPWORKSPACE));
  auto middle = [](const TPixelImage& img) { return img.At(img.Width() / 2, img.Height() / 2); };
  EXPECT_EQ(middle(CaptureWhen(form->ClientHandle(), true, [&](auto& img) { return middle(img) == workspace; })),
            workspace);
  delete std::exchange(p->MDIHelper, nullptr);  // as the skin's removal frees it
  EXPECT_EQ(ClientProc(form), SystemProc);

  // A procedure put over ours keeps working after the helper goes, and a new helper takes that
  // pass-through over instead of sub-classing again.
  p->MDIHelper = new TsMDIForm(p);
  gUnder = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(form->ClientHandle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OverProc)));
  delete std::exchange(p->MDIHelper, nullptr);
  EXPECT_EQ(SendMessageA(form->ClientHandle(), WM_MDIGETACTIVE, 0, 0), 0);
  p->MDIHelper = new TsMDIForm(p);
  EXPECT_TRUE(ClientProc(form) == &OverProc && p->MDIHelper->PreviousClientProc() == SystemProc);
  EXPECT_EQ(SendMessageA(form->ClientHandle(), SM_ALPHACMD, SkinCmdWParam(skcHandlesSkinCmds), 0), 1);
}

TEST_F(MDIFormTest, TheClientAndItsFrameShowTheCacheAfterARedraw) {
  TForm* form = ShowMDIParent();
  HWND client = form->ClientHandle();
  RedrawWindow(client, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  const TPixelImage cache = BitmapImage(*ProviderOf(form)->SkinData()->CacheBmp);
  const TRect at = Mdi->ClientWindowRect();
  auto sameAsCache = [&](const TPixelImage& img) {
    for (int y = 0; y < img.Height(); ++y)
      for (int x = 0; x < img.Width(); ++x)
        if (img.At(x, y) != cache.At(at.left + x, at.top + y)) return false;
    return !img.Empty();
  };
  const TPixelImage shown = CaptureWhen(client, false, sameAsCache);
  EXPECT_TRUE(sameAsCache(shown)) << "the client window shows the cache where it lies in the form";
  // The composition painted the MDI area there, frame and client alike.
  EXPECT_TRUE(shown.Width() == RectWidth(at) && shown.All(Rect(0, 0, shown.Width(), shown.Height()), kMDIAreaColor));
}

TEST_F(MDIFormTest, TheChildButtonsItemIsFirstOnTheMenuOnlyWhileAChildIsMaximised) {
  TForm* form = ShowMDIParent();
  auto* menu = NewComponent<TMainMenu>(form);
  auto* file = NewComponent<TMenuItem>(menu);
  file->SetCaption("File");
  menu->Items()->Add(file);
  form->SetMenu(menu);
  TForm* child = NewChild(Bounds(10, 10, 200, 150));
  TMenuItem* item = Mdi->ChildButtonsItem();
  EXPECT_TRUE(item->Name() == "sMDICII" && Mdi->ItemMDIClose->ShortCut() == ShortCut(VK_F4, ssCtrl));
  // The system puts items of its own on a maximised child's frame menu: ours are found by command.
  auto onMenuBar = [&](TMenuItem* i) {
    return GetMenuState(GetMenu(form->Handle()), i->Command(), MF_BYCOMMAND) != ~0u;
  };
  Mdi->UpdateChildButtons();
  EXPECT_EQ(item->Parent(), nullptr);
  SendMessageA(form->ClientHandle(), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child->Handle()), 0);
  ASSERT_TRUE(IsZoomed(child->Handle()));
  Mdi->UpdateChildButtons();
  Mdi->UpdateChildButtons();
  EXPECT_TRUE(menu->Items()->IndexOf(item) == 0 && menu->Items()->Count() == 2);
  EXPECT_TRUE(onMenuBar(Mdi->ItemMDIClose) && onMenuBar(Mdi->ItemMDIRestore));
  Mdi->ItemMDIRestore->Click();  // the item acts on the active child
  EXPECT_FALSE(IsZoomed(child->Handle()));
  Mdi->UpdateChildButtons();
  EXPECT_TRUE(item->Parent() == nullptr && !onMenuBar(Mdi->ItemMDIClose));
}

TEST_F(MDIFormTest, TheBarsMirrorTheSourceAndScrollItWithTheWholePosition) {
  TForm* form = ShowMDIParent();
  NewChild(Bounds(10, 10, 200, 150));
  auto owned = std::make_unique<TFakeScrollSource>();
  TFakeScrollSource* fake = owned.get();
  Mdi->SetScrollSource(std::move(owned));
  fake->V = Info(-20, 300, 100, 30);
  fake->H = Info(0, 50, 100, 0);  // the page covers it all: no bar
  Mdi->UpdateMdiScrolls();
  TsScrollBar* v = Mdi->VertBar();
  ASSERT_TRUE(v && v->Visible());
  EXPECT_TRUE(v->Max() == 300 - 100 + 20 + 1 && v->Position() == 50 && v->Min() == 0 && v->PageSize() == 100);
  EXPECT_TRUE((!Mdi->HorzBar() || !Mdi->HorzBar()->Visible()) && (!Mdi->Grip() || !Mdi->Grip()->Visible()));
  const TRect area = Mdi->ClientArea();
  EXPECT_TRUE(v->Top() == area.top && v->Left() + v->Width() == area.right && v->Top() + v->Height() == area.bottom);

  fake->V = Info(0, 191, 0, 0);  // what the platform's client reports: a page of 0
  fake->H = Info(-5, 400, 150, 5);
  Mdi->UpdateMdiScrolls();
  EXPECT_TRUE(v->Max() == 192 && v->PageSize() == 80);
  ASSERT_TRUE(Mdi->HorzBar() && Mdi->HorzBar()->Visible() && Mdi->Grip() && Mdi->Grip()->Visible());
  EXPECT_EQ(Mdi->HorzBar()->Position(), 10);
  EXPECT_TRUE(SameRect(Mdi->Grip()->BoundsRect(), Rect(v->Left(), Mdi->HorzBar()->Top(), area.right, area.bottom)));
  EXPECT_EQ(v->Top() + v->Height(), Mdi->Grip()->Top());

  // The position reaches the source whole, the native minimum added back: far beyond 16 bits.
  fake->V = Info(-7, 200000, 100, -7);
  Mdi->UpdateMdiScrolls();
  fake->Scrolls.clear();
  v->SetPosition(100000);
  EXPECT_EQ(fake->Scrolls, (std::vector<std::pair<int, int>>{{SB_VERT, 100000 - 7}}));
  // A maximised child shows no bars.
  SendMessageA(form->ClientHandle(), WM_MDIMAXIMIZE, SendMessageA(form->ClientHandle(), WM_MDIGETACTIVE, 0, 0), 0);
  Mdi->UpdateMdiScrolls();
  EXPECT_TRUE(!v->Visible() && !Mdi->Grip()->Visible());
}

TEST_F(MDIFormTest, AChildBeyondTheClientIsReallyScrolled) {
  TForm* form = ShowMDIParent();
  TForm* child = NewChild(Bounds(20, 500, 150, 100));
  auto top = [&] {  // the child's top in the client
    RECT r{};
    GetWindowRect(child->Handle(), &r);
    MapWindowPoints(nullptr, form->ClientHandle(), reinterpret_cast<POINT*>(&r), 1);
    return static_cast<int>(r.top);
  };
  ASSERT_EQ(top(), 500);
  Mdi->UpdateMdiScrolls();
  TsScrollBar* v = Mdi->VertBar();
  ASSERT_TRUE(v && v->Visible());
  RECT cr{};
  GetClientRect(form->ClientHandle(), &cr);
  EXPECT_EQ(v->Max(), 600 - cr.bottom);
  v->SetPosition(60);
  EXPECT_EQ(top(), 440);
  EXPECT_TRUE(v->Position() == 60 && v->Max() == 600 - cr.bottom) << "the range holds while the children move";
  v->SetPosition(0);
  EXPECT_EQ(top(), 500);
}

}  // namespace
}  // namespace korv::test
