// Menu items, menu handles, command identifiers, shortcuts and owner-draw state: the logic of
// the menu classes, checked against the menu handles the platform builds from them.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "classlib/Menus.h"
#include "classlib/SysUtils.h"

namespace korv {
namespace {

// What the platform holds at one position of a menu handle.
struct Entry {
  UINT Type = 0;
  UINT State = 0;
  UINT Id = 0;
  HMENU SubMenu = nullptr;
  ULONG_PTR Data = 0;
  std::string Text;
};

Entry ReadEntry(HMENU menu, int pos) {
  char text[256] = {};
  MENUITEMINFOA mii{};
  mii.cbSize = sizeof mii;
  mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA | MIIM_STRING;
  mii.dwTypeData = text;
  mii.cch = sizeof text;
  EXPECT_TRUE(GetMenuItemInfoA(menu, static_cast<UINT>(pos), TRUE, &mii)) << "position " << pos;
  return Entry{mii.fType, mii.fState, mii.wID, mii.hSubMenu, mii.dwItemData, text};
}

TMenuItem* NewItem(const std::string& caption, TComponent* owner = nullptr) {
  auto* item = NewComponent<TMenuItem>(owner);
  item->SetCaption(caption);
  return item;
}

struct ClickLog {
  std::vector<TObject*> Senders;
  void Click(TObject* sender) { Senders.push_back(sender); }
};

// ---------------------------------------------------------------------------------------------

TEST(MenuItemTree, AddInsertDeleteRemoveKeepOrderAndParents) {
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  TMenuItem* root = menu.Items();
  TMenuItem* a = NewItem("a");
  TMenuItem* b = NewItem("b");
  TMenuItem* c = NewItem("c");
  root->Add(a);
  root->Add(c);
  root->Insert(1, b);
  ASSERT_EQ(root->Count(), 3);
  EXPECT_EQ(root->Items(0), a);
  EXPECT_EQ((*root)[1], b);
  EXPECT_EQ(root->Items(2), c);
  EXPECT_EQ(b->Parent(), root);
  EXPECT_EQ(b->MenuIndex(), 1);
  EXPECT_EQ(b->GetParentMenu(), &menu);

  b->SetMenuIndex(0);
  EXPECT_EQ(root->Items(0), b);
  EXPECT_EQ(root->IndexOf(a), 1);
  EXPECT_EQ(GetMenuItemCount(menu.Handle()), 3);
  EXPECT_EQ(ReadEntry(menu.Handle(), 0).Text, "b");

  root->Remove(b);  // taken out, not freed
  EXPECT_EQ(b->Parent(), nullptr);
  EXPECT_EQ(b->GetParentMenu(), nullptr);
  EXPECT_EQ(b->MenuIndex(), -1);
  EXPECT_EQ(root->Count(), 2);
  EXPECT_EQ(GetMenuItemCount(menu.Handle()), 2);
  EXPECT_TRUE(TMenuItem::IsLive(b));
  delete b;
  EXPECT_FALSE(TMenuItem::IsLive(b));

  root->Delete(0);  // a, not freed
  EXPECT_EQ(root->Items(0), c);
  delete a;
  EXPECT_EQ(GetMenuItemCount(menu.Handle()), 1);
}

TEST(MenuItemTree, RejectsBadIndexesAndReinsertion) {
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  TMenuItem* root = menu.Items();
  TMenuItem* a = NewItem("a");
  root->Add(a);
  EXPECT_THROW((void)root->Items(1), EMenuError);
  EXPECT_THROW((void)root->Items(-1), EMenuError);
  EXPECT_THROW(root->Delete(5), EMenuError);
  EXPECT_THROW(root->Add(a), EMenuError);  // already has a parent

  std::unique_ptr<TMenuItem> loose(NewItem("x"));
  EXPECT_THROW(root->Insert(3, loose.get()), EMenuError);
  EXPECT_THROW(root->Remove(loose.get()), EMenuError);
  EXPECT_EQ(loose->Parent(), nullptr);

  // An item cannot go into itself or below itself, and a menu's root cannot go anywhere.
  TMenuItem* child = NewItem("child");
  loose->Add(child);
  EXPECT_THROW(child->Add(loose.get()), EMenuError);
  EXPECT_THROW(loose->Add(loose.get()), EMenuError);
  const std::unique_ptr<TPopupMenu> otherPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& other = *otherPtr;
  EXPECT_THROW(loose->Add(other.Items()), EMenuError);
  try {
    root->Add(a);
    FAIL() << "no exception";
  } catch (const EMenuError& e) {
    EXPECT_EQ(e.Message(), "Menu inserted twice");
  }
  try {
    (void)root->Items(7);
    FAIL() << "no exception";
  } catch (const EMenuError& e) {
    EXPECT_EQ(e.Message(), "Menu index out of range");
  }
}

TEST(MenuItemTree, FreeingAnItemFreesItsSubItemsAndLeavesItsParent) {
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  TMenuItem* parent = NewItem("parent");
  TMenuItem* child = NewItem("child");
  TMenuItem* grandchild = NewItem("grandchild");
  menu.Items()->Add(parent);
  parent->Add(child);
  child->Add(grandchild);
  HMENU sub = parent->Handle();
  HMENU subSub = child->Handle();
  ASSERT_TRUE(IsMenu(sub));
  delete parent;
  EXPECT_FALSE(TMenuItem::IsLive(child));
  EXPECT_FALSE(TMenuItem::IsLive(grandchild));
  EXPECT_FALSE(IsMenu(sub));
  EXPECT_FALSE(IsMenu(subSub));
  EXPECT_EQ(menu.Items()->Count(), 0);
  EXPECT_EQ(GetMenuItemCount(menu.Handle()), 0);
}

TEST(MenuItemTree, ItemsOwnedByAComponentAreFreedOnceWhenTheOwnerGoes) {
  auto* owner = NewComponent<TComponent>(nullptr);
  auto* menu = NewComponent<TPopupMenu>(owner);
  TMenuItem* a = NewItem("a", owner);
  TMenuItem* b = NewItem("b", owner);
  menu->Items()->Add(a);
  a->Add(b);
  EXPECT_EQ(owner->ComponentCount(), 3);
  delete owner;  // frees items and menu in some order; each only once
  EXPECT_FALSE(TMenuItem::IsLive(a));
  EXPECT_FALSE(TMenuItem::IsLive(b));
}

// ---------------------------------------------------------------------------------------------

TEST(MenuCommands, StartAbove255AreUniqueAndAreReused) {
  std::set<WORD> seen;
  std::vector<std::unique_ptr<TMenuItem>> items;
  for (int i = 0; i < 300; ++i) {
    items.push_back(std::unique_ptr<TMenuItem>(NewComponent<TMenuItem>(nullptr)));
    WORD id = items.back()->Command();
    EXPECT_GT(id, 255);
    EXPECT_TRUE(seen.insert(id).second) << "duplicate " << id;
  }
  // A freed identifier is the lowest free one and goes to the next item.
  WORD freed = items[10]->Command();
  WORD lowest = *seen.begin();
  items[10].reset();
  const std::unique_ptr<TMenuItem> nextPtr(NewComponent<TMenuItem>(nullptr));
  TMenuItem& next = *nextPtr;
  EXPECT_EQ(next.Command(), freed);
  EXPECT_GE(next.Command(), lowest);
}

TEST(MenuCommands, RunningOutOfIdentifiersRaisesAndFreeingGivesThemBack) {
  std::vector<std::unique_ptr<TMenuItem>> items;
  bool raised = false;
  for (int i = 0; i < 70000 && !raised; ++i) {
    try {
      items.push_back(std::unique_ptr<TMenuItem>(NewComponent<TMenuItem>(nullptr)));
    } catch (const EMenuError& e) {
      EXPECT_EQ(e.Message(), "No free menu command identifier");
      raised = true;
    }
  }
  ASSERT_TRUE(raised);
  EXPECT_LE(items.size(), 65536u - 256u);
  for (const auto& i : items) ASSERT_GT(i->Command(), 255);
  // A component whose construction failed is not left in its owner.
  const std::unique_ptr<TComponent> ownerPtr(NewComponent<TComponent>(nullptr));
  TComponent& owner = *ownerPtr;
  EXPECT_THROW(std::unique_ptr<TMenuItem>(NewComponent<TMenuItem>(&owner)), EMenuError);
  EXPECT_EQ(owner.ComponentCount(), 0);
  WORD last = items.back()->Command();
  items.pop_back();
  const std::unique_ptr<TMenuItem> againPtr(NewComponent<TMenuItem>(nullptr));
  TMenuItem& again = *againPtr;
  EXPECT_EQ(again.Command(), last);
}

TEST(MenuCommands, FindItemByCommandHandleAndShortCutSearchesAllLevels) {
  const std::unique_ptr<TMainMenu> menuPtr(NewComponent<TMainMenu>(nullptr));
  TMainMenu& menu = *menuPtr;
  TMenuItem* file = NewItem("&File");
  TMenuItem* open = NewItem("&Open");
  TMenuItem* recent = NewItem("Recent");
  TMenuItem* one = NewItem("one");
  menu.Items()->Add(file);
  file->Add(open);
  file->Add(recent);
  recent->Add(one);
  one->SetShortCut(ShortCut('O', ssCtrl | ssShift));

  EXPECT_EQ(menu.FindItem(open->Command(), fkCommand), open);
  EXPECT_EQ(menu.FindItem(one->Command(), fkCommand), one);
  EXPECT_EQ(menu.FindItem(reinterpret_cast<UINT_PTR>(recent->Handle()), fkHandle), recent);
  EXPECT_EQ(menu.FindItem(one->ShortCut(), fkShortCut), one);
  EXPECT_EQ(menu.FindItem(1, fkCommand), nullptr);
  EXPECT_EQ(menu.FindItem(0, fkShortCut), nullptr);
  // The root is not an item of the menu.
  EXPECT_EQ(menu.FindItem(reinterpret_cast<UINT_PTR>(menu.Handle()), fkHandle), nullptr);

  // The platform gives the same identifiers back.
  EXPECT_EQ(GetMenuItemID(file->Handle(), 0), open->Command());
  EXPECT_EQ(GetSubMenu(menu.Handle(), 0), file->Handle());
  EXPECT_EQ(GetSubMenu(file->Handle(), 1), recent->Handle());
}

TEST(MenuCommands, DispatchClicksEnabledItemsOnly) {
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  ClickLog log;
  TMenuItem* a = NewItem("a");
  TMenuItem* sub = NewItem("sub");
  TMenuItem* inner = NewItem("inner");
  menu.Items()->Add(a);
  menu.Items()->Add(sub);
  sub->Add(inner);
  a->OnClick = TNotifyEvent(&log, &ClickLog::Click);
  sub->OnClick = TNotifyEvent(&log, &ClickLog::Click);

  EXPECT_TRUE(menu.DispatchCommand(a->Command()));
  EXPECT_FALSE(menu.DispatchCommand(7));
  a->SetEnabled(false);
  EXPECT_TRUE(menu.DispatchCommand(a->Command()));  // found, but a disabled item does nothing
  // WM_INITMENUPOPUP of a sub-menu clicks the item that owns it.
  EXPECT_TRUE(menu.DispatchPopup(sub->Handle()));
  EXPECT_FALSE(menu.DispatchPopup(menu.Handle()));
  ASSERT_EQ(log.Senders.size(), 2u);
  EXPECT_EQ(log.Senders[0], a);
  EXPECT_EQ(log.Senders[1], sub);
}

// ---------------------------------------------------------------------------------------------

TEST(MenuHandles, EntriesFollowTheItemsProperties) {
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  TMenuItem* a = NewItem("&Alpha");
  TMenuItem* line = NewItem("-");
  TMenuItem* c = NewItem("Gamma");
  menu.Items()->Add(a);
  menu.Items()->Add(line);
  menu.Items()->Add(c);
  a->SetShortCut(ShortCut('A', ssCtrl));
  a->SetChecked(true);
  c->SetEnabled(false);
  c->SetDefault(true);
  c->SetBreak(mbBarBreak);

  HMENU h = menu.Handle();
  Entry ea = ReadEntry(h, 0), el = ReadEntry(h, 1), ec = ReadEntry(h, 2);
  EXPECT_EQ(ea.Text, "&Alpha\t" + ShortCutToText(a->ShortCut()));
  EXPECT_EQ(ea.Id, a->Command());
  EXPECT_TRUE(ea.State & MFS_CHECKED);
  EXPECT_EQ(ea.Data, reinterpret_cast<ULONG_PTR>(a));
  EXPECT_FALSE(ea.Type & MFT_OWNERDRAW);
  EXPECT_TRUE(el.Type & MFT_SEPARATOR);
  EXPECT_TRUE(ec.State & MFS_GRAYED);
  EXPECT_TRUE(ec.State & MFS_DEFAULT);
  EXPECT_TRUE(ec.Type & MFT_MENUBARBREAK);

  // Changes reach the live handle.
  a->SetCaption("Beta");
  a->SetChecked(false);
  ea = ReadEntry(h, 0);
  EXPECT_EQ(ea.Text, "Beta\t" + ShortCutToText(a->ShortCut()));
  EXPECT_FALSE(ea.State & MFS_CHECKED);
  EXPECT_EQ(menu.Handle(), h);  // the handle itself stays
}

TEST(MenuHandles, InvisibleItemsAreNotInsertedSoPositionsCountVisibleOnes) {
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  TMenuItem* a = NewItem("a");
  TMenuItem* b = NewItem("b");
  TMenuItem* c = NewItem("c");
  menu.Items()->Add({a, b, c});
  b->SetVisible(false);
  HMENU h = menu.Handle();
  ASSERT_EQ(GetMenuItemCount(h), 2);
  EXPECT_EQ(GetMenuItemID(h, 1), c->Command());
  EXPECT_EQ(GetMenuState(h, b->Command(), MF_BYCOMMAND), static_cast<UINT>(-1));  // not there
  b->SetVisible(true);
  ASSERT_EQ(GetMenuItemCount(h), 3);
  EXPECT_EQ(GetMenuItemID(h, 1), b->Command());
}

TEST(MenuHandles, SubMenusAppearAndDisappearWithTheirItems) {
  const std::unique_ptr<TMainMenu> menuPtr(NewComponent<TMainMenu>(nullptr));
  TMainMenu& menu = *menuPtr;
  TMenuItem* file = NewItem("File");
  menu.Items()->Add(file);
  HMENU bar = menu.Handle();
  EXPECT_EQ(GetSubMenu(bar, 0), nullptr);  // no sub-items: a command
  TMenuItem* open = NewItem("Open");
  file->Add(open);
  HMENU sub = GetSubMenu(bar, 0);
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub, file->Handle());
  EXPECT_EQ(GetMenuItemCount(sub), 1);
  file->Remove(open);
  EXPECT_EQ(GetSubMenu(bar, 0), nullptr);
  EXPECT_EQ(GetMenuItemID(bar, 0), file->Command());
  delete open;
}

TEST(MenuHandles, OwnerDrawMarksEveryLevelAndCarriesTheItem) {
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  TMenuItem* a = NewItem("a");
  TMenuItem* line = NewItem("-");
  TMenuItem* sub = NewItem("sub");
  TMenuItem* inner = NewItem("inner");
  menu.Items()->Add({a, line, sub});
  sub->Add(inner);
  HMENU h = menu.Handle();
  EXPECT_FALSE(ReadEntry(h, 0).Type & MFT_OWNERDRAW);
  menu.SetOwnerDraw(true);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(ReadEntry(h, i).Type & MFT_OWNERDRAW) << i;
  EXPECT_TRUE(ReadEntry(h, 1).Type & MFT_SEPARATOR);  // a divider is owner-drawn too
  Entry ei = ReadEntry(sub->Handle(), 0);
  EXPECT_TRUE(ei.Type & MFT_OWNERDRAW);
  EXPECT_EQ(ei.Data, reinterpret_cast<ULONG_PTR>(inner));
  menu.SetOwnerDraw(false);
  EXPECT_FALSE(ReadEntry(sub->Handle(), 0).Type & MFT_OWNERDRAW);
}

// An owner-drawn item's accelerator matches in either case as the system compares case in the
// ANSI code page: letters beyond ASCII ("\u00c4"/"\u00e4") included.
TEST(MenuHandles, OwnerDrawnAcceleratorsMatchInEitherCaseBeyondASCII) {
  std::string upper, lower;
  if (!WideToAnsiExact(L"\u00c4", upper) || !WideToAnsiExact(L"\u00e4", lower)) GTEST_SKIP() << "no \u00c4 here";
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  menu.Items()->Add({NewItem("&first"), NewItem("&" + upper + "pfel")});
  menu.SetOwnerDraw(true);
  for (char typed : {lower[0], upper[0]}) {
    LRESULT r = 0;
    EXPECT_TRUE(HandleMenuMessage(nullptr, WM_MENUCHAR, MAKEWPARAM(static_cast<BYTE>(typed), MF_POPUP),
                                  reinterpret_cast<LPARAM>(menu.Handle()), r));
    EXPECT_EQ(r, MAKELRESULT(1, MNC_EXECUTE));
  }
}

TEST(MenuHandles, RebuildKeepsEntriesMergedInByOthers) {
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  TMenuItem* a = NewItem("a");
  TMenuItem* b = NewItem("b");
  menu.Items()->Add({a, b});
  HMENU h = menu.Handle();
  // Another party (a shell context menu) puts its commands first, with ids below 256.
  InsertMenuA(h, 0, MF_BYPOSITION | MF_STRING, 1, "shell one");
  InsertMenuA(h, 1, MF_BYPOSITION | MF_STRING, 2, "shell two");
  a->SetCaption("A");  // rebuilds
  ASSERT_EQ(GetMenuItemCount(h), 4);
  EXPECT_EQ(GetMenuItemID(h, 0), 1u);
  EXPECT_EQ(GetMenuItemID(h, 1), 2u);
  EXPECT_EQ(GetMenuItemID(h, 2), a->Command());
  EXPECT_EQ(ReadEntry(h, 2).Text, "A");
  // Merged after ours: ours stay in front.
  AppendMenuA(h, MF_STRING, 3, "shell three");
  b->SetVisible(false);
  ASSERT_EQ(GetMenuItemCount(h), 4);
  EXPECT_EQ(GetMenuItemID(h, 2), a->Command());
  EXPECT_EQ(GetMenuItemID(h, 3), 3u);
}

TEST(MenuMerge, AnotherMenusItemsJoinTheBarByGroupAndLeaveWithEitherMenu) {
  auto bar = std::unique_ptr<TMainMenu>(NewComponent<TMainMenu>(nullptr));
  auto other = std::unique_ptr<TMainMenu>(NewComponent<TMainMenu>(nullptr));
  auto add = [](TMainMenu& m, const char* caption, uint8_t group) {
    TMenuItem* i = NewItem(caption);
    i->SetGroupIndex(group);
    m.Items()->Add(i);
    return i;
  };
  TMenuItem* file = add(*bar, "File", 0);
  add(*bar, "Edit", 1);
  add(*bar, "Edit2", 1);
  TMenuItem* help = add(*bar, "Help", 9);
  TMenuItem* doc = add(*other, "Doc", 1);
  TMenuItem* tools = add(*other, "Tools", 5);
  TMenuItem* last = add(*other, "Last", 12);
  tools->Add(NewItem("Options"));
  HMENU h = bar->Handle();
  InsertMenuA(h, 0, MF_BYPOSITION | MF_STRING, 1, "foreign");  // another party's entry stays first
  auto shown = [&] {
    std::vector<ULONG_PTR> data;
    for (int i = 1; i < GetMenuItemCount(h); ++i) data.push_back(ReadEntry(h, i).Data);
    return data;
  };
  // Group 1 replaces both own items of that group; group 5 stands before 9, 12 after it.
  bar->Merge(other.get());
  const std::vector<TMenuItem*> merged{file, doc, tools, help, last};
  EXPECT_EQ(MergeMenuItems(*bar->Items(), other->Items()), merged);
  ASSERT_EQ(shown().size(), merged.size());
  for (size_t i = 0; i < merged.size(); ++i) EXPECT_EQ(shown()[i], reinterpret_cast<ULONG_PTR>(merged[i]));
  // The merged items' changes and commands go through the bar; out again, its sub-menus live on.
  doc->SetCaption("Document");
  EXPECT_EQ(ReadEntry(h, 2).Text, "Document");
  EXPECT_EQ(bar->FindItem(last->Command(), fkCommand), last);
  bar->Unmerge(other.get());
  EXPECT_TRUE(shown().size() == 4u && IsMenu(tools->Handle()) && !bar->FindItem(last->Command(), fkCommand));
  // Freeing either menu ends a merge.
  bar->Merge(other.get());
  other.reset();
  EXPECT_TRUE(bar->Merged() == nullptr && shown().size() == 4u);
  other = std::unique_ptr<TMainMenu>(NewComponent<TMainMenu>(nullptr));
  bar->Merge(other.get());
  bar.reset();
  add(*other, "still fine", 0);  // nothing left to rebuild
}

TEST(MenuHandles, MenuGoneMeansHandlesGone) {
  HMENU root = nullptr, sub = nullptr;
  {
    const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
    TPopupMenu& menu = *menuPtr;
    TMenuItem* s = NewItem("s");
    menu.Items()->Add(s);
    s->Add(NewItem("t"));
    root = menu.Handle();
    sub = s->Handle();
    ASSERT_TRUE(IsMenu(root));
    ASSERT_TRUE(IsMenu(sub));
  }
  EXPECT_FALSE(IsMenu(root));
  EXPECT_FALSE(IsMenu(sub));
}

TEST(MenuHandles, RadioGroupsAndDefaultAreExclusiveAmongSiblings) {
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  TMenuItem* r1 = NewItem("r1");
  TMenuItem* r2 = NewItem("r2");
  TMenuItem* r3 = NewItem("r3");
  TMenuItem* plain = NewItem("plain");
  menu.Items()->Add({r1, r2, r3, plain});
  for (TMenuItem* r : {r1, r2, r3}) r->SetRadioItem(true);
  r3->SetGroupIndex(2);
  plain->SetChecked(true);
  r1->SetChecked(true);
  r3->SetChecked(true);  // another group
  r2->SetChecked(true);
  EXPECT_FALSE(r1->Checked());
  EXPECT_TRUE(r2->Checked());
  EXPECT_TRUE(r3->Checked());
  EXPECT_TRUE(plain->Checked());
  HMENU h = menu.Handle();
  EXPECT_FALSE(ReadEntry(h, 0).State & MFS_CHECKED);
  EXPECT_TRUE(ReadEntry(h, 1).State & MFS_CHECKED);
  EXPECT_TRUE(ReadEntry(h, 1).Type & MFT_RADIOCHECK);

  r1->SetDefault(true);
  plain->SetDefault(true);
  EXPECT_FALSE(r1->Default());
  EXPECT_TRUE(plain->Default());
  EXPECT_EQ(GetMenuDefaultItem(h, TRUE, 0), 3u);
  EXPECT_EQ(GetMenuDefaultItem(h, FALSE, 0), plain->Command());
}

// ---------------------------------------------------------------------------------------------

TEST(MenuShortCuts, PackKeyAndModifiers) {
  TShortCut sc = ShortCut(VK_F4, ssAlt);
  EXPECT_EQ(sc & 0xFF, VK_F4);
  EXPECT_EQ(sc & (scShift | scCtrl | scAlt), scAlt);
  WORD key = 0;
  TShiftState shift = 0;
  ShortCutToKey(ShortCut('X', ssCtrl | ssShift), key, shift);
  EXPECT_EQ(key, 'X');
  EXPECT_EQ(shift, ssCtrl | ssShift);
  EXPECT_EQ(ShortCut(0x1234, ssCtrl), 0);  // not a virtual key
}

TEST(MenuShortCuts, ReadAsText) {
  EXPECT_EQ(ShortCutToText(ShortCut(VK_F4, ssAlt)), "Alt+F4");
  EXPECT_EQ(ShortCutToText(ShortCut('S', ssCtrl)), "Ctrl+S");
  EXPECT_EQ(ShortCutToText(ShortCut('7', ssShift | ssCtrl | ssAlt)), "Shift+Ctrl+Alt+7");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_F12, 0)), "F12");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_F24, ssShift)), "Shift+F24");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_DELETE, ssCtrl)), "Ctrl+Del");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_INSERT, 0)), "Ins");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_RETURN, 0)), "Enter");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_ESCAPE, 0)), "Esc");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_BACK, ssAlt)), "Alt+BkSp");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_SPACE, 0)), "Space");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_PRIOR, 0)), "PgUp");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_NEXT, 0)), "PgDn");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_LEFT, 0)), "Left");
  EXPECT_EQ(ShortCutToText(0), "");
  // Keys without a name of ours are named by the keyboard layout.
  char name[64] = {};
  int n = GetKeyNameTextA(static_cast<LONG>(MapVirtualKeyA(VK_OEM_PLUS, MAPVK_VK_TO_VSC) << 16), name, sizeof name);
  ASSERT_GT(n, 0);
  EXPECT_EQ(ShortCutToText(ShortCut(VK_OEM_PLUS, ssCtrl)), std::string("Ctrl+") + name);
}

