// The shell's context menu through TShellBrowser: exactly the selected files, no menu for files
// of different folders, names consumed by every call, vetoes, merged application items and the
// hidden owner window, on sandbox folders. "copy" is the verb picked; it is verified through
// CF_HDROP on the clipboard.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "BrowserTestKit.h"
#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "shell/browser/ShellBrowser.h"
#include "shell/unicode/TntSysUtils.h"

namespace korv {
namespace {

using test::ClearClipboard;
using test::ClipboardFiles;
using test::SamePathSet;
using test::ShellVerbIds;
using test::TSandbox;

// Records the verbs offered to OnContextMenuSelect and lets only the allowed ones run.
struct TVerbGuard {
  std::vector<std::string> Seen;
  std::set<std::string> Allowed{"copy"};
  void Select(const std::string& command, bool& execute) {
    Seen.push_back(command);
    if (!Allowed.count(command)) execute = false;
  }
  void Attach(TShellBrowser& b) { b.OnContextMenuSelect = TOnContextMenuSelectEvent(this, &TVerbGuard::Select); }
};

// What the tracker saw.
struct TTrackCall {
  HMENU Menu = nullptr;
  HWND Owner = nullptr;
  POINT Pt{};
  UINT Flags = 0;
  int ItemCount = 0;
};

// Replaces the menu tracker for a scope.
class TTrackerScope {
 public:
  explicit TTrackerScope(TMenuTracker t) : Old_(SetMenuTracker(std::move(t))) {}
  ~TTrackerScope() { SetMenuTracker(std::move(Old_)); }
  TTrackerScope(const TTrackerScope&) = delete;
  TTrackerScope& operator=(const TTrackerScope&) = delete;

 private:
  TMenuTracker Old_;
};

// A tracker that records its calls and answers with a fixed command.
TMenuTracker Recording(std::vector<TTrackCall>& calls, UINT answer) {
  return [&calls, answer](HMENU menu, HWND owner, POINT pt, UINT flags) -> UINT {
    calls.push_back(TTrackCall{menu, owner, pt, flags, GetMenuItemCount(menu)});
    return answer;
  };
}

class ContextMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    InitClassLib();
    ClearClipboard();
  }
  void TearDown() override { ClearClipboard(); }
};

TEST_F(ContextMenu, ThreeFilesOfOneFolderAndNothingElse) {
  TSandbox box;
  std::vector<std::wstring> names{L"a.txt", L"b.txt", L"c.txt"};
  std::vector<std::wstring> picked;
  for (const auto& n : names) picked.push_back(box.File(L"sel\\" + n));
  box.File(L"sel\\neighbour.txt");
  box.File(L"outside.txt");
  std::map<std::string, UINT> ids = ShellVerbIds(box.PathOf(L"sel"), names);
  ASSERT_TRUE(ids.count("copy"));

  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  TVerbGuard guard;
  guard.Attach(b);
  b.SetFolder(box.Path());
  for (const auto& p : picked) b.MultiObjects()->Add(p);

  std::vector<TTrackCall> calls;
  std::string result;
  HWND ownerDuringMenu = nullptr;
  {
    TTrackerScope scope([&](HMENU menu, HWND owner, POINT pt, UINT flags) -> UINT {
      calls.push_back(TTrackCall{menu, owner, pt, flags, GetMenuItemCount(menu)});
      ownerDuringMenu = b.MenuWindow();
      EXPECT_NE(b.MergedMenu(), nullptr);
      EXPECT_EQ(menu, b.MergedMenu()->Handle());
      return ids["copy"];
    });
    result = b.PopupContextMenu(POINT{40, 50}, nullptr);
  }
  EXPECT_EQ(result, "copy");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].Flags, static_cast<UINT>(TPM_RETURNCMD | TPM_RIGHTBUTTON));
  EXPECT_EQ(calls[0].Pt.x, 40);
  EXPECT_EQ(calls[0].Pt.y, 50);
  EXPECT_GT(calls[0].ItemCount, 0);
  // The hidden owner window exists while the menu is up and is gone afterwards.
  EXPECT_NE(calls[0].Owner, nullptr);
  EXPECT_EQ(calls[0].Owner, ownerDuringMenu);
  EXPECT_FALSE(IsWindow(calls[0].Owner));
  EXPECT_EQ(b.MenuWindow(), nullptr);
  EXPECT_EQ(b.MergedMenu(), nullptr);
  EXPECT_EQ(b.MultiObjects()->Count(), 0);
  EXPECT_EQ(guard.Seen, std::vector<std::string>{"copy"});
  // The shared parent folder is bound.
  EXPECT_TRUE(WideSameText(b.Folder(), box.PathOf(L"sel\\")));

  std::vector<std::wstring> clip = ClipboardFiles();
  EXPECT_TRUE(SamePathSet(clip, picked)) << clip.size() << " files on the clipboard";
}

