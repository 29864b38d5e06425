// ID-list routines over hand-made lists, and the shell helpers over real shell objects in a
// sandbox folder.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "BrowserTestKit.h"
#include "shell/browser/Shell_Win32.h"
#include "shell/unicode/TntSysUtils.h"
#include "shell/unicode/TntSystem.h"

namespace korv {
namespace {

using test::TSandbox;

// A list from items given as their payload bytes (the count is added in front of each).
TIDList MakeList(const std::vector<std::vector<BYTE>>& items) {
  std::vector<BYTE> bytes;
  for (const auto& payload : items) {
    USHORT cb = static_cast<USHORT>(payload.size() + 2);
    bytes.push_back(static_cast<BYTE>(cb & 0xFF));
    bytes.push_back(static_cast<BYTE>(cb >> 8));
    bytes.insert(bytes.end(), payload.begin(), payload.end());
  }
  bytes.push_back(0);
  bytes.push_back(0);
  TIDList list = AllocIDList(bytes.size());
  std::memcpy(list.Get(), bytes.data(), bytes.size());
  return list;
}

std::vector<BYTE> Bytes(LPCITEMIDLIST list) {
  const BYTE* p = reinterpret_cast<const BYTE*>(list);
  return std::vector<BYTE>(p, p + IDListSize(list));
}

TEST(IDListRoutines, SizesCountsAndCopies) {
  TIDList empty = MakeList({});
  TIDList three = MakeList({{1, 2, 3}, {4}, {5, 6, 7, 8, 9}});
  EXPECT_EQ(IDListSize(nullptr), 0u);
  EXPECT_EQ(IDListSize(empty.Get()), 2u);
  EXPECT_EQ(IDListSize(three.Get()), 5u + 3u + 7u + 2u);
  EXPECT_EQ(IDListCount(nullptr), 0);
  EXPECT_EQ(IDListCount(empty.Get()), 0);
  EXPECT_EQ(IDListCount(three.Get()), 3);
  EXPECT_TRUE(IsEmptyIDList(empty.Get()));
  EXPECT_FALSE(IsEmptyIDList(three.Get()));
  EXPECT_FALSE(IsEmptyIDList(nullptr));

  EXPECT_FALSE(CopyIDList(nullptr));
  TIDList copy = CopyIDList(three.Get());
  ASSERT_TRUE(copy);
  EXPECT_NE(copy.Get(), three.Get());
  EXPECT_EQ(Bytes(copy.Get()), Bytes(three.Get()));

  TIDList block = AllocIDList(64);
  ASSERT_TRUE(block);
  const BYTE* b = reinterpret_cast<const BYTE*>(block.Get());
  EXPECT_TRUE(std::all_of(b, b + 64, [](BYTE x) { return x == 0; }));
}

TEST(IDListRoutines, ItemsHeadsAndConcatenation) {
  TIDList three = MakeList({{1, 2, 3}, {4}, {5, 6, 7, 8, 9}});
  EXPECT_EQ(Bytes(CopyIDListItem(three.Get(), 1).Get()), Bytes(MakeList({{4}}).Get()));
  EXPECT_EQ(Bytes(CopyIDListItem(three.Get(), 2).Get()), Bytes(MakeList({{5, 6, 7, 8, 9}}).Get()));
  EXPECT_FALSE(CopyIDListItem(three.Get(), 3));
  EXPECT_FALSE(CopyIDListItem(three.Get(), -1));
  EXPECT_FALSE(CopyIDListItem(nullptr, 0));

  EXPECT_EQ(Bytes(CopyIDListHead(three.Get(), 0).Get()), Bytes(MakeList({}).Get()));
  EXPECT_EQ(Bytes(CopyIDListHead(three.Get(), 2).Get()), Bytes(MakeList({{1, 2, 3}, {4}}).Get()));
  EXPECT_EQ(Bytes(CopyIDListHead(three.Get(), 9).Get()), Bytes(three.Get()));
  EXPECT_FALSE(CopyIDListHead(nullptr, 1));

  TIDList a = MakeList({{1}, {2, 2}});
  TIDList b = MakeList({{3, 3, 3}});
  EXPECT_EQ(Bytes(ConcatIDLists(a.Get(), b.Get()).Get()), Bytes(MakeList({{1}, {2, 2}, {3, 3, 3}}).Get()));
  EXPECT_EQ(Bytes(ConcatIDLists(nullptr, b.Get()).Get()), Bytes(b.Get()));
  EXPECT_EQ(Bytes(ConcatIDLists(a.Get(), nullptr).Get()), Bytes(a.Get()));
  EXPECT_EQ(Bytes(ConcatIDLists(nullptr, nullptr).Get()), Bytes(MakeList({}).Get()));
}

TEST(IDListRoutines, DamagedCountEndsTheList) {
  // Second item claims one byte: the walk stops there instead of looping or running off.
  BYTE raw[] = {4, 0, 0xAA, 0xBB, 1, 0, 0xCC, 0xDD, 0, 0};
  TIDList list = AllocIDList(sizeof raw);
  std::memcpy(list.Get(), raw, sizeof raw);
  EXPECT_EQ(IDListCount(list.Get()), 1);
  EXPECT_EQ(IDListSize(list.Get()), 6u);
  EXPECT_EQ(Bytes(CopyIDList(list.Get()).Get()), Bytes(MakeList({{0xAA, 0xBB}}).Get()));
  EXPECT_FALSE(CopyIDListItem(list.Get(), 1));
}

TEST(ShellHelpers, ParseNameOfFilesFoldersAndErrors) {
  TSandbox box;
  std::wstring file = box.File(L"one.txt");
  TIDList list = ParseName(nullptr, file);
  ASSERT_TRUE(list);
  int n = IDListCount(list.Get());
  ASSERT_GE(n, 2);
  EXPECT_TRUE(WideSameText(IDListPath(list.Get()), file));
  // The head without the last item is the sandbox folder.
  TIDList head = CopyIDListHead(list.Get(), n - 1);
  EXPECT_TRUE(WideSameText(IDListPath(head.Get()) + L"\\", box.Path()));

  // Case-insensitive, trailing backslash ignored.
  TIDList upper = ParseName(nullptr, WideUpperCaseEx(box.Path()));
  ASSERT_TRUE(upper);
  TComPtr<IShellFolder> desktop;
  ASSERT_HRESULT_SUCCEEDED(SHGetDesktopFolder(desktop.Put()));
  EXPECT_TRUE(SameIDList(desktop.Get(), upper.Get(), head.Get()));

  SetLastError(0);
  EXPECT_FALSE(ParseName(nullptr, box.PathOf(L"missing.txt")));
  EXPECT_TRUE(FAILED(static_cast<HRESULT>(GetLastError())));

  // A wildcard is refused rather than resolved to the first match.
  SetLastError(0);
  EXPECT_FALSE(ParseName(nullptr, box.PathOf(L"*.txt")));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_INVALID_NAME)));
  EXPECT_FALSE(ParseName(nullptr, box.PathOf(L"on?.txt")));

  // Relative to a folder.
  TComPtr<IShellFolder> folder;
  ASSERT_HRESULT_SUCCEEDED(desktop->BindToObject(head.Get(), nullptr, IID_IShellFolder, folder.PutVoid()));
  TIDList child = ParseName(folder.Get(), L"ONE.TXT");
  ASSERT_TRUE(child);
  EXPECT_EQ(IDListCount(child.Get()), 1);

  // The empty name is the computer folder.
  TIDList computer = ParseName(nullptr, L"");
  TIDList drives;
  ASSERT_HRESULT_SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, drives.Put()));
  EXPECT_TRUE(SameIDList(desktop.Get(), computer.Get(), drives.Get()));
}