TEST(MenuShortCuts, HotkeysOfCaptions) {
  EXPECT_EQ(StripHotkey("&File"), "File");
  EXPECT_EQ(StripHotkey("Save && &Exit"), "Save & Exit");
  EXPECT_EQ(StripHotkey("trailing&"), "trailing");
  EXPECT_EQ(GetHotkey("&File"), 'F');
  EXPECT_EQ(GetHotkey("Save && E&xit"), 'x');
  EXPECT_EQ(GetHotkey("A && B"), 0);
  EXPECT_EQ(GetHotkey("none&"), 0);
}

TEST(MenuOwnerDrawState, MatchesThePlatformsItemStateBits) {
  EXPECT_EQ(OwnerDrawStateFromItemState(ODS_SELECTED), odSelected);
  EXPECT_EQ(OwnerDrawStateFromItemState(ODS_GRAYED | ODS_DISABLED), odGrayed | odDisabled);
  EXPECT_EQ(OwnerDrawStateFromItemState(ODS_CHECKED), odChecked);
  EXPECT_EQ(OwnerDrawStateFromItemState(ODS_FOCUS), odFocused);
  EXPECT_EQ(OwnerDrawStateFromItemState(ODS_DEFAULT), odDefault);
  EXPECT_EQ(OwnerDrawStateFromItemState(ODS_HOTLIGHT), odHotLight);
  EXPECT_EQ(OwnerDrawStateFromItemState(ODS_INACTIVE), odInactive);
  EXPECT_EQ(OwnerDrawStateFromItemState(ODS_NOACCEL), odNoAccel);
  EXPECT_EQ(OwnerDrawStateFromItemState(ODS_NOFOCUSRECT), odNoFocusRect);
  EXPECT_EQ(OwnerDrawStateFromItemState(ODS_COMBOBOXEDIT), odComboBoxEdit);
  EXPECT_EQ(OwnerDrawStateFromItemState(0xFFFF0000u | ODS_CHECKED), odChecked);
}