TEST_F(ContextMenu, CopyPickedFromTheRealPopupByPostedKeys) {
  TSandbox box;
  std::vector<std::wstring> names{L"one.txt", L"two.txt", L"three.txt"};
  std::vector<std::wstring> picked;
  for (const auto& n : names) picked.push_back(box.File(n));
  box.File(L"four.txt");
  std::map<std::string, UINT> ids = ShellVerbIds(box.Path(), names);
  ASSERT_TRUE(ids.count("copy"));

  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  TVerbGuard guard;  // whatever the keys reach, only "copy" may run
  guard.Attach(b);
  b.SetFolder(box.Path());
  for (const auto& p : picked) b.MultiObjects()->Add(p);

  test::TMenuPicker picker([&b]() -> HMENU { return b.MergedMenu() ? b.MergedMenu()->Handle() : nullptr; },
                           ids["copy"]);
  std::string result = b.PopupContextMenu(POINT{200, 200}, nullptr);

  EXPECT_TRUE(picker.SawMenuWindow());
  EXPECT_TRUE(picker.Picked());
  EXPECT_FALSE(picker.SafetyFired());
  EXPECT_EQ(result, "copy");
  EXPECT_EQ(guard.Seen, std::vector<std::string>{"copy"});
  EXPECT_TRUE(SamePathSet(ClipboardFiles(), picked));
  EXPECT_EQ(b.MenuWindow(), nullptr);
  for (const auto& p : picked) EXPECT_TRUE(test::PathExists(p));
}

TEST_F(ContextMenu, FilesOfDifferentFoldersGetNoMenu) {
  TSandbox box;
  std::wstring x = box.File(L"x\\1.txt");
  std::wstring y = box.File(L"y\\2.txt");
  std::wstring xDeep = box.File(L"x\\deeper\\3.txt");
  std::wstring root = WideExtractFileDrive(box.Path()) + L"\\";

  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  TVerbGuard guard;
  guard.Attach(b);
  b.SetFolder(box.Path());
  std::vector<TTrackCall> calls;
  TTrackerScope scope(Recording(calls, 1));

  const std::vector<std::vector<std::wstring>> cases = {
      {x, y},
      {x, xDeep},
      {x, box.PathOf(L"x")},  // a file and its own folder
      {x, root},              // a drive root has no parent folder
  };
  for (const auto& entries : cases) {
    for (const auto& e : entries) b.MultiObjects()->Add(e);
    EXPECT_EQ(b.PopupContextMenu(POINT{10, 10}, nullptr), "");
    EXPECT_EQ(b.MultiObjects()->Count(), 0);
    EXPECT_TRUE(WideSameText(b.Folder(), box.Path()));
  }
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(guard.Seen.empty());
  EXPECT_TRUE(ClipboardFiles().empty());
}