TEST(ShellHelpers, VirtualFolderPathsAreEmpty) {
  // The platform answers some virtual folders with "::{GUID}"; that is no path.
  for (int csidl : {CSIDL_NETWORK, CSIDL_PRINTERS, CSIDL_INTERNET, CSIDL_DRIVES}) {
    TIDList list;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, list.Put()))) continue;
    std::wstring path = IDListPath(list.Get());
    EXPECT_TRUE(path.empty()) << csidl << ": " << WideToAnsi(path);
  }
  EXPECT_TRUE(IDListPath(nullptr).empty());
}

TEST(ShellHelpers, MatchSpecRules) {
  EXPECT_TRUE(MatchSpec(L"a.txt", L"*.*"));
  // PathMatchSpecW would let "*.*" match a name without a dot; the rule here does not.
  EXPECT_FALSE(MatchSpec(L"README", L"*.*"));
  EXPECT_TRUE(MatchSpec(L"Report.TXT", L"*.txt"));
  EXPECT_FALSE(MatchSpec(L"report.log", L"*.txt"));
  EXPECT_TRUE(MatchSpec(L"abc", L"a?c"));
  EXPECT_FALSE(MatchSpec(L"abc", L""));
}

TEST(ShellHelpers, SysErrorTextIsTheSystemMessage) {
  for (DWORD code : {2u, 3u, 5u}) {
    char buf[1024] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                             sizeof buf, nullptr);
    std::string expected(buf, n);
    while (!expected.empty() && (expected.back() == '\n' || expected.back() == '\r' || expected.back() == ' '))
      expected.pop_back();
    EXPECT_EQ(SysErrorText(code), expected);
    EXPECT_FALSE(expected.empty());
  }
}

