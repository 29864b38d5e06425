// TShellBrowser: binding by path, ID list and special folder, current objects, filters and
// enumeration, failures that keep the previous state, and the stored properties.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "BrowserTestKit.h"
#include "classlib/Forms.h"
#include "classlib/Streaming.h"
#include "shell/browser/ShellBrowser.h"
#include "shell/unicode/TntSysUtils.h"

namespace korv {
namespace {

using test::TSandbox;

// The CSIDL of each special folder, in the order of the enumeration.
constexpr int kTableCSIDL[kShellSpecialFolderCount] = {17, 10, 3,  0,  16, 17, 20, 19, 18, 5,  4,  2,  8,
                                                       9,  11, 7,  21, 6,  22, 24, 25, 26, 27, 31, 32, 33,
                                                       34, 23, 29, 35, 46, 1,  28, 39, 38, 37, 43};

IShellFolder* Desktop() { return DesktopFolder(); }

// The location of a CSIDL as the platform gives it (0: the empty list).
TIDList Location(int csidl) {
  if (csidl == 0) return AllocIDList(2);
  TIDList list;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, list.Put()))) list.Reset();
  return list;
}

// Every object the enumeration yields, by ObjectName, in upper case and sorted.
std::vector<std::wstring> EnumerateAll(TShellBrowser& b) {
  std::vector<std::wstring> names;
  b.ResetEnumeration();
  while (b.FindNext()) names.push_back(WideUpperCaseEx(b.ObjectName()));
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::wstring> Upper(std::vector<std::wstring> v) {
  for (auto& s : v) s = WideUpperCaseEx(s);
  std::sort(v.begin(), v.end());
  return v;
}

TEST(ShellBrowserBinding, CreatedOnTheComputerFolder) {
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  EXPECT_EQ(b.Folder(), L"");
  EXPECT_EQ(b.SpecialFolder(), SF_DRIVES);
  EXPECT_EQ(b.ObjectName(), L"");
  EXPECT_EQ(b.ObjectIDList(), nullptr);
  EXPECT_EQ(b.Filter(), L"*");
  EXPECT_FALSE(b.FileSystemOnly());
  EXPECT_TRUE(b.ShowErrorMessages());
  EXPECT_FALSE(b.ShowContextMenuOnTop());
  EXPECT_EQ(b.MultiObjects()->Count(), 0);
  TIDList drives = Location(CSIDL_DRIVES);
  EXPECT_TRUE(SameIDList(Desktop(), b.FolderIDList(), drives.Get()));
  EXPECT_EQ(b.Version(), "TShellBrowser V5.21");
  b.SetVersion("x");
  EXPECT_EQ(b.Version(), "TShellBrowser V5.21");
}

TEST(ShellBrowserBinding, FolderByPathReadsBackWithBackslash) {
  TSandbox box;
  box.File(L"a.txt");
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  std::wstring noSlash = box.Path().substr(0, box.Path().size() - 1);
  b.SetFolder(noSlash);
  EXPECT_TRUE(WideSameText(b.Folder(), box.Path()));
  EXPECT_EQ(b.Folder().back(), L'\\');
  EXPECT_EQ(b.SpecialFolder(), SF_FILESYSTEMFOLDER);
  EXPECT_TRUE(WideSameText(IDListPath(b.FolderIDList()) + L"\\", box.Path()));

  // The same path again (compared with the read value) binds the same list: the object stays and
  // only a running enumeration starts over.
  b.SetObjectName(L"a.txt");
  ASSERT_TRUE(b.FindNext());
  b.SetFolder(noSlash);
  EXPECT_EQ(b.ObjectName(), L"a.txt");
  b.SetFolder(WideUpperCaseEx(box.Path()));
  EXPECT_EQ(b.ObjectName(), L"a.txt");

  b.SetFolder(L"");
  EXPECT_EQ(b.Folder(), L"");
  EXPECT_EQ(b.SpecialFolder(), SF_DRIVES);
  EXPECT_EQ(b.ObjectIDList(), nullptr);
}

TEST(ShellBrowserBinding, FailedPathKeepsTheOldFolder) {
  TSandbox box;
  box.File(L"a.txt");
  std::wstring file = box.File(L"b.txt");
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  b.SetFolder(box.Path());
  b.SetObjectName(L"a.txt");
  TIDList before = CopyIDList(b.FolderIDList());

  std::wstring missing = box.PathOf(L"no such folder");
  try {
    b.SetFolder(missing);
    ADD_FAILURE() << "no error for a missing folder";
  } catch (const EShellBrowserError& e) {
    EXPECT_EQ(e.Message(), SysErrorText(ERROR_PATH_NOT_FOUND) + "\r\n" + WideToAnsi(missing));
  }
  EXPECT_TRUE(WideSameText(b.Folder(), box.Path()));
  EXPECT_EQ(b.ObjectName(), L"a.txt");

  // A file parses but is no folder: the bind fails and nothing of the old folder is lost.
  try {
    b.SetFolder(file);
    ADD_FAILURE() << "no error for a file as folder";
  } catch (const EShellBrowserError& e) {
    const std::string prefix =
        "ShellBrowser.SetFolderIDList: Desktop.BindToObject: Could not get IShellFolder interface. (";
    EXPECT_EQ(e.Message().substr(0, prefix.size()), prefix) << e.Message();
    EXPECT_EQ(e.Message().back(), ')');
  }
  EXPECT_TRUE(WideSameText(b.Folder(), box.Path()));
  EXPECT_TRUE(SameIDList(Desktop(), b.FolderIDList(), before.Get()));
  EXPECT_EQ(b.ObjectName(), L"a.txt");
  ASSERT_NE(b.ShellFolder(), nullptr);
  EXPECT_EQ(EnumerateAll(b), Upper({L"a.txt", L"b.txt"}));

  // A wildcard is not resolved to its first match.
  EXPECT_THROW(b.SetFolder(box.PathOf(L"*")), EShellBrowserError);
  EXPECT_TRUE(WideSameText(b.Folder(), box.Path()));
}

TEST(ShellBrowserBinding, FolderByIDList) {
  TSandbox box;
  box.Dir(L"sub");
  std::wstring file = box.File(L"sub\\x.txt");
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  TIDList sub = ParseName(nullptr, box.PathOf(L"sub"));
  ASSERT_TRUE(sub);
  b.SetFolderIDList(sub.Get());
  EXPECT_TRUE(WideSameText(b.Folder(), box.PathOf(L"sub\\")));
  EXPECT_NE(b.FolderIDList(), sub.Get());  // a copy

  TIDList fileList = ParseName(nullptr, file);
  EXPECT_THROW(b.SetFolderIDList(fileList.Get()), EShellBrowserError);
  EXPECT_TRUE(WideSameText(b.Folder(), box.PathOf(L"sub\\")));
  EXPECT_THROW(b.SetFolderIDList(nullptr), EShellBrowserError);

  TIDList empty = AllocIDList(2);
  b.SetFolderIDList(empty.Get());
  EXPECT_EQ(b.SpecialFolder(), SF_DESKTOP);
  EXPECT_EQ(b.ShellFolder(), Desktop());
}

TEST(ShellBrowserBinding, AllSpecialFolders) {
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  for (int v = 0; v < kShellSpecialFolderCount; ++v) {
    auto sf = static_cast<TShellSpecialFolder>(v);
    SCOPED_TRACE(SpecialFolderName(sf));
    EXPECT_EQ(SpecialFolderCSIDL(sf), kTableCSIDL[v]);
    TIDList loc = Location(kTableCSIDL[v]);
    b.SetFolder(L"");
    TComPtr<IShellFolder> bound;
    if (loc && !IsEmptyIDList(loc.Get()) &&
        FAILED(Desktop()->BindToObject(loc.Get(), nullptr, IID_IShellFolder, bound.PutVoid()))) {
      // A location the platform gives but cannot open: the error, and the old folder stays.
      EXPECT_THROW(b.SetSpecialFolder(sf), EShellBrowserError);
      EXPECT_EQ(b.SpecialFolder(), SF_DRIVES);
      continue;
    }
    b.SetSpecialFolder(sf);
    if (!loc) {
      // No such folder on this platform: nothing is bound.
      EXPECT_EQ(b.SpecialFolder(), SF_DRIVES);
      continue;
    }
    EXPECT_TRUE(SameIDList(Desktop(), b.FolderIDList(), loc.Get()));
    // The reverse lookup gives the first value whose location is the bound folder.
    int expected = 0;
    for (int u = 1; u < kShellSpecialFolderCount && !expected; ++u) {
      TIDList other = Location(kTableCSIDL[u]);
      if (other && SameIDList(Desktop(), other.Get(), loc.Get())) expected = u;
    }
    EXPECT_EQ(static_cast<int>(b.SpecialFolder()), expected);
    // A virtual folder has an empty path, never a lone "\" or a "::" name.
    std::wstring path = b.Folder();
    EXPECT_TRUE(path.empty() || (path.size() > 1 && path.back() == L'\\' && path.substr(0, 2) != L"::"))
        << WideToAnsi(path);
  }
  EXPECT_THROW(b.SetSpecialFolder(static_cast<TShellSpecialFolder>(37)), ERangeError);
}

TEST(ShellBrowserBinding, VirtualFolderHasNoPath) {
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  b.SetSpecialFolder(SF_PRINTERS);
  TIDList loc = Location(CSIDL_PRINTERS);
  ASSERT_TRUE(loc);
  EXPECT_EQ(b.Folder(), L"");
}

TEST(ShellBrowserBinding, FileSystemFolderIgnoredWhileLoading) {
  TSandbox box;
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  b.SetFolder(box.Path());
  b.SetComponentState(csLoading);
  b.SetSpecialFolder(SF_FILESYSTEMFOLDER);
  EXPECT_TRUE(WideSameText(b.Folder(), box.Path()));
  b.SetComponentState(0, csLoading);
  b.SetSpecialFolder(SF_FILESYSTEMFOLDER);  // not loading: the computer folder
  EXPECT_EQ(b.SpecialFolder(), SF_DRIVES);
}

TEST(ShellBrowserObjects, NamesPathsAndRoots) {
  TSandbox box;
  box.File(L"Alpha.txt");
  std::wstring deep = box.File(L"sub\\Deep.txt");
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  b.SetFolder(box.Path());

  b.SetObjectName(L"ALPHA.TXT");
  EXPECT_EQ(b.ObjectName(), L"Alpha.txt");  // the name on disk
  EXPECT_EQ(IDListCount(b.ObjectIDList()), 1);
  EXPECT_TRUE(WideSameText(IDListPath(b.AbsoluteObjectIDList()), box.PathOf(L"Alpha.txt")));

  // A full path moves the folder.
  b.SetObjectName(deep);
  EXPECT_TRUE(WideSameText(b.Folder(), box.PathOf(L"sub\\")));
  EXPECT_EQ(b.ObjectName(), L"Deep.txt");
  EXPECT_TRUE(WideSameText(IDListPath(b.AbsoluteObjectIDList()), deep));

  // A folder given with a trailing backslash selects the folder in its parent.
  b.SetObjectName(box.PathOf(L"sub\\"));
  EXPECT_TRUE(WideSameText(b.Folder(), box.Path()));
  EXPECT_EQ(b.ObjectName(), L"sub");
  EXPECT_TRUE(b.IsFolder());

  // A drive root: the computer folder with the drive as current object.
  std::wstring root = WideExtractFileDrive(box.Path()) + L"\\";
  b.SetObjectName(root);
  EXPECT_EQ(b.SpecialFolder(), SF_DRIVES);
  EXPECT_TRUE(WideSameText(b.ObjectName(), root));
  EXPECT_TRUE(b.IsFolder());

  b.SetObjectName(L"");
  EXPECT_EQ(b.ObjectIDList(), nullptr);
  EXPECT_EQ(b.ObjectName(), L"");
  EXPECT_EQ(b.AbsoluteObjectIDList(), nullptr);
  EXPECT_FALSE(b.IsFolder());
}

TEST(ShellBrowserObjects, MissingObjectKeepsThePreviousOne) {
  TSandbox box;
  box.File(L"keep.txt");
  box.File(L"other.txt");
  TSandbox elsewhere;
  elsewhere.File(L"x.txt");
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  b.SetFolder(box.Path());
  b.SetObjectName(L"keep.txt");

  try {
    b.SetObjectName(L"gone.txt");
    ADD_FAILURE() << "no error for a missing object";
  } catch (const EShellBrowserError& e) {
    EXPECT_EQ(e.Message(), "Error! Cannot find Object \"gone.txt\" in Folder \"" + WideToAnsi(b.Folder()) + "\"");
  }
  // Not the last enumerated item: the object selected before.
  EXPECT_EQ(b.ObjectName(), L"keep.txt");
  EXPECT_TRUE(b.FindNext());  // the enumeration was dropped: it starts again

  // A missing file of another folder changes neither folder nor object.
  EXPECT_THROW(b.SetObjectName(elsewhere.PathOf(L"gone.txt")), EShellBrowserError);
  EXPECT_TRUE(WideSameText(b.Folder(), box.Path()));
  b.SetObjectName(L"keep.txt");
  EXPECT_THROW(b.SetObjectName(elsewhere.PathOf(L"gone.txt")), EShellBrowserError);
  EXPECT_EQ(b.ObjectName(), L"keep.txt");
  // A wildcard selects nothing.
  EXPECT_THROW(b.SetObjectName(L"*.txt"), EShellBrowserError);
  EXPECT_EQ(b.ObjectName(), L"keep.txt");
}

TEST(ShellBrowserEnumeration, FilterPatterns) {
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  b.SetFilter(L"*.txt;*.log");
  EXPECT_EQ(b.Filter(), L"*.txt;*.log");
  b.SetFilter(L"*.txt;");
  EXPECT_EQ(b.Filter(), L"*.txt");
  b.SetFilter(L"a;;b");
  EXPECT_EQ(b.Filter(), L"a;;b");
  b.SetFilter(L"");
  EXPECT_EQ(b.Filter(), L"*");
  b.SetFilter(L"*");
  EXPECT_EQ(b.Filter(), L"*");
}

TEST(ShellBrowserEnumeration, FilteredEnumerationOfASandbox) {
  TSandbox box;
  box.File(L"a.txt");
  box.File(L"b.log");
  box.File(L"c.dat");
  box.File(L"README");
  box.Dir(L"sub.dir");
  box.Dir(L"plain");
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  b.SetFolder(box.Path());

  EXPECT_EQ(EnumerateAll(b), Upper({L"a.txt", L"b.log", L"c.dat", L"README", L"sub.dir", L"plain"}));
  b.SetFilter(L"*.txt;*.log");  // folders always pass
  EXPECT_EQ(EnumerateAll(b), Upper({L"a.txt", L"b.log", L"sub.dir", L"plain"}));
  b.SetFilter(L"*.*");  // any name with a dot
  EXPECT_EQ(EnumerateAll(b), Upper({L"a.txt", L"b.log", L"c.dat", L"sub.dir", L"plain"}));
  b.SetFileSystemOnly(true);
  EXPECT_EQ(EnumerateAll(b), Upper({L"a.txt", L"b.log", L"c.dat", L"sub.dir", L"plain"}));
  b.SetFilter(L"nothing");
  EXPECT_EQ(EnumerateAll(b), Upper({L"sub.dir", L"plain"}));

  // The end of an enumeration drops it: the next call starts over.
  b.SetFilter(L"*");
  std::set<std::wstring> seen;
  while (b.FindNext()) seen.insert(b.ObjectName());
  EXPECT_EQ(seen.size(), 6u);
  EXPECT_TRUE(b.FindNext());
}

TEST(ShellBrowserEnumeration, DisplayNameAndFolders) {
  TSandbox box;
  box.File(L"doc.txt");
  box.Dir(L"folder");
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  b.SetFolder(box.Path());
  b.SetObjectName(L"folder");
  EXPECT_TRUE(b.IsFolder());
  b.SetFileSystemOnly(true);
  EXPECT_TRUE(b.IsFolder());
  b.SetObjectName(L"doc.txt");
  EXPECT_FALSE(b.IsFolder());
  EXPECT_FALSE(b.DisplayName().empty());
  // The display name selects the object too.
  std::wstring display = b.DisplayName();
  b.SetObjectName(L"folder");
  b.SetObjectName(display);
  EXPECT_EQ(b.ObjectName(), L"doc.txt");
}

TEST(ShellBrowserOwner, OwnerWindowRules) {
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  EXPECT_EQ(b.OwnerWindow(), Application->Handle());
  b.SetShowErrorMessages(false);
  EXPECT_EQ(b.OwnerWindow(), nullptr);

  // Made in code on a form, it is whole at once: its dialogs are the form's.
  auto form = std::unique_ptr<TForm>(NewComponent<TForm>(nullptr));
  form->SetName("Form1");
  auto* made = NewComponent<TShellBrowser>(form.get());
  made->SetName("ShellBrowser1");
  EXPECT_EQ(made->OwnerWindow(), form->Handle());

  // Read with the form, the same once the form is read; while it is read, the application's.
  const std::vector<uint8_t> bytes = ComponentToBytes(form.get());
  auto copy = std::unique_ptr<TForm>(NewComponent<TForm>(nullptr));
  ReadComponentFromMemory(bytes.data(), bytes.size(), copy.get());
  auto* read = dynamic_cast<TShellBrowser*>(copy->FindComponent("ShellBrowser1"));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->OwnerWindow(), copy->Handle());
  copy->SetComponentState(csLoading);
  auto* reading = NewComponent<TShellBrowser>(copy.get());
  EXPECT_EQ(reading->OwnerWindow(), Application->Handle());
  reading->Loaded();
  copy->SetComponentState(0, csLoading);
  EXPECT_EQ(reading->OwnerWindow(), copy->Handle());
}