TEST_F(ContextMenu, StaleEntryRaisesAndDoesNotPoisonTheNextCall) {
  TSandbox box;
  box.File(L"keep.txt");
  std::wstring a = box.File(L"a.txt");
  std::wstring bFile = box.File(L"b.txt");
  std::wstring gone = box.File(L"gone.txt");
  std::map<std::string, UINT> ids = ShellVerbIds(box.Path(), {L"b.txt"});
  ASSERT_TRUE(ids.count("copy"));
  DeleteFileW(gone.c_str());  // listed, then deleted before the menu

  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  TVerbGuard guard;
  guard.Attach(b);
  b.SetFolder(box.Path());
  b.SetObjectName(L"keep.txt");
  std::vector<TTrackCall> calls;
  TTrackerScope scope(Recording(calls, ids["copy"]));

  b.MultiObjects()->Add(a);
  b.MultiObjects()->Add(gone);
  EXPECT_THROW(b.PopupContextMenu(POINT{5, 5}, nullptr), EShellBrowserError);
  EXPECT_EQ(b.MultiObjects()->Count(), 0);
  EXPECT_EQ(b.ObjectName(), L"keep.txt");
  EXPECT_EQ(b.MenuWindow(), nullptr);
  EXPECT_TRUE(calls.empty());

  // A single stale path raises too, and is consumed as well.
  b.MultiObjects()->Add(gone);
  EXPECT_THROW(b.PopupContextMenu(POINT{5, 5}, nullptr), EShellBrowserError);
  EXPECT_EQ(b.MultiObjects()->Count(), 0);

  // The next call acts on its own names only.
  b.MultiObjects()->Add(bFile);
  EXPECT_EQ(b.PopupContextMenu(POINT{5, 5}, nullptr), "copy");
  EXPECT_TRUE(SamePathSet(ClipboardFiles(), {bFile}));
  EXPECT_EQ(calls.size(), 1u);

  // Without new names, the current object (the last single entry) is used.
  ClearClipboard();
  EXPECT_EQ(b.ObjectName(), L"b.txt");
  EXPECT_EQ(b.PopupContextMenu(POINT{5, 5}, nullptr), "copy");
  EXPECT_TRUE(SamePathSet(ClipboardFiles(), {bFile}));

  // A plain name is looked up in the bound folder.
  ClearClipboard();
  b.MultiObjects()->Add(L"A.TXT");
  EXPECT_EQ(b.PopupContextMenu(POINT{5, 5}, nullptr), "copy");
  EXPECT_TRUE(SamePathSet(ClipboardFiles(), {a}));
}

TEST_F(ContextMenu, SelectHandlerCanVeto) {
  TSandbox box;
  std::wstring f = box.File(L"v.txt");
  std::map<std::string, UINT> ids = ShellVerbIds(box.Path(), {L"v.txt"});
  ASSERT_TRUE(ids.count("copy"));
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  TVerbGuard guard;
  guard.Allowed.clear();
  guard.Attach(b);
  std::vector<TTrackCall> calls;
  TTrackerScope scope(Recording(calls, ids["copy"]));
  b.MultiObjects()->Add(f);
  EXPECT_EQ(b.PopupContextMenu(POINT{1, 1}, nullptr), "");
  EXPECT_EQ(guard.Seen, std::vector<std::string>{"copy"});
  EXPECT_TRUE(ClipboardFiles().empty());

  // Cancelled menu: nothing is asked and nothing runs.
  calls.clear();
  guard.Seen.clear();
  TTrackerScope none(Recording(calls, 0));
  b.MultiObjects()->Add(f);
  EXPECT_EQ(b.PopupContextMenu(POINT{1, 1}, nullptr), "");
  EXPECT_EQ(calls.size(), 1u);
  EXPECT_TRUE(guard.Seen.empty());
}

