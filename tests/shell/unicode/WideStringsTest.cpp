#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "UnicodeTestSupport.h"
#include "classlib/Classes.h"
#include "shell/unicode/TntClasses.h"
#include "shell/unicode/TntWideStrings.h"

namespace korv {

// The generic operations are built only on the abstract ones: a list over a vector shows them.
class TPlainWideStrings : public TWideStrings {
  KORV_CLASS(TPlainWideStrings, TWideStrings)
 public:
  [[nodiscard]] std::wstring Get(int i) const override { return Items.at(static_cast<size_t>(i)).first; }
  [[nodiscard]] int GetCount() const override { return static_cast<int>(Items.size()); }
  void Clear() override { Items.clear(); }
  void Delete(int i) override { Items.erase(Items.begin() + i); }
  void Insert(int i, const std::wstring& s) override { Items.insert(Items.begin() + i, {s, nullptr}); }
  [[nodiscard]] TObject* GetObject(int i) const override { return Items.at(static_cast<size_t>(i)).second; }
  void PutObject(int i, TObject* o) override { Items.at(static_cast<size_t>(i)).second = o; }

  std::vector<std::pair<std::wstring, TObject*>> Items;
  std::vector<bool> UpdateStates;

 protected:
  void SetUpdateState(bool updating) override { UpdateStates.push_back(updating); }
};
KORV_DEFINE_CLASS(TPlainWideStrings, TWideStrings, nullptr, nullptr);

class TOtherPersistent : public TPersistent {
  KORV_CLASS(TOtherPersistent, TPersistent)
};
KORV_DEFINE_CLASS(TOtherPersistent, TPersistent, nullptr, nullptr);

namespace {

using W = std::vector<std::wstring>;
using test::Lines;

struct TextCase {
  std::wstring Text;
  W Expected;
};

const TextCase kTextCases[] = {
    {L"a\r\r\nb", {L"a", L"", L"b"}},  // CR ends the line, then CR LF is another (empty) one
    {L"a\n\rb", {L"a", L"", L"b"}},    // a CR after an LF starts an empty line
    {L"a\x2028"
     L"b",
     {L"a", L"b"}},  // LINE SEPARATOR
    {L"a\r\n\x2028"
     L"b",
     {L"a", L"b"}},  // CR, LF and U+2028 skipped in that order: one break
    {L"a\x2028\r\nb", {L"a", L"", L"b"}},
    {L"a\r\n", {L"a"}},  // a trailing break adds no empty line
    {L"a\r\n\r\n", {L"a", L""}},
    {L"a\nb\rc", {L"a", L"b", L"c"}},
    {std::wstring(L"a\r\nb\0c\r\nd", 9), {L"a", L"b"}},  // a NUL ends the text
    {std::wstring(L"\0abc", 4), {}},
    {L"", {}},
    {L"\r\n", {L""}},
    {L"\x2029x", {L"\x2029x"}},  // PARAGRAPH SEPARATOR is no line break
};

TEST(WideTextTest, SplittingRules) {
  for (const TextCase& c : kTextCases) {
    EXPECT_EQ(SplitWideText(c.Text), c.Expected) << "case of " << c.Text.size() << " units";
    TPlainWideStrings plain;
    plain.SetTextStr(c.Text);
    EXPECT_EQ(Lines(plain), c.Expected);
    TTntStringList list;
    list.SetTextStr(c.Text);
    EXPECT_EQ(Lines(list), c.Expected);
    list.SetSorted(true);  // the sorted path adds line by line
    list.SetTextStr(c.Text);
    W sorted = c.Expected;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(Lines(list), sorted);
  }
}

TEST(WideTextTest, TextJoinsEveryStringWithCrLf) {
  TPlainWideStrings s;
  EXPECT_EQ(s.GetTextStr(), L"");
  s.Add(L"one");
  s.Add(L"");
  s.Add(L"\x263A");
  EXPECT_EQ(s.GetTextStr(), L"one\r\n\r\n\x263A\r\n");
  auto text = s.GetText();
  EXPECT_STREQ(text.get(), L"one\r\n\r\n\x263A\r\n");
  s.SetText(L"x\ny");
  EXPECT_EQ(Lines(s), (W{L"x", L"y"}));
  s.SetText(nullptr);
  EXPECT_EQ(s.GetCount(), 0);
}

TEST(WideStringsTest, UpdateBracketsNestAndIgnoreAnUnbalancedEnd) {
  TPlainWideStrings s;
  s.BeginUpdate();
  s.BeginUpdate();
  s.EndUpdate();
  EXPECT_EQ(s.UpdateStates, (std::vector<bool>{true}));
  s.EndUpdate();
  s.EndUpdate();
  EXPECT_EQ(s.UpdateStates, (std::vector<bool>{true, false}));
  EXPECT_EQ(s.UpdateCount(), 0);
  s.SetTextStr(L"a\nb");  // one bracket around clearing and adding
  EXPECT_EQ(s.UpdateStates, (std::vector<bool>{true, false, true, false}));
}

TEST(WideStringsTest, PutExchangeAndMoveKeepObjects) {
  TPlainWideStrings s;
  TOtherPersistent o1, o2, o3;
  s.AddObject(L"a", &o1);
  s.AddObject(L"b", &o2);
  s.AddObject(L"c", &o3);
  s.Put(1, L"B");
  EXPECT_EQ(s.Get(1), L"B");
  EXPECT_EQ(s.GetObject(1), &o2);
  s.UpdateStates.clear();
  s.Exchange(0, 2);
  EXPECT_EQ(Lines(s), (W{L"c", L"B", L"a"}));
  EXPECT_EQ(s.GetObject(0), &o3);
  EXPECT_EQ(s.GetObject(2), &o1);
  EXPECT_EQ(s.UpdateStates, (std::vector<bool>{true, false}));
  s.Move(0, 2);
  EXPECT_EQ(Lines(s), (W{L"B", L"a", L"c"}));
  EXPECT_EQ(s.GetObject(2), &o3);
  s.UpdateStates.clear();
  s.Move(1, 1);
  EXPECT_TRUE(s.UpdateStates.empty());
  s.InsertObject(0, L"first", &o1);
  EXPECT_EQ(s.Get(0), L"first");
  EXPECT_EQ(s.GetObject(0), &o1);
}

TEST(WideStringsTest, SearchesCompareWithoutCase) {
  TPlainWideStrings s;
  TOtherPersistent o;
  s.Add(L"Alpha=1");
  s.AddObject(L"beta", &o);
  s.Add(L"Gamma=x=y");
  s.Add(L"\x00C9t\x00E9=2");
  EXPECT_EQ(s.IndexOf(L"BETA"), 1);
  EXPECT_EQ(s.IndexOf(L"bet"), -1);
  EXPECT_EQ(s.IndexOfName(L"alpha"), 0);
  EXPECT_EQ(s.IndexOfName(L"gamma"), 2);  // up to the first separator
  EXPECT_EQ(s.IndexOfName(L"gamma=x"), -1);
  EXPECT_EQ(s.IndexOfName(L"beta"), -1);  // no separator in the item
  EXPECT_EQ(s.IndexOfName(L"\x00E9T\x00C9"), 3);
  EXPECT_EQ(s.IndexOfObject(&o), 1);
  EXPECT_EQ(s.IndexOfObject(nullptr), 0);
  s.SetNameValueSeparator(L':');
  EXPECT_EQ(s.IndexOfName(L"alpha"), -1);
}

TEST(WideStringsTest, CharactersReadAsDefaultsUntilSet) {
  TPlainWideStrings s;
  EXPECT_EQ(s.DefinedFlags(), 0);
  EXPECT_EQ(s.Delimiter(), L',');
  EXPECT_EQ(s.DefinedFlags(), TWideStrings::sdDelimiter);  // reading set it
  EXPECT_EQ(s.QuoteChar(), L'"');
  EXPECT_EQ(s.NameValueSeparator(), L'=');
  EXPECT_EQ(s.DefinedFlags(), 7);
  TPlainWideStrings t;
  t.SetQuoteChar(L'\'');
  EXPECT_EQ(t.DefinedFlags(), TWideStrings::sdQuoteChar);
  EXPECT_EQ(t.QuoteChar(), L'\'');
}

TEST(WideStringsTest, AssignFromWideListsCopiesItemsFlagsAndCharacters) {
  TPlainWideStrings src;
  TOtherPersistent o;
  src.AddObject(L"x", &o);
  src.Add(L"y");
  src.SetDelimiter(L';');
  TTntStringList dst;
  dst.Add(L"old");
  dst.Assign(&src);
  EXPECT_EQ(Lines(dst), (W{L"x", L"y"}));
  EXPECT_EQ(dst.GetObject(0), &o);
  EXPECT_EQ(dst.DefinedFlags(), TWideStrings::sdDelimiter);
  EXPECT_EQ(dst.Delimiter(), L';');
  dst.Assign(&dst);  // itself: nothing lost
  EXPECT_EQ(Lines(dst), (W{L"x", L"y"}));
}

TEST(WideStringsTest, AssignFromEightBitListsKeepsTheFlags) {
  TStringList src;
  src.Add("caf\xE9");
  src.AddObject("two", &src);
  src.SetDelimiter(';');
  src.SetNameValueSeparator(':');
  TTntStringList fresh;
  fresh.Assign(&src);
  EXPECT_EQ(Lines(fresh), (W{AnsiToWideCP("caf\xE9", CP_ACP), L"two"}));
  EXPECT_EQ(fresh.GetObject(1), &src);
  // The characters were stored without their flags: unset ones still read as defaults.
  EXPECT_EQ(fresh.DefinedFlags(), 0);
  EXPECT_EQ(fresh.Delimiter(), L',');
  TTntStringList defined;
  defined.SetNameValueSeparator(L'#');
  defined.Assign(&src);
  EXPECT_EQ(defined.NameValueSeparator(), L':');
  EXPECT_EQ(defined.Delimiter(), L',');
}

TEST(WideStringsTest, AssignToEightBitListsNarrowsItems) {
  TTntStringList src;
  TOtherPersistent o;
  src.AddObject(L"caf\x00E9", &o);
  src.Add(L"\x263A");
  src.SetDelimiter(L'\x0141');  // low byte 0x41
  TStringList dst;
  dst.Add("old");
  dst.Assign(&src);
  ASSERT_EQ(dst.Count(), 2);
  EXPECT_EQ(dst.Get(0), WideToAnsiCP(L"caf\x00E9", CP_ACP));
  EXPECT_EQ(dst.Get(1), WideToAnsiCP(L"\x263A", CP_ACP));
  EXPECT_EQ(dst.GetObject(0), &o);
  EXPECT_EQ(dst.Delimiter(), 'A');
  EXPECT_EQ(dst.QuoteChar(), '"');
}

TEST(WideStringsTest, AssignFromOtherClassesFails) {
  TTntStringList list;
  TOtherPersistent other;
  try {
    list.Assign(&other);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TOtherPersistent to a TTntStringList");
  }
  try {
    other.Assign(&list);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TTntStringList to a TOtherPersistent");
  }
}

TEST(WideStringsTest, AddStringsWidensAndMayAddAListToItself) {
  TStringList eight;
  eight.Add("a");
  eight.AddObject("b", &eight);
  TPlainWideStrings s;
  s.AddStrings(eight);
  EXPECT_EQ(Lines(s), (W{L"a", L"b"}));
  EXPECT_EQ(s.GetObject(1), &eight);
  s.AddStrings(static_cast<const TWideStrings&>(s));
  EXPECT_EQ(Lines(s), (W{L"a", L"b", L"a", L"b"}));
}

TEST(WideStringsTest, BaseStreamLoadReadsUtf16WithoutMarkDetection) {
  TPlainWideStrings s;
  TMemoryStream ms;
  const auto bytes = test::Utf16Bytes(L"a\r\nb", true);
  ms.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  const uint8_t odd = 0x41;
  ms.WriteBuffer(&odd, 1);
  ms.SetPosition(0);
  s.LoadFromStream(ms);
  EXPECT_EQ(Lines(s), (W{L"\xFEFF"
                         L"a",
                         L"b"}));  // the mark stays a character; the odd byte is dropped
  EXPECT_EQ(ms.Position(), ms.Size());
  TMemoryStream out;
  s.SaveToStream(out);
  const auto expected = test::Utf16Bytes(
      L"\xFEFF"
      L"a\r\nb\r\n",
      false);
  ASSERT_EQ(out.Size(), static_cast<int64_t>(expected.size()));
  EXPECT_EQ(std::memcmp(out.Memory(), expected.data(), expected.size()), 0);
}

}  // namespace
}  // namespace korv