TEST(ShellBrowserStreaming, StoredPropertiesRoundTrip) {
  TSandbox box;
  const std::unique_ptr<TShellBrowser> sourcePtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& source = *sourcePtr;
  source.SetFilter(L"*.txt");
  source.SetShowContextMenuOnTop(true);
  source.SetShowErrorMessages(false);
  source.SetFolder(box.Path());
  TMemoryStream stream;
  WriteComponent(stream, &source);
  stream.SetPosition(0);

  const std::unique_ptr<TShellBrowser> targetPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& target = *targetPtr;
  ReadComponent(stream, &target);
  EXPECT_EQ(target.Filter(), L"*.txt");
  EXPECT_TRUE(target.ShowContextMenuOnTop());
  EXPECT_FALSE(target.ShowErrorMessages());
  // The folder is read; the stored SF_FILESYSTEMFOLDER is ignored while loading.
  EXPECT_TRUE(WideSameText(target.Folder(), box.Path()));

  // Created by its class name, as a form's reader does.
  stream.SetPosition(0);
  std::unique_ptr<TComponent> created(ReadComponent(stream));
  auto* made = dynamic_cast<TShellBrowser*>(created.get());
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->Filter(), L"*.txt");
}

TEST(ShellBrowserStreaming, OnlyChangedPropertiesAreStored) {
  // The main window's instance stores its filter only.
  const std::unique_ptr<TShellBrowser> bPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& b = *bPtr;
  b.SetFilter(L"*");
  TMemoryStream withStar;
  WriteComponent(withStar, &b);
  const std::unique_ptr<TShellBrowser> plainPtr(NewComponent<TShellBrowser>(nullptr));
  TShellBrowser& plain = *plainPtr;
  TMemoryStream defaults;
  WriteComponent(defaults, &plain);
  // "*" reads back as the default "*" too, so neither stores anything but the record.
  EXPECT_EQ(withStar.Size(), defaults.Size());
  plain.SetFilter(L"*.log");
  TMemoryStream withFilter;
  WriteComponent(withFilter, &plain);
  EXPECT_GT(withFilter.Size(), defaults.Size());
}

}  // namespace
}  // namespace korv