// An application popup menu: One, Two, Sub (with Inner).
struct TAppMenu {
  const std::unique_ptr<TPopupMenu> MenuPtr{NewComponent<TPopupMenu>(nullptr)};
  TPopupMenu& Menu = *MenuPtr;
  TMenuItem* One = NewComponent<TMenuItem>(nullptr);
  TMenuItem* Two = NewComponent<TMenuItem>(nullptr);
  TMenuItem* Sub = NewComponent<TMenuItem>(nullptr);
  TMenuItem* Inner = NewComponent<TMenuItem>(nullptr);
  // Senders are the merged copies, freed when the menu closes: keep what they were.
  struct TClick {
    const void* Sender;
    std::string Caption;
  };
  std::vector<TClick> Clicks;
  int Popups = 0;

  TAppMenu() {
    One->SetCaption("One");
    Two->SetCaption("Two");
    Two->SetHint("short|long two");
    Sub->SetCaption("Sub");
    Sub->SetHint("sub hint");
    Inner->SetCaption("Inner");
    Sub->Add(Inner);
    Menu.Items()->Add(One);
    Menu.Items()->Add(Two);
    Menu.Items()->Add(Sub);
    One->OnClick = TNotifyEvent(this, &TAppMenu::Click);
    Two->OnClick = TNotifyEvent(this, &TAppMenu::Click);
    Sub->OnClick = TNotifyEvent(this, &TAppMenu::Click);
    Menu.OnPopup = TNotifyEvent(this, &TAppMenu::Popup);
  }
  void Click(TObject* sender) {
    auto* item = dynamic_cast<TMenuItem*>(sender);
    Clicks.push_back(TClick{sender, item ? item->Caption() : std::string("?")});
  }
  void Popup(TObject*) { ++Popups; }
};

TEST_F(ContextMenu, MergedApplicationItemRunsItsClick) {
  TSandbox box;
  std::wstring f = box.File(L"m.txt");
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  TVerbGuard guard;
  guard.Attach(b);
  TAppMenu app;

  int shellItems = 0;
  UINT firstShellId = 0;
  {
    TTrackerScope scope([&](HMENU menu, HWND, POINT, UINT) -> UINT {
      int count = GetMenuItemCount(menu);
      shellItems = count - 3;
      // The copies come first, the shell's items after them.
      EXPECT_GE(GetMenuItemID(menu, 0), 256u);
      EXPECT_GE(GetMenuItemID(menu, 1), 256u);
      EXPECT_NE(GetSubMenu(menu, 2), nullptr);
      for (int i = 3; i < count && !firstShellId; ++i) {
        UINT id = GetMenuItemID(menu, i);
        if (id >= 1 && id <= 255) firstShellId = id;
      }
      EXPECT_NE(GetMenuItemID(menu, 1), app.Two->Command());  // a copy, not the item itself
      return GetMenuItemID(menu, 1);
    });
    b.MultiObjects()->Add(f);
    EXPECT_EQ(b.PopupContextMenu(POINT{3, 3}, &app.Menu), "");
  }
  EXPECT_GT(shellItems, 0);
  EXPECT_TRUE(firstShellId >= 1 && firstShellId <= 255) << firstShellId;
  EXPECT_EQ(app.Popups, 1);
  ASSERT_EQ(app.Clicks.size(), 1u);
  EXPECT_EQ(app.Clicks[0].Caption, "Two");
  EXPECT_NE(app.Clicks[0].Sender, app.Two);
  EXPECT_TRUE(guard.Seen.empty());
  EXPECT_TRUE(ClipboardFiles().empty());
  // The application's menu is untouched.
  EXPECT_EQ(app.Menu.Items()->Count(), 3);
  EXPECT_EQ(app.Sub->Count(), 1);

  // On top: the shell's items first, the copies after them.
  b.SetShowContextMenuOnTop(true);
  app.Clicks.clear();
  {
    TTrackerScope scope([&](HMENU menu, HWND, POINT, UINT) -> UINT {
      int count = GetMenuItemCount(menu);
      UINT first = GetMenuItemID(menu, 0);
      EXPECT_TRUE(first >= 1 && first <= 255) << first;
      for (int i = 0; i < count - 3; ++i) EXPECT_LT(GetMenuItemID(menu, i), 256u) << i;
      EXPECT_GE(GetMenuItemID(menu, count - 3), 256u);
      return GetMenuItemID(menu, count - 3);
    });
    b.MultiObjects()->Add(f);
    EXPECT_EQ(b.PopupContextMenu(POINT{3, 3}, &app.Menu), "");
  }
  ASSERT_EQ(app.Clicks.size(), 1u);
  EXPECT_EQ(app.Clicks[0].Caption, "One");
}

