// MDI parent skinning on real windows: one sub-class of the MDI client, given back; the client and
// its frame painted from the provider's cache; the child-buttons item while a child is maximised;
// the bars mirroring a scroll source, and a child really scrolled.
#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

#include "ProviderKit.h"
#include "skin/controls/sPanel.h"
#include "skin/controls/sScrollBar.h"
#include "skin/core/sMessages.h"
#include "skin/core/sSkinMenus.h"
#include "skin/forms/sMDIForm.h"
#include "skin/paint/sStyleSimply.h"
#include "support/FreedMemory.h"

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

// An opaque icon of one colour.
HICON SolidIcon(int size, TColor c) {
  const std::vector<DWORD> pixels(static_cast<size_t>(size * size), GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
  const std::vector<BYTE> opaque(static_cast<size_t>((size + 15) / 16 * 2 * size), 0);
  ICONINFO info{TRUE, 0, 0, CreateBitmap(size, size, 1, 1, opaque.data()), CreateBitmap(size, size, 1, 32, pixels.data())};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
  return icon;
}

TMenuItem* AddItem(TMainMenu* menu, const char* caption, uint8_t group) {
  auto* item = NewComponent<TMenuItem>(menu);
  item->SetCaption(caption);
  item->SetGroupIndex(group);
  menu->Items()->Add(item);
  return item;
}

// While it lives, the menu painter fills every line item it draws with a colour of the item's own
// and keeps the item's rectangle (window coordinates).
struct TLineMarker {
  explicit TLineMarker(TsSkinableMenus* menus) : Menus(menus) {
    menus->OnDrawItem = TsMenuManagerDrawItemEvent(this, &TLineMarker::Draw);
  }
  ~TLineMarker() { Menus->OnDrawItem = nullptr; }
  static TColor ColorOf(const TObject* item) { return 0x101010 + (reinterpret_cast<uintptr_t>(item) >> 4 & 0x3F3F3F); }
  void Draw(TObject* item, TCanvas* canvas, const TRect& r, TOwnerDrawState, TsMenuItemType) {
    FillDC(canvas->Handle(), r, ColorOf(item));
    Drawn[item] = r;
  }
  TsSkinableMenus* Menus;
  std::map<TObject*, TRect> Drawn;
};

// Frees its form (a queued release) when the form becomes zoomed, or stops being zoomed.
struct TReleaser {
  TForm* Form;
  bool WhenZoomed;
  void Resize(TObject*) {
    if ((IsZoomed(Form->Handle()) != FALSE) == WhenZoomed) Form->Release();
  }
};

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
  // before the provider, so that the client's own procedure is known. The test skin unless the
  // test loaded another.
  TForm* ShowMDIParent() {
    if (!Manager) LoadTestSkin();
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
  // A shown MDI child; skinned: with a provider, as every form of a program is.
  TForm* NewChild(TRect bounds, bool skinned = false) {
    auto* child = NewComponent<TForm>(nullptr);
    Forms_.push_back(child);  // freed before the parent
    child->SetFormStyle(fsMDIChild);
    child->SetBoundsRect(bounds);
    if (skinned) NewComponent<TsSkinProvider>(child)->SetName("sSkinProvider1");
    child->Show();
    PumpPending();
    return child;
  }
  static WNDPROC ClientProc(TCustomForm* form) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(form->ClientHandle(), GWLP_WNDPROC));
  }
  // The centre of a rectangle of a form's window on the screen.
  static TPoint Centre(TCustomForm* form, const TRect& r) {
    const TPoint o = ProviderOf(form)->FormLeftTop();
    return Point(o.x + (r.left + r.right) / 2, o.y + (r.top + r.bottom) / 2);
  }
  static bool Click(TPoint s) {
    TInputDriver d;
    const bool ok = d.Run([&](TInputDriver& d) { d.MoveTo(s.x, s.y) && d.LeftDown() && d.LeftUp(); });
    EXPECT_TRUE(ok) << d.Error();
    return ok;
  }
  // The form's window shows colour all over r (window coordinates).
  static bool Shows(TCustomForm* form, const TRect& r, TColor colour) {
    return PumpUntil([&] { return CaptureWindow(form->Handle()).All(r, colour); }, 2000);
  }
  // A child freed by the test's code: the fixture does not free it again.
  void Forget(TCustomForm* child) { std::erase(Forms_, child); }
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