// ---------------------------------------------------------------------------------------------
// Owner-draw dispatch without the platform's menu loop: what reaches the dispatch functions is
// checked before it is used.

TEST(MenuOwnerDrawDispatch, IgnoresForeignAndStaleItemData) {
  const std::unique_ptr<TPopupMenu> menuPtr(NewComponent<TPopupMenu>(nullptr));
  TPopupMenu& menu = *menuPtr;
  menu.SetOwnerDraw(true);
  TMenuItem* a = NewItem("a");
  menu.Items()->Add(a);
  int measured = 0;
  struct Counter {
    int* n;
    void Measure(TObject*, TCanvas*, int&, int& h) {
      ++*n;
      h = 21;
    }
  } counter{&measured};
  a->OnMeasureItem = TMenuMeasureItemEvent(&counter, &Counter::Measure);

  MEASUREITEMSTRUCT mis{};
  mis.CtlType = ODT_MENU;
  mis.itemID = a->Command();
  mis.itemData = reinterpret_cast<ULONG_PTR>(a);
  EXPECT_TRUE(MenuMeasureItem(mis));
  EXPECT_EQ(measured, 1);
  EXPECT_EQ(mis.itemHeight, 21u);

  MEASUREITEMSTRUCT foreign = mis;
  int local = 0;
  foreign.itemData = reinterpret_cast<ULONG_PTR>(&local);
  EXPECT_FALSE(MenuMeasureItem(foreign));
  MEASUREITEMSTRUCT control = mis;
  control.CtlType = ODT_LISTBOX;
  EXPECT_FALSE(MenuMeasureItem(control));
  EXPECT_EQ(measured, 1);

  // WM_DRAWITEM must name the menu the item is in.
  DRAWITEMSTRUCT dis{};
  dis.CtlType = ODT_MENU;
  dis.itemData = reinterpret_cast<ULONG_PTR>(a);
  dis.hwndItem = reinterpret_cast<HWND>(CreatePopupMenu());
  HDC dc = CreateCompatibleDC(nullptr);
  dis.hDC = dc;
  EXPECT_FALSE(MenuDrawItem(dis));
  DestroyMenu(reinterpret_cast<HMENU>(dis.hwndItem));
  dis.hwndItem = reinterpret_cast<HWND>(menu.Handle());
  EXPECT_TRUE(MenuDrawItem(dis));
  DeleteDC(dc);

  // A freed item is never touched again.
  ULONG_PTR stale = reinterpret_cast<ULONG_PTR>(a);
  delete a;
  mis.itemData = stale;
  EXPECT_FALSE(MenuMeasureItem(mis));
}

}  // namespace
}  // namespace korv