TEST_F(ContextMenu, HiddenWindowForwardsMenuMessages) {
  TSandbox box;
  std::wstring f = box.File(L"h.txt");
  std::map<std::string, UINT> ids = ShellVerbIds(box.Path(), {L"h.txt"});
  ASSERT_TRUE(ids.count("copy"));
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  TAppMenu app;
  bool ran = false;
  TTrackerScope scope([&](HMENU menu, HWND owner, POINT, UINT) -> UINT {
    ran = true;
    EXPECT_EQ(owner, b.MenuWindow());
    int shellItems = GetMenuItemCount(menu) - 3;
    HMENU sub = GetSubMenu(menu, 2);

    // A shell item: its help text (none on this platform: an empty hint, never a stale one).
    Application->SetHint("stale");
    SendMessageW(owner, WM_MENUSELECT, MAKEWPARAM(ids["copy"], MF_STRING), reinterpret_cast<LPARAM>(menu));
    EXPECT_NE(Application->Hint(), "stale");
    // A copied item: the long part of its hint.
    SendMessageW(owner, WM_MENUSELECT, MAKEWPARAM(GetMenuItemID(menu, 1), MF_STRING), reinterpret_cast<LPARAM>(menu));
    EXPECT_EQ(Application->Hint(), "long two");
    // A copied sub-menu, found by its handle.
    SendMessageW(owner, WM_MENUSELECT, MAKEWPARAM(2, MF_POPUP), reinterpret_cast<LPARAM>(menu));
    EXPECT_EQ(Application->Hint(), "sub hint");
    // The menu closing.
    SendMessageW(owner, WM_MENUSELECT, MAKEWPARAM(0xFFFF, 0xFFFF), 0);
    EXPECT_EQ(Application->Hint(), "");

    // A copied sub-menu opening reaches the class library's popup list, which clicks its item,
    // wherever it stands.
    SendMessageW(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(2, FALSE));
    EXPECT_EQ(app.Clicks.size(), 1u);
    SendMessageW(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(shellItems, FALSE));
    EXPECT_EQ(app.Clicks.size(), 2u);
    return 0;
  });
  b.MultiObjects()->Add(f);
  EXPECT_EQ(b.PopupContextMenu(POINT{3, 3}, &app.Menu), "");
  EXPECT_TRUE(ran);
}

// A shell menu of the test's own: "Open", then "Send to", filled only when it opens; it notes
// the popups it is told of and answers a typed character with its first item.
struct TFakeShellMenu : IContextMenu3 {
  HMENU SendTo = CreatePopupMenu();
  std::vector<HMENU> Opened;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** obj) override { return *obj = this, S_OK; }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT index, UINT first, UINT, UINT) override {
    InsertMenuA(menu, index, MF_BYPOSITION | MF_STRING, first, "&Open");
    InsertMenuA(menu, index + 1, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(SendTo), "Send &to");
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2);
  }
  HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR, UINT, UINT*, LPSTR, UINT) override { return E_INVALIDARG; }
  HRESULT STDMETHODCALLTYPE HandleMenuMsg(UINT msg, WPARAM w, LPARAM l) override {
    return HandleMenuMsg2(msg, w, l, nullptr);
  }
  HRESULT STDMETHODCALLTYPE HandleMenuMsg2(UINT msg, WPARAM w, LPARAM, LRESULT* result) override {
    if (msg == WM_INITMENUPOPUP) Opened.push_back(reinterpret_cast<HMENU>(w));
    if (msg == WM_MENUCHAR && result) *result = MAKELRESULT(0, MNC_EXECUTE);
    return S_OK;
  }
};