TEST_F(MDIFormTest, AMaximisedChildsButtonsIconAndMenuStandOnTheLineAndAct) {
  Manager = NewButtonSkin({{"GLOBALINFO", "SICONMIN", 15, 14}, {"GLOBALINFO", "SICONCLOSE", 15, 14},
                           {"GLOBALINFO", "SICONNORM", 15, 14}, {"GLOBALINFO", "BICONCLOSE", 20, 18}});
  TLineMarker marker(Manager->SkinableMenus());
  TForm* form = ShowMDIParent();
  TsSkinProvider* p = ProviderOf(form);
  p->SetBorderIcons(biSystemMenu | biMinimize);  // the child's restore acts without the parent's maximise
  form->SetMenu(NewComponent<TMainMenu>(form));
  TMenuItem* file = AddItem(form->Menu(), "File", 0);
  TMenuItem* window = AddItem(form->Menu(), "Window", 9);
  p->InitMenuItems(true);  // what the form's activation does for a menu made after the form
  p->FullRedraw();
  const TsFormFrame f = p->Frame();
  const int size = f.MenuHeight() - 2, top = f.HeaderHeight() - (f.MenuHeight() - 14) / 2 - 14 - 1;
  const TRect line = Bounds(0, f.TitleHeight(), f.FormWidth(), f.MenuHeight());
  const TRect icon = Bounds(f.SysBorderWidth() + 1, f.TitleHeight() + 1, size, size);
  TForm* a = NewChild(Bounds(10, 10, 200, 150), true);
  TForm* b = NewChild(Bounds(40, 40, 200, 150), true);
  a->Icon()->SetHandle(SolidIcon(size, 0x123456));
  b->Icon()->SetHandle(SolidIcon(size, 0x563412));
  a->SetMenu(NewComponent<TMainMenu>(a));
  TMenuItem* doc = AddItem(a->Menu(), "Doc", 1);
  ASSERT_TRUE(PumpUntil([&] { return marker.Drawn.count(window) != 0; }));
  ASSERT_TRUE(Shows(form, marker.Drawn[window], TLineMarker::ColorOf(window)));
  const TPixelImage own = CaptureWindow(form->Handle());
  auto ownLine = [&] {
    return PumpUntil([&] {
      const TPixelImage now = CaptureWindow(form->Handle());
      for (int y = line.top; y < line.bottom; ++y)
        for (int x = line.left; x < line.right; ++x)
          if (now.At(x, y) != own.At(x, y)) return false;
      return true;
    });
  };
  auto looks = [&](int min, int restore, int close) {  // the frames the three buttons show
    return Shows(form, p->MDIMin.Rect, ButtonColor("SICONMIN", min)) &&
           Shows(form, p->MDINorm.Rect, ButtonColor("SICONNORM", restore)) &&
           Shows(form, p->MDIClose.Rect, ButtonColor("SICONCLOSE", close));
  };
  auto barLeft = [&](TMenuItem* item) {  // where the system's bar has the item (window x), or -1
    HMENU bar = GetMenu(form->Handle());
    RECT r{};
    for (int i = 0; i < GetMenuItemCount(bar); ++i)
      if (GetMenuItemID(bar, i) == item->Command() && GetMenuItemRect(form->Handle(), bar, i, &r))
        return static_cast<int>(r.left - p->FormLeftTop().x);
    return -1;
  };

  // Maximised by its own skinned button: its buttons from the right frame leftwards, its icon, its
  // item between the parent's by group, drawn where the system's bar has it.
  ASSERT_TRUE(Click(Centre(a, ProviderOf(a)->ButtonMax.Rect)));
  ASSERT_TRUE(PumpUntil([&] { return IsZoomed(a->Handle()) && p->ChildButtonsShown(); }));
  for (int k = 1; k <= 3; ++k)  // close, restore, minimise
    EXPECT_TRUE(SameRect(p->ButtonRecord(100 + k)->Rect, Bounds(f.FormWidth() - f.SysBorderWidth() - 16 * k, top, 15, 14)));
  EXPECT_TRUE(looks(0, 0, 0) && Shows(form, icon, 0x123456));
  EXPECT_TRUE(barLeft(file) < barLeft(doc) && barLeft(doc) < barLeft(window));
  EXPECT_EQ(marker.Drawn[doc].left, barLeft(doc));
  EXPECT_TRUE(Shows(form, marker.Drawn[doc], TLineMarker::ColorOf(doc)));

  // Hover and press change only their button; a release elsewhere does nothing.
  TInputDriver d;
  const TPoint restore = Centre(form, p->MDINorm.Rect), min = Centre(form, p->MDIMin.Rect);
  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.MoveTo(restore.x, restore.y); })) << d.Error();
  EXPECT_TRUE(looks(0, 1, 0));
  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.MoveTo(min.x, min.y) && d.LeftDown(); })) << d.Error();
  EXPECT_TRUE(looks(2, 0, 0));
  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.MoveInSteps(min.x, min.y, min.x - 60, min.y, 2) && d.LeftUp(); }))
      << d.Error();
  EXPECT_TRUE(looks(0, 0, 0) && IsZoomed(a->Handle()));

  // Another child activated takes the line over: its icon, none of the first child's items.
  SendMessageA(form->ClientHandle(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(b->Handle()), 0);
  ASSERT_TRUE(PumpUntil([&] { return IsZoomed(b->Handle()) != FALSE; }));
  EXPECT_TRUE(Shows(form, icon, 0x563412) && barLeft(doc) == -1);
  // Close, restore, minimise act on a release over their buttons (each pressed away from the press
  // before, which would make a double click). The closed child's place goes to the other one,
  // maximised as it was; restored or minimised, the line is the parent's own again.
  const HWND closed = b->Handle();
  Forget(b);
  b->OnClose = TCloseEvent::Function([](void*, TObject*, TCloseAction& action) { action = caFree; }, nullptr);
  ASSERT_TRUE(Click(Centre(form, p->MDIClose.Rect)));
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(closed) && IsZoomed(a->Handle()); }) && Shows(form, icon, 0x123456));
  ASSERT_TRUE(Click(Centre(form, p->MDINorm.Rect)));
  EXPECT_TRUE(PumpUntil([&] { return !IsZoomed(a->Handle()); }) && ownLine());
  SendMessageA(a->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  ASSERT_TRUE(PumpUntil([&] { return p->ChildButtonsShown(); }));
  ASSERT_TRUE(Click(Centre(form, p->MDIMin.Rect)));
  EXPECT_TRUE(PumpUntil([&] { return IsIconic(a->Handle()) != FALSE; }) && ownLine());
}

