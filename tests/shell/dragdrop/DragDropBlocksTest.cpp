// Byte layouts of CF_HDROP, name lists, file group descriptors and "Shell IDList Array", and the
// readers fed with bad blocks in bulk. Every block a reader sees ends right before an inaccessible
// page, so a read past its end crashes the test.
// The shell headers need windows.h first.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <gtest/gtest.h>

#include <cstring>

#include "DragDropTestUtil.h"
#include "shell/dragdrop/DragDropFormatsBlocks.h"
#include "support/BadInput.h"

namespace korv {
namespace {

using test::TGuardedBuffer;
using test::TRandom;
using test::U32;

std::string U16(uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); }
std::string Wide(const std::wstring& s) { return std::string(reinterpret_cast<const char*>(s.data()), s.size() * 2); }

std::string DropFiles(const std::vector<std::string>& names) {
  std::string block(DropFilesSize(names), '\x55');
  EXPECT_TRUE(WriteDropFiles(names, block.data(), block.size()));
  return block;
}

bool IsPrefixOf(const std::vector<std::string>& got, const std::vector<std::string>& all) {
  if (got.size() > all.size()) return false;
  for (size_t i = 0; i < got.size(); ++i)
    if (got[i] != all[i]) return false;
  return true;
}

// ---------------------------------------------------------------------------------------------
// CF_HDROP

TEST(DropFilesBlock, TwoNamesMakeTheDocumentedThirtyFiveBytes) {
  std::vector<std::string> names{"C:\\a.txt", "C:\\b"};
  std::string block = DropFiles(names);
  ASSERT_EQ(block.size(), 35u);
  EXPECT_EQ(block.substr(0, 20), U32(20) + U32(0) + U32(0) + U32(0) + U32(0));
  EXPECT_EQ(block.substr(20), std::string("C:\\a.txt\0C:\\b\0\0", 15));

  // The platform reads our block the same way.
  HGLOBAL h = test::GlobalFromBytes(block);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(DragQueryFileA(static_cast<HDROP>(h), 0xFFFFFFFF, nullptr, 0), 2u);
  char name[MAX_PATH] = {};
  DragQueryFileA(static_cast<HDROP>(h), 1, name, MAX_PATH);
  EXPECT_STREQ(name, "C:\\b");
  GlobalFree(h);

  std::vector<std::string> back;
  TGuardedBuffer g(block);
  ASSERT_TRUE(ReadDropFiles(g.Data(), g.Size(), back));
  EXPECT_EQ(back, names);
  // No room for the block: nothing is written.
  std::string small(34, '\0');
  EXPECT_FALSE(WriteDropFiles(names, small.data(), small.size()));
  EXPECT_EQ(DropFilesSize(std::vector<std::string>{}), 21u);
}

TEST(DropFilesBlock, ReadsWideNamesWhoseFirstCharacterHasAZeroLowByte) {
  // U+0100 is stored as 00 01: only a 16-bit zero ends a wide name.
  std::wstring first = std::wstring(1, wchar_t(0x0100)) + L"x.txt";
  std::string block =
      U32(20) + U32(0) + U32(0) + U32(0) + U32(1) + Wide(first) + U16(0) + Wide(L"C:\\y") + U16(0) + U16(0);
  TGuardedBuffer g(block);
  std::vector<std::string> names;
  ASSERT_TRUE(ReadDropFiles(g.Data(), g.Size(), names));
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], WideToAnsi(first));
  EXPECT_EQ(names[1], "C:\\y");
  // A header pointing at an odd offset still reads within the block.
  std::string odd = U32(21) + U32(0) + U32(0) + U32(0) + U32(1) + std::string(1, '\0') + Wide(L"ab") + U16(0) + U16(0);
  TGuardedBuffer go(odd);
  ASSERT_TRUE(ReadDropFiles(go.Data(), go.Size(), names));
  EXPECT_EQ(names, (std::vector<std::string>{"ab"}));
}