// Below the copied application items, the shell's own sub-menus must still reach it when they
// open, and a typed character goes to its third interface.
TEST_F(ContextMenu, TheShellsSubMenusAndTypedCharactersReachTheShell) {
  TSandbox box;
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  TFakeShellMenu shell;
  b.GetUIObjectProc = [&](IShellFolder*, HWND, UINT, LPCITEMIDLIST*, REFIID iid, void** out) {
    return shell.QueryInterface(iid, out);
  };
  TAppMenu app;  // three copied items: "Send to" stands at position 4
  TTrackerScope scope([&](HMENU menu, HWND owner, POINT, UINT) -> UINT {
    SendMessageW(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(shell.SendTo), MAKELPARAM(4, FALSE));
    SendMessageW(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(menu, 2)), MAKELPARAM(2, FALSE));
    EXPECT_EQ(shell.Opened, std::vector<HMENU>{shell.SendTo}) << "a copied sub-menu went to the shell, or its own not";
    EXPECT_EQ(app.Clicks.size(), 1u);
    EXPECT_EQ(SendMessageW(owner, WM_MENUCHAR, MAKEWPARAM('m', MF_POPUP), reinterpret_cast<LPARAM>(shell.SendTo)),
              MAKELRESULT(0, MNC_EXECUTE));
    return 0;
  });
  b.MultiObjects()->Add(box.File(L"s.txt"));
  EXPECT_EQ(b.PopupContextMenu(POINT{3, 3}, &app.Menu), "");
  EXPECT_EQ(app.Clicks.size(), 1u) << "the tracker did not run";
}