// A parent without a menu has nothing to put on a line, and children whose buttons' commands free
// them (a queued release processed while the command still runs).
TEST_F(MDIFormTest, AParentKeepsPaintingAndAFreedChildIsNotTouchedAfterItsCommand) {
  Manager = NewButtonSkin({{"GLOBALINFO", "BICONMAX", 20, 18}});
  TForm* form = ShowMDIParent();
  TForm* a = NewChild(Bounds(10, 10, 200, 150), true);
  TForm* b = NewChild(Bounds(40, 40, 200, 150), true);
  Forget(a);
  Forget(b);
  const HWND aWnd = a->Handle(), bWnd = b->Handle();
  TReleaser freeA{a, true}, freeB{b, false};
  const TPoisonFreedMemory poison;  // a freed provider holds garbage, not its last values
  a->OnResize = TNotifyEvent(&freeA, &TReleaser::Resize);
  SendMessageA(form->ClientHandle(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(aWnd), 0);
  ASSERT_TRUE(Click(Centre(a, ProviderOf(a)->ButtonMax.Rect)));
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(aWnd); }));
  // A new size: the parent's frame is composed and painted at it.
  SetWindowPos(form->Handle(), nullptr, 0, 0, 560, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  const TBitmap* cache = ProviderOf(form)->SkinData()->CacheBmp.get();
  EXPECT_TRUE(PumpUntil([&] {
    return cache->Width() == 560 && CaptureWindow(form->Handle()).At(559, 200) == BitmapImage(*cache).At(559, 200);
  }));
  SendMessageA(form->ClientHandle(), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(bWnd), 0);
  ASSERT_TRUE(PumpUntil([&] { return IsZoomed(bWnd) != FALSE; }));
  b->OnResize = TNotifyEvent(&freeB, &TReleaser::Resize);
  SendMessageA(bWnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(bWnd); }));
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