TEST(ShellHelpers, StrRetForms) {
  TSandbox box;
  box.File(L"name.txt");
  TIDList folderList = ParseName(nullptr, box.Path());
  TComPtr<IShellFolder> desktop;
  ASSERT_HRESULT_SUCCEEDED(SHGetDesktopFolder(desktop.Put()));
  TComPtr<IShellFolder> folder;
  ASSERT_HRESULT_SUCCEEDED(desktop->BindToObject(folderList.Get(), nullptr, IID_IShellFolder, folder.PutVoid()));
  TIDList item = ParseName(folder.Get(), L"name.txt");
  ASSERT_TRUE(item);

  STRRET sr{};
  ASSERT_HRESULT_SUCCEEDED(folder->GetDisplayNameOf(item.Get(), SHGDN_INFOLDER | SHGDN_FORPARSING, &sr));
  EXPECT_EQ(StrRetToString(sr, item.Get()), L"name.txt");

  STRRET cstr{};
  cstr.uType = STRRET_CSTR;
  std::strcpy(cstr.cStr, "plain");
  EXPECT_EQ(StrRetToString(cstr, nullptr), L"plain");

  STRRET wstr{};
  wstr.uType = STRRET_WSTR;
  wstr.pOleStr = static_cast<LPWSTR>(CoTaskMemAlloc(6 * sizeof(wchar_t)));
  std::memcpy(wstr.pOleStr, L"wide!", 6 * sizeof(wchar_t));
  EXPECT_EQ(StrRetToString(wstr, nullptr), L"wide!");
}

TEST(ShellHelpers, MissingStrRetEntryPointEndsTheApplication) {
  // The user is told once; the application is asked to end; callers get empty names.
  TStrRetToStrW saved = ShellEntryPoints().StrRetToStrW;
  ShellEntryPoints().StrRetToStrW = nullptr;
  STRRET sr{};
  sr.uType = STRRET_WSTR;
  sr.pOleStr = static_cast<LPWSTR>(CoTaskMemAlloc(4 * sizeof(wchar_t)));
  std::memcpy(sr.pOleStr, L"abc", 4 * sizeof(wchar_t));
  std::wstring first, second;
  bool firstClosed = false, secondClosed = false;
  {
    test::TDialogCloser closer(IDOK);
    first = StrRetToString(sr, nullptr);
    firstClosed = closer.Closed();
  }
  EXPECT_EQ(sr.pOleStr, nullptr);  // freed, not leaked
  {
    test::TDialogCloser closer(IDOK);
    STRRET again{};
    again.uType = STRRET_CSTR;
    std::strcpy(again.cStr, "x");
    second = StrRetToString(again, nullptr);
    secondClosed = closer.Closed();
  }
  ShellEntryPoints().StrRetToStrW = saved;
  // The request to end is the quit message; take it back out for the tests that follow.
  MSG msg;
  bool quitPosted = PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;

  EXPECT_EQ(first, L"");
  EXPECT_TRUE(firstClosed);
  EXPECT_TRUE(quitPosted);
  EXPECT_EQ(second, L"");
  EXPECT_FALSE(secondClosed);  // no second message
}

// Writes a shortcut to target at link.
void WriteShortcut(const std::wstring& link, const std::wstring& target) {
  TComPtr<IShellLinkW> sl;
  ASSERT_HRESULT_SUCCEEDED(
      CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, sl.PutVoid()));
  ASSERT_HRESULT_SUCCEEDED(sl->SetPath(target.c_str()));
  TComPtr<IPersistFile> pf;
  ASSERT_HRESULT_SUCCEEDED(sl.As(IID_IPersistFile, pf));
  ASSERT_HRESULT_SUCCEEDED(pf->Save(link.c_str(), TRUE));
}

TEST(ShellHelpers, ResolveShortcutWrittenByTheTest) {
  TSandbox box;
  std::wstring target = box.File(L"target.txt");
  std::wstring link = box.PathOf(L"target.lnk");
  WriteShortcut(link, target);
  EXPECT_TRUE(WideSameText(ResolveShortcut(link), target));

  // The 8-bit branch gives the same answer.
  PlatformIsUnicode = false;
  std::wstring narrow = ResolveShortcut(link);
  PlatformIsUnicode = true;
  EXPECT_TRUE(WideSameText(narrow, target));

  EXPECT_EQ(ResolveShortcut(target), L"");  // not a link
  EXPECT_EQ(ResolveShortcut(box.PathOf(L"missing.lnk")), L"");
  EXPECT_EQ(ResolveShortcut(box.Path()), L"");  // a folder
  EXPECT_EQ(ResolveShortcut(L""), L"");
}

TEST(ShellHelpers, NetResourceNameOfLocalItemsIsEmpty) {
  TSandbox box;
  box.File(L"f.txt");
  TIDList folderList = ParseName(nullptr, box.Path());
  TComPtr<IShellFolder> desktop;
  ASSERT_HRESULT_SUCCEEDED(SHGetDesktopFolder(desktop.Put()));
  TComPtr<IShellFolder> folder;
  ASSERT_HRESULT_SUCCEEDED(desktop->BindToObject(folderList.Get(), nullptr, IID_IShellFolder, folder.PutVoid()));
  TIDList item = ParseName(folder.Get(), L"f.txt");
  EXPECT_EQ(NetResourceName(folder.Get(), item.Get()), L"");
  EXPECT_EQ(NetResourceName(nullptr, item.Get()), L"");
  EXPECT_EQ(NetResourceName(folder.Get(), nullptr), L"");
}

}  // namespace
}  // namespace korv