// The references a COM object holds, read through AddRef and Release.
ULONG References(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

TEST_F(ContextMenu, EveryExitGivesBackTheShellMenuAndTheHiddenWindow) {
  TSandbox box;
  std::wstring f = box.File(L"e.txt");
  std::wstring gone = box.File(L"gone.txt");
  DeleteFileW(gone.c_str());
  std::map<std::string, UINT> ids = ShellVerbIds(box.Path(), {L"e.txt"});
  ASSERT_TRUE(ids.count("copy"));

  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  b.SetFolder(box.Path());
  IShellFolder* folder = b.ShellFolder();
  TAppMenu app;
  TVerbGuard guard;
  bool raiseInHandler = false;
  struct TRaiser {
    TVerbGuard* Guard;
    bool* Raise;
    void Select(const std::string& command, bool& execute) {
      if (*Raise) throw EAbort("raised by the handler");
      Guard->Select(command, execute);
    }
  } raiser{&guard, &raiseInHandler};
  b.OnContextMenuSelect = TOnContextMenuSelectEvent(&raiser, &TRaiser::Select);

  // What the tracker answers: a shell command, nothing, or the copied item "Two".
  enum class TPick { Copy, Nothing, AppItem };
  TPick pick = TPick::Nothing;
  HWND owner = nullptr;
  ULONG held = 0;
  TTrackerScope scope([&](HMENU menu, HWND window, POINT, UINT) -> UINT {
    owner = window;
    held = References(folder);
    if (pick == TPick::Copy) return ids["copy"];
    return pick == TPick::AppItem ? GetMenuItemID(menu, 1) : 0;
  });

  const ULONG before = References(folder);
  auto popup = [&](TPick p, const std::wstring& name, bool raise) {
    pick = p;
    raiseInHandler = raise;
    owner = nullptr;
    held = 0;
    b.MultiObjects()->Add(name);
    return b.PopupContextMenu(POINT{3, 3}, &app.Menu);
  };
  auto expectAllGivenBack = [&](const char* exit) {
    EXPECT_EQ(References(folder), before) << exit;
    EXPECT_EQ(b.ShellFolder(), folder) << exit;
    EXPECT_EQ(b.MenuWindow(), nullptr) << exit;
    EXPECT_EQ(b.MergedMenu(), nullptr) << exit;
    EXPECT_EQ(b.MultiObjects()->Count(), 0) << exit;
    if (owner) {
      EXPECT_FALSE(IsWindow(owner)) << exit;
    }
  };

  guard.Allowed.clear();  // the shell's command is offered, then vetoed
  EXPECT_EQ(popup(TPick::Copy, f, false), "");
  // The shell's menu holds the folder while it is up: a menu kept would show in the count.
  EXPECT_GT(held, before);
  EXPECT_NE(owner, nullptr);
  expectAllGivenBack("vetoed");

  guard.Allowed = {"copy"};
  EXPECT_EQ(popup(TPick::Copy, f, false), "copy");
  EXPECT_TRUE(SamePathSet(ClipboardFiles(), {f}));
  expectAllGivenBack("carried out");

  EXPECT_EQ(popup(TPick::Nothing, f, false), "");
  expectAllGivenBack("cancelled");

  EXPECT_EQ(popup(TPick::AppItem, f, false), "");
  EXPECT_EQ(app.Clicks.size(), 1u);
  expectAllGivenBack("copied item");

  EXPECT_THROW(popup(TPick::Copy, f, true), EAbort);
  EXPECT_GT(held, before);
  expectAllGivenBack("raised by the handler");

  EXPECT_THROW(popup(TPick::Copy, gone, false), EShellBrowserError);
  EXPECT_EQ(owner, nullptr);  // no menu for a name that is gone
  expectAllGivenBack("stale name");
}

TEST_F(ContextMenu, RenameGoesToTheHandler) {
  TSandbox box;
  std::wstring f = box.File(L"r.txt");
  // The shell lists rename only without the explore flag; its identifier is the same.
  std::map<std::string, UINT> ids = ShellVerbIds(box.Path(), {L"r.txt"}, CMF_CANRENAME);
  if (!ids.count("rename")) GTEST_SKIP() << "the shell offers no rename";
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  int renames = 0;
  struct TCounter {
    int* N;
    void Rename(TObject*) { ++*N; }
  } counter{&renames};
  b.OnRename = TNotifyEvent(&counter, &TCounter::Rename);
  std::vector<TTrackCall> calls;
  TTrackerScope scope(Recording(calls, ids["rename"]));
  b.MultiObjects()->Add(f);
  std::string result = b.PopupContextMenu(POINT{3, 3}, nullptr);
  if (result.empty()) GTEST_SKIP() << "the shell names no verb for rename under the explore flag";
  EXPECT_EQ(result, "rename");
  EXPECT_EQ(renames, 1);
  EXPECT_TRUE(test::PathExists(f));
}

TEST_F(ContextMenu, CancelledDeleteReturnsNothing) {
  TSandbox box;
  std::wstring victim = box.File(L"victim.txt");
  std::wstring neighbour = box.File(L"neighbour.txt");
  std::map<std::string, UINT> ids = ShellVerbIds(box.Path(), {L"victim.txt"});
  if (!ids.count("delete")) GTEST_SKIP() << "the shell offers no delete";
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  TVerbGuard guard;
  guard.Allowed = {"delete"};
  guard.Attach(b);
  std::vector<TTrackCall> calls;
  TTrackerScope scope(Recording(calls, ids["delete"]));
  b.MultiObjects()->Add(victim);
  // The shell asks for confirmation: answer No.
  test::TDialogCloser closer(IDNO);
  std::string result = b.PopupContextMenu(POINT{3, 3}, nullptr);
  EXPECT_TRUE(closer.Closed());
  ASSERT_TRUE(test::PathExists(victim));
  EXPECT_EQ(result, "");
  EXPECT_TRUE(test::PathExists(neighbour));
}

}  // namespace
}  // namespace korv
