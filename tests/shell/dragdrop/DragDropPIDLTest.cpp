// ID lists of real temporary files, resolved back to paths (never compared byte for byte: ID
// lists embed file times), and the "Shell IDList Array" format and data format.
// The shell headers need windows.h first.
// clang-format off
#include <windows.h>
#include <shlobj.h>
// clang-format on

#include <gtest/gtest.h>

#include "DragDropTestUtil.h"
#include "shell/dragdrop/DragDropPIDL.h"
#include "support/Sandbox.h"

namespace korv {
namespace {

using test::MediumBytes;
using test::TPeerDataObject;
using test::TSandbox;

int ItemCount(const std::string& idList) {
  int n = 0;
  for (size_t pos = 0; pos + 2 <= idList.size();) {
    uint16_t cb = ReadU16(idList.data() + pos);
    if (cb == 0) break;
    ++n;
    pos += cb;
  }
  return n;
}

std::string NoSlash(const std::string& folder) { return ExcludeTrailingPathDelimiter(folder); }

// The platform's own way back from a CIDA block: ILCombine(parent, child) and
// SHGetPathFromIDListA for each child.
std::vector<std::string> PlatformPaths(const std::string& block) {
  std::vector<std::string> paths;
  auto* p = reinterpret_cast<const unsigned char*>(block.data());
  uint32_t cidl = ReadU32(p);
  auto parent = reinterpret_cast<LPCITEMIDLIST>(p + ReadU32(p + 4));
  for (uint32_t i = 1; i <= cidl; ++i) {
    auto child = reinterpret_cast<LPCITEMIDLIST>(p + ReadU32(p + 4 + 4 * i));
    LPITEMIDLIST full = ILCombine(parent, child);
    char path[MAX_PATH] = {};
    SHGetPathFromIDListA(full, path);
    ILFree(full);
    paths.push_back(path);
  }
  return paths;
}

void ExpectSamePaths(const std::vector<std::string>& got, const std::vector<std::string>& expected) {
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_TRUE(SameText(got[i], expected[i])) << got[i] << " vs " << expected[i];
}

TEST(PIDLs, TwoFilesOfOneFolderGiveTheFolderAndOneItemEach) {
  TSandbox tmp;
  std::vector<std::string> files{tmp.File("a.txt"), tmp.File("b b.dat")};
  std::vector<std::string> pidls;
  ASSERT_TRUE(FilenamesToPIDLs(files, pidls));
  ASSERT_EQ(pidls.size(), 3u);
  EXPECT_TRUE(SameText(PIDLToPath(pidls[0]), NoSlash(tmp.AnsiPath())));
  EXPECT_EQ(ItemCount(pidls[1]), 1);
  EXPECT_EQ(ItemCount(pidls[2]), 1);
  EXPECT_TRUE(SameText(PIDLToPath(JoinPIDLs(pidls[0], pidls[2])), files[1]));
  // Each absolute ID list is the parent's items followed by the child's.
  TItemIDListPtr abs = PathToPIDL(files[0]);
  ASSERT_TRUE(abs);
  EXPECT_EQ(IDListSize(abs.Get()), pidls[0].size() - 2 + pidls[1].size());
  EXPECT_TRUE(SameText(PIDLToPath(PIDLToString(abs.Get())), files[0]));
}

TEST(PIDLs, FilesOfTwoFoldersHaveTheirCommonFolderAsParent) {
  TSandbox tmp;
  std::vector<std::string> files{tmp.File("a\\x.txt"), tmp.File("b\\y.txt"), tmp.File("a\\deeper\\z")};
  // The folders are parsed one by one and their items embed file times, which the platform may
  // update in between (reading a folder can refresh its access time): the common parent is then
  // a shallower folder, still a valid parent. So: the temporary folder or one of its ancestors.
  auto isTmpOrAncestor = [&](const std::string& path) {
    std::string t = NoSlash(tmp.AnsiPath());
    return SameText(path, t) ||
           (!path.empty() && t.size() > path.size() && SameText(t.substr(0, path.size()), path) &&
            (path.back() == '\\' || t[path.size()] == '\\'));
  };
  std::string parent = GetCommonParentPIDL(files);
  EXPECT_TRUE(isTmpOrAncestor(PIDLToPath(parent))) << PIDLToPath(parent);
  std::vector<std::string> pidls;
  ASSERT_TRUE(FilenamesToPIDLs(files, pidls));
  ASSERT_EQ(pidls.size(), 4u);
  EXPECT_TRUE(isTmpOrAncestor(PIDLToPath(pidls[0]))) << PIDLToPath(pidls[0]);
  // Each child holds exactly the items below the parent.
  const int parentItems = ItemCount(pidls[0]);
  for (size_t i = 0; i < files.size(); ++i) {
    TItemIDListPtr abs = PathToPIDL(files[i]);
    ASSERT_TRUE(abs);
    EXPECT_EQ(ItemCount(pidls[i + 1]), ItemCount(PIDLToString(abs.Get())) - parentItems) << files[i];
  }
  EXPECT_EQ(ItemCount(pidls[3]) - ItemCount(pidls[1]), 1);  // z lies one folder deeper than x

  std::string block(CIDASize(pidls), '\0');
  ASSERT_TRUE(WriteCIDA(pidls, block.data(), block.size()));
  ExpectSamePaths(PlatformPaths(block), files);
}

TEST(PIDLs, NestedFoldersGiveTheDeepestParentAndFilesOfOneFolderSingleItems) {
  TSandbox tmp;
  const std::string top = tmp.Dir("top");
  // Folders spelled in another case are the same folders: the parent is found by the shell's
  // identity of the folders, whatever their spelling and the times their items carry.
  std::vector<std::string> files{tmp.File("top\\a\\x.txt"), tmp.File("top\\a\\b\\y.txt"), tmp.File("top\\c\\z.txt"),
                                 tmp.PathOf("TOP\\A\\B\\y.txt")};
  std::vector<std::string> pidls;
  ASSERT_TRUE(FilenamesToPIDLs(files, pidls));
  ASSERT_EQ(pidls.size(), 5u);
  EXPECT_TRUE(SameText(PIDLToPath(pidls[0]), top)) << PIDLToPath(pidls[0]);
  EXPECT_TRUE(SameText(PIDLToPath(GetCommonParentPIDL(files)), top));
  const std::vector<int> depth{2, 3, 2, 3};  // items below the parent
  for (size_t i = 0; i < depth.size(); ++i) EXPECT_EQ(ItemCount(pidls[i + 1]), depth[i]) << files[i];
  std::string block(CIDASize(pidls), '\0');
  ASSERT_TRUE(WriteCIDA(pidls, block.data(), block.size()));
  ExpectSamePaths(PlatformPaths(block), {files[0], files[1], files[2], files[1]});

  // Files of one folder: that folder, and one item per file.
  std::vector<std::string> one{tmp.File("top\\a\\b\\1.txt"), files[1], tmp.PathOf("Top\\a\\B\\1.TXT")};
  ASSERT_TRUE(FilenamesToPIDLs(one, pidls));
  EXPECT_TRUE(SameText(PIDLToPath(pidls[0]), top + "\\a\\b"));
  for (size_t i = 1; i < pidls.size(); ++i) EXPECT_EQ(ItemCount(pidls[i]), 1);
}

TEST(PIDLs, ManyFilesOfOneFolderGetTheItemsTheFolderGivesEachFile) {
  // Files of a folder parsed together (the folder listed once) and one by one get the same items.
  TSandbox tmp;
  std::vector<std::string> files;
  for (int i = 0; i < 120; ++i) {
    std::string name = tmp.File("many\\file " + std::to_string(i) + (i % 3 ? ".txt" : ""), std::string(i, 'x'));
    if (i % 10 == 0) files.push_back(name);
  }
  tmp.Dir("many\\sub");
  files.push_back(tmp.PathOf("many\\sub"));
  files.push_back(tmp.PathOf("many\\FILE 5.TXT"));  // another spelling: looked up on its own
  SetFileAttributesA(files[1].c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  std::vector<std::string> pidls;
  ASSERT_TRUE(FilenamesToPIDLs(files, pidls));
  ASSERT_EQ(pidls.size(), files.size() + 1);
  for (size_t i = 0; i < files.size(); ++i) {
    TItemIDListPtr alone = PathToPIDL(files[i]);
    ASSERT_TRUE(alone);
    const std::string full = PIDLToString(alone.Get());
    EXPECT_EQ(full.substr(full.size() - pidls[i + 1].size()), pidls[i + 1]) << files[i];
  }
  SetFileAttributesA(files[1].c_str(), FILE_ATTRIBUTE_NORMAL);
  // A file that is not there fails the list, listed or not.
  files.push_back(tmp.PathOf("many\\file 999"));
  EXPECT_FALSE(FilenamesToPIDLs(files, pidls));
  EXPECT_TRUE(pidls.empty());
}

TEST(PIDLs, WildcardsNeverStandForTheFileTheyMatch) {
  TSandbox tmp;
  std::string real = tmp.File("sub\\real.txt");
  std::vector<std::string> pidls;
  EXPECT_FALSE(FilenamesToPIDLs(std::vector<std::string>{real, tmp.PathOf("sub\\*.txt")}, pidls));
  EXPECT_FALSE(FilenamesToPIDLs(std::vector<std::string>{tmp.PathOf("sub\\rea?.txt")}, pidls));
  EXPECT_FALSE(PathToPIDL(tmp.PathOf("sub\\*.txt")));
  EXPECT_THROW((void)GetCommonParentPIDL(std::vector<std::string>{tmp.PathOf("s*\\real.txt")}), Exception);
}

TEST(PIDLs, FilesOnTwoDrivesShareOnlyAVirtualParent) {
  TSandbox tmp;
  std::string onC = tmp.File("c.txt");
  // Z: is the root of the host file system; its temporary folder is another drive's folder.
  if (GetFileAttributesA("Z:\\tmp") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no Z:\\tmp";
  std::string onZ = "Z:\\tmp\\korv_dd_" + std::to_string(GetCurrentProcessId()) + ".txt";
  HANDLE h = CreateFileA(onZ.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  std::vector<std::string> files{onC, onZ};
  std::vector<std::string> pidls;
  bool ok = FilenamesToPIDLs(files, pidls);
  DeleteFileA(onZ.c_str());
  ASSERT_TRUE(ok);
  // The parent is above the drives: it has no file-system path, the children do.
  EXPECT_EQ(PIDLToPath(pidls[0]), "");
  std::string block(CIDASize(pidls), '\0');
  ASSERT_TRUE(WriteCIDA(pidls, block.data(), block.size()));
  ExpectSamePaths(PlatformPaths(block), files);
}

TEST(PIDLs, MissingFilesAndFoldersFailCleanly) {
  TSandbox tmp;
  std::string real = tmp.File("real.txt");
  std::vector<std::string> pidls{"stale"};
  // A missing file in an existing folder: no ID list, the conversion fails.
  EXPECT_FALSE(FilenamesToPIDLs(std::vector<std::string>{real, tmp.PathOf("missing.txt")}, pidls));
  EXPECT_TRUE(pidls.empty());
  EXPECT_FALSE(FilenamesToPIDLs(std::vector<std::string>{}, pidls));
  // A missing folder cannot be parsed: the exception names it.
  std::string folder = tmp.PathOf("no such folder\\");
  try {
    (void)GetCommonParentPIDL(std::vector<std::string>{real, folder + "x.txt"});
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Invalid filename: " + folder);
  }
  EXPECT_EQ(GetCommonParentPIDL(std::vector<std::string>{}), "");
  // Where the ID lists are rendered for a peer, that exception becomes a failed conversion.
  TFileClipboardFormat files;
  files.Files().Add(folder + "x.txt");
  TPIDLDataFormat data(nullptr);
  EXPECT_FALSE(data.Assign(&files));
  EXPECT_FALSE(data.HasData());
  TPIDLClipboardFormat format;
  TStringList names;
  names.Add(real);
  format.Filenames().Assign(&names);
  EXPECT_EQ(format.PIDLs().Count(), 2);
  names.Add(folder + "x.txt");
  format.Filenames().Assign(&names);
  EXPECT_EQ(format.PIDLs().Count(), 0);
}

TEST(PIDLs, TheFilenameViewIsReadOnly) {
  TSandbox tmp;
  std::string a = tmp.File("a.txt"), b = tmp.File("b.txt");
  TPIDLDataFormat data(nullptr);
  TStringList names;
  names.Add(a);
  names.Add(b);
  data.Filenames().Assign(&names);
  ASSERT_EQ(data.PIDLs().Count(), 3);
  TStrings& view = data.Filenames();
  ASSERT_EQ(view.Count(), 2);
  view.Add("C:\\added.txt");
  view.Delete(0);
  view.Clear();
  view.Put(0, "C:\\put.txt");
  EXPECT_EQ(view.Count(), 2);
  EXPECT_TRUE(SameText(view[0], a));
  EXPECT_TRUE(SameText(view[1], b));
  try {
    (void)view[2];
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Filename index out of range");
  }
  EXPECT_THROW((void)view[-1], Exception);
  data.PIDLs().Delete(2);
  data.PIDLs().Delete(1);
  EXPECT_EQ(view.Count(), 0);  // a parent alone lists no file
}

TEST(PIDLs, TheFilenameViewReadsADroppedArrayAsTheBulkConversion) {
  TSandbox tmp;
  const std::vector<std::string> first{tmp.File("top\\a\\x.txt"), tmp.File("top\\b\\y.txt"),
                                       tmp.File("top\\a\\deeper\\z.txt"), tmp.File("top\\a\\w.txt")};
  const std::vector<std::string> second{tmp.File("other\\1.txt"), tmp.File("other\\2.txt"),
                                        tmp.File("other\\sub\\3.txt"), tmp.File("other\\4.txt")};
  TPIDLClipboardFormat format;
  TStrings& view = format.Filenames();
  // Read through the view while the array is read again: the second drop's files, not the first's.
  for (const auto* files : {&first, &second}) {
    std::vector<std::string> pidls;
    ASSERT_TRUE(FilenamesToPIDLs(*files, pidls));
    std::string block(CIDASize(pidls), '\0');
    ASSERT_TRUE(WriteCIDA(pidls, block.data(), block.size()));
    ASSERT_TRUE(format.ReadData(block.data(), block.size()));
    // A child that is no ID list reads as an empty name in both.
    format.PIDLs().Add(std::string("\x05\0ab", 4));
    const std::vector<std::string> bulk = PIDLsToFilenames(StringViews(format.PIDLs()));
    ASSERT_EQ(view.Count(), static_cast<int>(files->size()) + 1);
    ASSERT_EQ(bulk.size(), files->size() + 1);
    for (int i = 0; i < view.Count(); ++i) EXPECT_EQ(view[i], bulk[static_cast<size_t>(i)]) << i;
    ExpectSamePaths(std::vector<std::string>(bulk.begin(), bulk.end() - 1), *files);
    EXPECT_EQ(bulk.back(), "");
  }
}

TEST(PIDLs, TheArrayRoundTripsThroughBothMediaAndTheDataFormat) {
  TSandbox tmp;
  std::vector<std::string> files{tmp.File("one.txt"), tmp.File("sub\\two.txt")};
  TFileClipboardFormat hdrop;
  for (const auto& f : files) hdrop.Files().Add(f);

  const std::unique_ptr<test::TTestDropSource> sourcePtr(NewComponent<test::TTestDropSource>(nullptr));
  test::TTestDropSource& source = *sourcePtr;
  TPIDLDataFormat data(&source);
  ASSERT_EQ(data.CompatibleFormats().Count(), 2);
  ASSERT_TRUE(data.Assign(&hdrop));  // from CF_HDROP: the ID lists are built
  ASSERT_EQ(data.PIDLs().Count(), 3);

  auto* array = static_cast<TPIDLClipboardFormat*>(data.CompatibleFormats().Formats(0));
  ASSERT_TRUE(data.AssignTo(array));
  for (DWORD tymed : {DWORD(TYMED_HGLOBAL), DWORD(TYMED_ISTREAM)}) {
    SCOPED_TRACE(tymed);
    FORMATETC fe = array->FormatEtc();
    fe.tymed = tymed;
    STGMEDIUM m{};
    ASSERT_TRUE(array->SetData(fe, m));
    std::string block = MediumBytes(m);
    ExpectSamePaths(PlatformPaths(block), files);
    TPIDLClipboardFormat back;
    ASSERT_TRUE(back.GetDataFromMedium(nullptr, m));  // releases the medium
    ExpectSamePaths(StringsToVector(back.Filenames()), files);
  }
  // Out to CF_HDROP: one path per file.
  TFileClipboardFormat out;
  ASSERT_TRUE(data.AssignTo(&out));
  ExpectSamePaths(StringsToVector(out.Files()), files);

  // From a peer offering only the array.
  TPeerDataObject peer;
  FORMATETC fe = array->FormatEtc();
  fe.tymed = TYMED_HGLOBAL;
  TStgMedium m;
  ASSERT_TRUE(array->SetData(fe, m.M));
  peer.Add(fe.cfFormat, MediumBytes(m.M));
  TPIDLDataFormat target(nullptr);
  ASSERT_TRUE(target.GetData(&peer));
  ExpectSamePaths(StringsToVector(target.Filenames()), files);
  EXPECT_EQ(peer.RefCount(), 1);
}

TEST(PIDLs, ABlockWithoutFilesOrWithBadItemsGivesNoList) {
  TStringList pidls;
  // cidl 0: a parent alone.
  std::string block = std::string("\0\0\0\0\x08\0\0\0\0\0", 10);
  EXPECT_FALSE(CIDAToPIDLs(block.data(), block.size(), pidls));
  EXPECT_EQ(pidls.Count(), 0);
  TPIDLClipboardFormat f;
  EXPECT_FALSE(f.ReadData(block.data(), block.size()));
  EXPECT_FALSE(f.HasData());
  EXPECT_EQ(JoinPIDLs(std::string("\0\0", 2), std::string("\x04\0ab\0\0", 6)), std::string("\x04\0ab\0\0", 6));
  // Bytes that are no ID list resolve to no path.
  EXPECT_EQ(PIDLToPath(std::string("\x09\0ab", 4)), "");
}

}  // namespace
}  // namespace korv