TEST(DropFilesBlock, RejectsShortBlocksLyingOffsetsAndEmptyLists) {
  std::vector<std::string> names{"one"};
  std::string good = DropFiles(names);
  std::vector<std::string> out{"stale"};
  for (uint32_t pFiles : {0u, 4u, 19u, uint32_t(good.size()), uint32_t(good.size() + 1), 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    std::string b = good;
    std::memcpy(b.data(), &pFiles, 4);
    TGuardedBuffer g(b);
    EXPECT_FALSE(ReadDropFiles(g.Data(), g.Size(), out)) << pFiles;
    EXPECT_TRUE(out.empty());
  }
  std::string empty = DropFiles({});
  TGuardedBuffer ge(empty);
  EXPECT_FALSE(ReadDropFiles(ge.Data(), ge.Size(), out));
  EXPECT_FALSE(ReadDropFiles(nullptr, 100, out));
  // The last name without its zero inside the block.
  std::string unterminated = good.substr(0, good.size() - 2);
  TGuardedBuffer gu(unterminated);
  EXPECT_FALSE(ReadDropFiles(gu.Data(), gu.Size(), out));
  // A wide block whose name runs to the end (odd byte included).
  std::string wideOpen = U32(20) + U32(0) + U32(0) + U32(0) + U32(1) + Wide(L"abc") + "\x01";
  TGuardedBuffer gw(wideOpen);
  EXPECT_FALSE(ReadDropFiles(gw.Data(), gw.Size(), out));
}

TEST(DropFilesBlock, EveryTruncationFailsOrGivesWholeLeadingNames) {
  std::vector<std::string> names{"C:\\first file.txt", "D:\\second", "\\\\server\\share\\third.bin"};
  std::string block = DropFiles(names);
  for (size_t len = 0; len <= block.size(); ++len) {
    TGuardedBuffer g(block.data(), len);
    std::vector<std::string> got;
    bool ok = ReadDropFiles(g.Data(), g.Size(), got);
    if (ok) {
      EXPECT_FALSE(got.empty()) << len;
      EXPECT_TRUE(IsPrefixOf(got, names)) << len;
    } else {
      EXPECT_TRUE(got.empty()) << len;
    }
    if (len == block.size()) {
      EXPECT_TRUE(ok);
      EXPECT_EQ(got, names);
    }
  }
  // The same for the wide layout.
  std::string wide = U32(20) + U32(0) + U32(0) + U32(0) + U32(1);
  for (const auto& n : names) wide += Wide(AnsiToWide(n)) + U16(0);
  wide += U16(0);
  for (size_t len = 0; len <= wide.size(); ++len) {
    TGuardedBuffer g(wide.data(), len);
    std::vector<std::string> got;
    if (ReadDropFiles(g.Data(), g.Size(), got)) {
      EXPECT_TRUE(IsPrefixOf(got, names)) << len;
    }
    if (len == wide.size()) {
      EXPECT_EQ(got, names);
    }
  }
}

TEST(DropFilesBlock, RandomMutationsNeverReadOutsideTheBlock) {
  std::vector<std::string> names{"C:\\a\\b\\c.txt", "C:\\d", "E:\\very long name with spaces.dat"};
  std::string block = DropFiles(names);
  TRandom rnd(1234);
  int accepted = 0;
  for (int iter = 0; iter < 4000; ++iter) {
    std::string b = block;
    int edits = 1 + static_cast<int>(rnd.Below(4));
    for (int e = 0; e < edits; ++e) {
      size_t at = rnd.Below(static_cast<uint32_t>(b.size()));
      switch (rnd.Below(4)) {
        case 0:
          b[at] = static_cast<char>(rnd.Next());
          break;
        case 1:
          b[at] = 0;
          break;
        case 2:
          b.resize(rnd.Below(static_cast<uint32_t>(b.size()) + 1));
          break;
        default:
          if (b.size() >= 20) b[16] = static_cast<char>(rnd.Below(2));
          break;  // flip fWide
      }
      if (b.empty()) break;
    }
    TGuardedBuffer g(b);
    std::vector<std::string> got;
    if (ReadDropFiles(g.Data(), g.Size(), got)) {
      ++accepted;
      ASSERT_FALSE(got.empty());
      size_t total = 0;
      for (const auto& n : got) {
        EXPECT_FALSE(n.empty());
        EXPECT_EQ(n.find('\0'), std::string::npos);
        total += n.size();
      }
      EXPECT_LE(total, b.size());
    }
  }
  EXPECT_GT(accepted, 0);  // mutations inside names are still blocks
}

// ---------------------------------------------------------------------------------------------
// Name lists of the map formats

TEST(NameListBlock, LayoutsOfEightBitAndWideLists) {
  std::vector<std::wstring> wide{L"x", L"yz"};
  std::string w(NameListSizeW(wide), '\x55');
  ASSERT_EQ(w.size(), 12u);
  ASSERT_TRUE(WriteNameListW(wide, w.data(), w.size()));
  EXPECT_EQ(w, Wide(L"x") + U16(0) + Wide(L"yz") + U16(0) + U16(0));
  std::vector<std::string> narrow{"x", "yz"};
  std::string n(NameListSize(narrow), '\x55');
  ASSERT_EQ(n.size(), 6u);
  ASSERT_TRUE(WriteNameList(narrow, n.data(), n.size()));
  EXPECT_EQ(n, std::string("x\0yz\0\0", 6));
  // Names are written up to their first zero, so one name never becomes two.
  std::vector<std::string> embedded{std::string("a\0b", 3)};
  EXPECT_EQ(NameListSize(embedded), 3u);

  std::vector<std::wstring> backW;
  TGuardedBuffer gw(w);
  ASSERT_TRUE(ReadNameListW(gw.Data(), gw.Size(), true, backW));
  EXPECT_EQ(backW, wide);
  std::vector<std::string> back;
  TGuardedBuffer gn(n);
  ASSERT_TRUE(ReadNameList(gn.Data(), gn.Size(), false, back));
  EXPECT_EQ(back, narrow);
  EXPECT_FALSE(WriteNameListW(wide, w.data(), 11));

  for (size_t len = 0; len < w.size(); ++len) {
    TGuardedBuffer g(w.data(), len);
    std::vector<std::wstring> got;
    if (ReadNameListW(g.Data(), g.Size(), true, got)) {
      ASSERT_LE(got.size(), wide.size());
      for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], wide[i]) << len;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// File group descriptors

TEST(FileGroupBlock, CountMustMatchTheSizeByDivision) {
  uint32_t count = 99;
  std::string two = U32(2) + std::string(2 * kFileDescriptorASize, '\0');
  TGuardedBuffer g(two);
  EXPECT_TRUE(CheckFileGroup(g.Data(), g.Size(), kFileDescriptorASize, count));
  EXPECT_EQ(count, 2u);
  // Trailing bytes short of another descriptor are tolerated, a missing one is not.
  std::string extra = two + std::string(kFileDescriptorASize - 1, '\0');
  TGuardedBuffer ge(extra);
  EXPECT_TRUE(CheckFileGroup(ge.Data(), ge.Size(), kFileDescriptorASize, count));
  for (size_t len = 0; len < two.size() - (kFileDescriptorASize - 1); ++len) {
    TGuardedBuffer gt(two.data(), len);
    EXPECT_FALSE(CheckFileGroup(gt.Data(), gt.Size(), kFileDescriptorASize, count)) << len;
    EXPECT_EQ(count, 0u);
  }
  for (uint32_t lie : {3u, 0x40000000u, 0xFFFFFFFFu, 0xC5C5C5C5u}) {
    std::string b = U32(lie) + two.substr(4);
    TGuardedBuffer gl(b);
    EXPECT_FALSE(CheckFileGroup(gl.Data(), gl.Size(), kFileDescriptorASize, count)) << lie;
    EXPECT_FALSE(CheckFileGroup(gl.Data(), gl.Size(), kFileDescriptorWSize, count)) << lie;
  }
}

TEST(FileGroupBlock, NamesStayInsideTheirFieldAndKeepAZero) {
  std::vector<unsigned char> d(kFileDescriptorASize, 0xAB);
  SetDescriptorNameA(d.data(), std::string(300, 'n'));
  EXPECT_EQ(DescriptorNameA(d.data()), std::string(kFileDescriptorMaxName, 'n'));
  EXPECT_EQ(d[kFileDescriptorNameOffset + kFileDescriptorMaxName], 0);
  EXPECT_EQ(d[kFileDescriptorNameOffset - 1], 0xAB);  // the fields before the name are kept
  // A peer's name without a zero is read up to the end of its field only.
  TGuardedBuffer g(std::string(kFileDescriptorNameOffset, '\0') + std::string(kFileDescriptorNameChars, 'q'));
  EXPECT_EQ(DescriptorNameA(g.Data()), std::string(kFileDescriptorNameChars, 'q'));

  std::vector<unsigned char> w(kFileDescriptorWSize, 0xAB);
  SetDescriptorNameW(w.data(), std::wstring(280, L'\x0416'));
  EXPECT_EQ(DescriptorNameW(w.data()), std::wstring(kFileDescriptorMaxName, L'\x0416'));
  std::string wideField = std::string(kFileDescriptorNameOffset, '\0');
  for (size_t i = 0; i < kFileDescriptorNameChars; ++i) wideField += Wide(L"w");
  TGuardedBuffer gw(wideField);
  EXPECT_EQ(DescriptorNameW(gw.Data()), std::wstring(kFileDescriptorNameChars, L'w'));
}

// ---------------------------------------------------------------------------------------------
// ID lists and CIDA

std::string Item(const std::string& payload) { return U16(static_cast<uint16_t>(payload.size() + 2)) + payload; }
std::string IDList(std::initializer_list<std::string> payloads) {
  std::string s;
  for (const auto& p : payloads) s += Item(p);
  return s + U16(0);
}

std::vector<std::string> SamplePidls() {
  return {IDList({"computer", "drive C"}), IDList({"file one"}), IDList({"sub", "file two"}), IDList({"n"})};
}

TEST(IDListBlock, LengthsStayInsideTheBlock) {
  std::string list = IDList({"ab", "cde"});
  size_t len = 0;
  TGuardedBuffer g(list);
  ASSERT_TRUE(IDListLength(g.Data(), g.Size(), len));
  EXPECT_EQ(len, list.size());
  EXPECT_EQ(IDListSize(g.Data()), list.size());
  for (size_t cut = 0; cut < list.size(); ++cut) {
    TGuardedBuffer gc(list.data(), cut);
    EXPECT_FALSE(IDListLength(gc.Data(), gc.Size(), len)) << cut;
  }
  TGuardedBuffer one(U16(1) + U16(0));  // an item shorter than its own count
  EXPECT_FALSE(IDListLength(one.Data(), one.Size(), len));
  TGuardedBuffer big(U16(0xFFFF) + "xx" + U16(0));
  EXPECT_FALSE(IDListLength(big.Data(), big.Size(), len));
  TGuardedBuffer empty(U16(0));
  ASSERT_TRUE(IDListLength(empty.Data(), empty.Size(), len));
  EXPECT_EQ(len, 2u);
}

TEST(CIDABlock, LayoutOfOneFileAndOfSeveral) {
  std::vector<std::string> one{IDList({"parent"}), IDList({"child"})};
  std::string b(CIDASize(one), '\x55');
  ASSERT_TRUE(WriteCIDA(one, b.data(), b.size()));
  // cidl 1 and two offsets: 12 bytes of header, then the ID lists without padding.
  EXPECT_EQ(b.substr(0, 12), U32(1) + U32(12) + U32(12 + uint32_t(one[0].size())));
  EXPECT_EQ(b.substr(12), one[0] + one[1]);

  std::vector<std::string> pidls = SamplePidls();
  std::string all(CIDASize(pidls), '\0');
  ASSERT_TRUE(WriteCIDA(pidls, all.data(), all.size()));
  EXPECT_EQ(ReadU32(all.data()), 3u);
  std::vector<std::string> back;
  TGuardedBuffer g(all);
  ASSERT_TRUE(ReadCIDA(g.Data(), g.Size(), back));
  EXPECT_EQ(back, pidls);
  EXPECT_FALSE(WriteCIDA(pidls, all.data(), all.size() - 1));
  EXPECT_FALSE(WriteCIDA(std::vector<std::string>{}, all.data(), all.size()));
}

TEST(CIDABlock, RejectsTheHeadersOffsetsAndItemsThatLie) {
  std::vector<std::string> out{"stale"};
  // cidl 0: only a parent is no file list; blocks of 4 to 7 bytes have no room for offset 0.
  std::vector<std::string> parentOnly{IDList({"p"})};
  std::string p0(CIDASize(parentOnly), '\0');
  ASSERT_TRUE(WriteCIDA(parentOnly, p0.data(), p0.size()));
  TGuardedBuffer g0(p0);
  EXPECT_FALSE(ReadCIDA(g0.Data(), g0.Size(), out));
  EXPECT_TRUE(out.empty());
  for (size_t n = 0; n < 8; ++n) {
    TGuardedBuffer gs(std::string(n, '\0'));
    EXPECT_FALSE(ReadCIDA(gs.Data(), gs.Size(), out)) << n;
  }
  std::vector<std::string> pidls = SamplePidls();
  std::string good(CIDASize(pidls), '\0');
  ASSERT_TRUE(WriteCIDA(pidls, good.data(), good.size()));
  // Counts that need more offsets than the block holds, including ones whose x4 wraps.
  for (uint32_t cidl : {4u, 100u, 0x20000000u, 0x40000001u, 0xFFFFFFFFu}) {
    std::string b = good;
    std::memcpy(b.data(), &cidl, 4);
    TGuardedBuffer g(b);
    EXPECT_FALSE(ReadCIDA(g.Data(), g.Size(), out)) << cidl;
  }
  // Offsets at or past the end, and into the last byte (no room for a count).
  for (uint32_t off : {uint32_t(good.size()), uint32_t(good.size() - 1), 0xFFFFFFF0u}) {
    std::string b = good;
    std::memcpy(b.data() + 8, &off, 4);
    TGuardedBuffer g(b);
    EXPECT_FALSE(ReadCIDA(g.Data(), g.Size(), out)) << off;
  }
  // Every offset pointing at the largest list: a small block must not expand.
  std::string overlap = good;
  for (uint32_t i = 0; i <= 3; ++i) std::memcpy(overlap.data() + 4 + 4 * i, good.data() + 4, 4);
  TGuardedBuffer gov(overlap);
  EXPECT_FALSE(ReadCIDA(gov.Data(), gov.Size(), out));
}

TEST(CIDABlock, RefusesItemsShorterThanTheRecordsTheShellReadsFromThem) {
  // A file item cut short, whose last two bytes (where the offset of its Unicode record lies)
  // point far past it: the shell would follow them.
  auto fileItem = [](size_t cb, char type) {
    std::string payload(cb - 2, 'n');
    payload[0] = type;
    payload[cb - 4] = '\xF0';
    payload[cb - 3] = '\x7F';
    return payload;
  };
  auto read = [](const std::vector<std::string>& children) {
    std::vector<std::string> pidls{IDList({std::string(1, '\x1F') + std::string(17, 'g')})};
    for (const auto& c : children) pidls.push_back(IDList({c}));
    std::string b(CIDASize(pidls), '\0');
    EXPECT_TRUE(WriteCIDA(pidls, b.data(), b.size()));
    TGuardedBuffer g(b);
    std::vector<std::string> out;
    return ReadCIDA(g.Data(), g.Size(), out);
  };
  for (char type : {'\x30', '\x31', '\x32', '\x35', '\x3F', '\xB1'}) {
    EXPECT_FALSE(read({fileItem(kFileSystemItemMinSize - 1, type)})) << int(type);
    EXPECT_TRUE(read({fileItem(kFileSystemItemMinSize, type)})) << int(type);
  }
  for (char type : {'\x1F', '\x2E', '\x70'}) {
    EXPECT_FALSE(read({std::string(1, type) + std::string(kGUIDItemMinSize - 4, 'g')})) << int(type);
    EXPECT_TRUE(read({std::string(1, type) + std::string(kGUIDItemMinSize - 3, 'g')})) << int(type);
  }
  // Other kinds need their type byte only; an item without one is refused.
  EXPECT_TRUE(read({"\x2F", "\x41x"}));
  EXPECT_FALSE(read({""}));
  // The parent is checked as the files are.
  std::vector<std::string> shortParent{IDList({"\x1Fg"}), IDList({"\x41x"})};
  std::string b(CIDASize(shortParent), '\0');
  ASSERT_TRUE(WriteCIDA(shortParent, b.data(), b.size()));
  std::vector<std::string> out;
  EXPECT_FALSE(ReadCIDA(b.data(), b.size(), out));
}

TEST(CIDABlock, EveryTruncationAndRandomMutationIsSafe) {
  std::vector<std::string> pidls = SamplePidls();
  std::string good(CIDASize(pidls), '\0');
  ASSERT_TRUE(WriteCIDA(pidls, good.data(), good.size()));
  for (size_t len = 0; len < good.size(); ++len) {
    TGuardedBuffer g(good.data(), len);
    std::vector<std::string> got;
    EXPECT_FALSE(ReadCIDA(g.Data(), g.Size(), got)) << len;  // the last list always loses its end
  }
  TRandom rnd(99);
  int accepted = 0;
  for (int iter = 0; iter < 5000; ++iter) {
    std::string b = good;
    test::MutateBytes(b, rnd);
    TGuardedBuffer g(b);
    std::vector<std::string> got;
    if (ReadCIDA(g.Data(), g.Size(), got)) {
      ++accepted;
      ASSERT_GE(got.size(), 2u);
      size_t total = 0;
      for (const auto& s : got) {
        size_t len = 0;
        EXPECT_TRUE(IDListLength(s.data(), s.size(), len));
        EXPECT_EQ(len, s.size());
        total += s.size();
      }
      EXPECT_LE(total, b.size());
    } else {
      EXPECT_TRUE(got.empty());
    }
  }
  EXPECT_GT(accepted, 0);
}

}  // namespace
}  // namespace korv
