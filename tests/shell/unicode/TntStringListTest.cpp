#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "UnicodeTestSupport.h"
#include "classlib/Classes.h"
#include "shell/unicode/TntClasses.h"
#include "shell/unicode/TntSysUtils.h"

namespace korv {
namespace {

using W = std::vector<std::wstring>;
using test::TRandom;

W Lines(const TWideStrings& s) {
  W v;
  for (int i = 0; i < s.GetCount(); ++i) v.push_back(s.Get(i));
  return v;
}

TTntStringList* Fill(TTntStringList& l, const W& items) {
  for (const auto& s : items) l.Add(s);
  return &l;
}

// Runs f, which must raise EStringListError with exactly this message.
void ExpectListError(const std::function<void()>& f, const std::string& message) {
  try {
    f();
    ADD_FAILURE() << "no error, expected: " << message;
  } catch (const EStringListError& e) {
    EXPECT_EQ(std::string(e.what()), message);
  }
}

TEST(TntStringListTest, IndexErrorsNameTheBadIndexAndChangeNothing) {
  TTntStringList l;
  Fill(l, {L"a", L"b", L"c"});
  TObject* none = nullptr;
  ExpectListError([&] { (void)l.Get(3); }, "List index out of bounds (3)");
  ExpectListError([&] { (void)l.Get(-1); }, "List index out of bounds (-1)");
  ExpectListError([&] { (void)l.GetObject(3); }, "List index out of bounds (3)");
  ExpectListError([&] { l.PutObject(-2, none); }, "List index out of bounds (-2)");
  ExpectListError([&] { l.Put(3, L"x"); }, "List index out of bounds (3)");
  ExpectListError([&] { l.Delete(3); }, "List index out of bounds (3)");
  ExpectListError([&] { l.Exchange(0, 3); }, "List index out of bounds (3)");
  ExpectListError([&] { l.Exchange(-1, 0); }, "List index out of bounds (-1)");
  ExpectListError([&] { l.Insert(4, L"x"); }, "List index out of bounds (4)");
  ExpectListError([&] { l.Insert(-1, L"x"); }, "List index out of bounds (-1)");
  ExpectListError([&] { (void)l.StringView(3); }, "List index out of bounds (3)");
  EXPECT_EQ(Lines(l), (W{L"a", L"b", L"c"}));
  l.Insert(3, L"d");  // count is a valid place to insert
  EXPECT_EQ(Lines(l), (W{L"a", L"b", L"c", L"d"}));
}

TEST(TntStringListTest, SortedListsRefusePutAndInsert) {
  TTntStringList l;
  Fill(l, {L"b", L"a"});
  l.SetSorted(true);
  EXPECT_EQ(Lines(l), (W{L"a", L"b"}));
  ExpectListError([&] { l.Put(0, L"x"); }, "Operation not allowed on sorted list");
  ExpectListError([&] { l.Insert(0, L"x"); }, "Operation not allowed on sorted list");
  ExpectListError([&] { l.Put(9, L"x"); }, "Operation not allowed on sorted list");  // checked first
  EXPECT_EQ(Lines(l), (W{L"a", L"b"}));
}

TEST(TntStringListTest, CapacityBelowTheCountIsRefused) {
  TTntStringList l;
  Fill(l, {L"a", L"b", L"c"});
  const int before = l.GetCapacity();
  ExpectListError([&] { l.SetCapacity(2); }, "List capacity out of bounds (2)");
  ExpectListError([&] { l.SetCapacity(-1); }, "List capacity out of bounds (-1)");
  EXPECT_EQ(l.GetCapacity(), before);
  EXPECT_EQ(Lines(l), (W{L"a", L"b", L"c"}));
  l.SetCapacity(3);
  EXPECT_EQ(l.GetCapacity(), 3);
  l.SetCapacity(100);
  EXPECT_EQ(l.GetCapacity(), 100);
  l.Add(L"d");
  EXPECT_EQ(l.GetCapacity(), 100);
  EXPECT_EQ(Lines(l), (W{L"a", L"b", L"c", L"d"}));
}

TEST(TntStringListTest, CapacityGrowsByItsRule) {
  TTntStringList l;
  int expected = 0;
  for (int i = 0; i < 2000; ++i) {
    if (i == expected) expected += expected > 64 ? expected / 4 : expected > 8 ? 16 : 4;
    l.Add(std::to_wstring(i));
    ASSERT_EQ(l.GetCapacity(), expected) << "after " << i + 1 << " items";
  }
  // The text setter follows the same rule.
  TTntStringList t;
  t.SetTextStr(l.GetTextStr());
  EXPECT_EQ(t.GetCapacity(), l.GetCapacity());
  t.Clear();
  EXPECT_EQ(t.GetCapacity(), 0);
}

TEST(TntStringListTest, SortedAddFollowsTheDuplicatesRule) {
  TObject a, b;
  TTntStringList ignore;
  ignore.SetSorted(true);
  Fill(ignore, {L"m", L"c", L"x"});
  EXPECT_EQ(ignore.AddObject(L"M", &a), 1);  // equal without case: the existing index
  EXPECT_EQ(Lines(ignore), (W{L"c", L"m", L"x"}));
  EXPECT_EQ(ignore.GetObject(1), nullptr);  // the object was not stored

  TTntStringList accept;
  accept.SetSorted(true);
  accept.SetDuplicates(AcceptDuplicates);
  Fill(accept, {L"m", L"c", L"x", L"m"});
  EXPECT_EQ(accept.AddObject(L"m", &b), 1);  // before the first equal item
  EXPECT_EQ(accept.GetObject(1), &b);
  EXPECT_EQ(accept.GetCount(), 5);
  int index = -1;
  EXPECT_TRUE(accept.Find(L"M", index));
  EXPECT_EQ(index, 1);

  TTntStringList reject;
  reject.SetSorted(true);
  reject.SetDuplicates(RejectDuplicates);
  Fill(reject, {L"m", L"c"});
  ExpectListError([&] { reject.Add(L"C"); }, "String list does not allow duplicates");
  EXPECT_EQ(Lines(reject), (W{L"c", L"m"}));
}

TEST(TntStringListTest, FindReportsWhereAMissingStringWouldGo) {
  TTntStringList l;
  l.SetSorted(true);
  Fill(l, {L"b", L"d", L"f"});
  int index = -1;
  EXPECT_FALSE(l.Find(L"a", index));
  EXPECT_EQ(index, 0);
  EXPECT_FALSE(l.Find(L"e", index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(l.Find(L"z", index));
  EXPECT_EQ(index, 3);
  EXPECT_TRUE(l.Find(L"D", index));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(l.IndexOf(L"F"), 2);
  EXPECT_EQ(l.IndexOf(L"c"), -1);
  TTntStringList empty;
  EXPECT_FALSE(empty.Find(L"x", index));
  EXPECT_EQ(index, 0);
}

TEST(TntStringListTest, CaseSensitivityDecidesEquality) {
  TTntStringList l;
  Fill(l, {L"Abc", L"abc"});
  EXPECT_EQ(l.IndexOf(L"ABC"), 0);
  l.SetCaseSensitive(true);
  EXPECT_EQ(l.IndexOf(L"ABC"), -1);
  EXPECT_EQ(l.IndexOf(L"abc"), 1);
  TTntStringList sorted;
  sorted.SetCaseSensitive(true);
  sorted.SetSorted(true);
  Fill(sorted, {L"b", L"B", L"a"});
  EXPECT_EQ(sorted.GetCount(), 3);  // "b" and "B" differ
  EXPECT_GE(sorted.IndexOf(L"b"), 0);
  EXPECT_GE(sorted.IndexOf(L"B"), 0);
  EXPECT_NE(sorted.IndexOf(L"b"), sorted.IndexOf(L"B"));
  sorted.SetCaseSensitive(false);  // sorted again for the new comparison: Find must hold
  for (int i = 0; i < sorted.GetCount(); ++i) {
    int index = -1;
    EXPECT_TRUE(sorted.Find(sorted.Get(i), index));
  }
}

TEST(TntStringListTest, SortOrdersByCompareStringsAndSkipsSortedLists) {
  TTntStringList l;
  TObject o;
  Fill(l, {L"pear", L"Apple", L"fig", L"banana", L"apple"});
  l.PutObject(2, &o);
  l.Sort();
  const W sorted = Lines(l);
  for (size_t i = 1; i < sorted.size(); ++i) EXPECT_LE(WideCompareText(sorted[i - 1], sorted[i]), 0);
  EXPECT_EQ(l.GetObject(l.IndexOf(L"fig")), &o);  // objects travel with their strings

  int calls = 0;
  static int* callCount;
  callCount = &calls;
  auto counting = [](TTntStringList& list, int a, int b) {
    ++*callCount;
    return WideCompareText(list.StringView(a), list.StringView(b));
  };
  l.SetSorted(true);
  l.CustomSort(counting);
  EXPECT_EQ(calls, 0);
  l.SetSorted(false);
  l.CustomSort(counting);
  EXPECT_GT(calls, 0);
  // A reversed comparison gives the reversed order.
  l.CustomSort(
      [](TTntStringList& list, int a, int b) { return WideCompareText(list.StringView(b), list.StringView(a)); });
  W reversed = sorted;
  std::reverse(reversed.begin(), reversed.end());
  for (size_t i = 1; i < reversed.size(); ++i)
    EXPECT_GE(WideCompareText(l.Get(static_cast<int>(i - 1)), l.Get(static_cast<int>(i))), 0);
}

TEST(TntStringListTest, QuickSortHandlesLargeAndDegenerateInputs) {
  for (int kind = 0; kind < 4; ++kind) {
    TTntStringList l;
    TRandom rnd(99 + kind);
    W model;
    for (int i = 0; i < 20000; ++i) {
      std::wstring s;
      switch (kind) {
        case 0:
          s = std::to_wstring(rnd.Next());
          break;  // random
        case 1:
          s = L"same";
          break;  // all equal
        case 2:
          s = std::to_wstring(1000000 + i);
          break;  // ascending
        default:
          s = std::to_wstring(1000000 - i);
          break;  // descending
      }
      l.Add(s);
      model.push_back(s);
    }
    l.SetCaseSensitive(true);
    l.Sort();
    std::sort(model.begin(), model.end(),
              [](const std::wstring& a, const std::wstring& b) { return WideCompareStr(a, b) < 0; });
    ASSERT_EQ(Lines(l), model) << "kind " << kind;
  }
}

// Indexes a sort handed out that name no item of the list. Such an index compares equal, so
// that a scan running off the list stops there.
int gOutside = 0;
bool Inside(const TTntStringList& list, int a, int b) {
  if (a >= 0 && b >= 0 && a < list.GetCount() && b < list.GetCount()) return true;
  ++gOutside;
  return false;
}

TEST(TntStringListTest, AnInconsistentComparisonStaysInsideTheList) {
  TTntStringList l;
  W items;
  for (int i = 0; i < 500; ++i) items.push_back(std::to_wstring(i));
  Fill(l, items);
  gOutside = 0;
  l.CustomSort([](TTntStringList& list, int a, int b) { return Inside(list, a, b) ? -1 : 0; });
  l.CustomSort([](TTntStringList& list, int a, int b) { return Inside(list, a, b) ? ((a ^ b) & 1 ? 1 : -1) : 0; });
  EXPECT_EQ(gOutside, 0);
  // Nothing is lost or doubled: the same items in some order.
  W after = Lines(l);
  std::sort(after.begin(), after.end());
  std::sort(items.begin(), items.end());
  EXPECT_EQ(after, items);
}

TEST(TntStringListTest, IndexOfNameOnSortedLists) {
  TTntStringList l;
  l.SetSorted(true);
  Fill(l, {L"beta=2", L"alpha=1", L"bb=3", L"b"});
  EXPECT_EQ(l.Get(l.IndexOfName(L"BETA")), L"beta=2");
  EXPECT_EQ(l.Get(l.IndexOfName(L"bb")), L"bb=3");
  EXPECT_EQ(l.IndexOfName(L"b"), -1);  // "b" has no separator
  EXPECT_EQ(l.IndexOfName(L"gamma"), -1);
  EXPECT_EQ(l.IndexOfName(L"zzz"), -1);  // past the end
}

TEST(TntStringListTest, ChangeEventsBracketEveryChange) {
  struct Recorder {
    TTntStringList* List = nullptr;
    std::vector<std::pair<char, int>> Log;  // event and the count seen then
    void Changing(TObject* sender) {
      EXPECT_EQ(sender, List);
      Log.emplace_back('-', List->GetCount());
    }
    void Change(TObject*) { Log.emplace_back('+', List->GetCount()); }
  } rec;
  using Log = std::vector<std::pair<char, int>>;
  TTntStringList l;
  rec.List = &l;
  l.OnChanging = TNotifyEvent(&rec, &Recorder::Changing);
  l.OnChange = TNotifyEvent(&rec, &Recorder::Change);
  l.Add(L"a");
  EXPECT_EQ(rec.Log, (Log{{'-', 0}, {'+', 1}}));
  rec.Log.clear();
  l.Put(0, L"b");
  l.PutObject(0, nullptr);
  l.Exchange(0, 0);
  l.Delete(0);
  EXPECT_EQ(rec.Log, (Log{{'-', 1}, {'+', 1}, {'-', 1}, {'+', 1}, {'-', 1}, {'+', 1}, {'-', 1}, {'+', 0}}));
  rec.Log.clear();
  l.Clear();  // empty: nothing happens
  EXPECT_TRUE(rec.Log.empty());
  l.BeginUpdate();
  l.Add(L"x");
  l.Add(L"y");
  l.Sort();
  l.EndUpdate();
  EXPECT_EQ(rec.Log, (Log{{'-', 0}, {'+', 2}}));  // once around the bracket
  rec.Log.clear();
  l.SetTextStr(L"1\n2\n3");
  EXPECT_EQ(rec.Log, (Log{{'-', 2}, {'+', 3}}));
  rec.Log.clear();
  ExpectListError([&] { (void)l.Get(7); }, "List index out of bounds (7)");
  ExpectListError([&] { l.Delete(9); }, "List index out of bounds (9)");
  EXPECT_TRUE(rec.Log.empty());  // failed calls announce nothing
}

TEST(TntStringListTest, DestructionAnnouncesNothing) {
  int events = 0;
  struct Counter {
    int* N;
    void Hit(TObject*) { ++*N; }
  } counter{&events};
  {
    TTntStringList l;
    l.Add(L"a");
    l.OnChange = TNotifyEvent(&counter, &Counter::Hit);
    l.OnChanging = TNotifyEvent(&counter, &Counter::Hit);
  }
  EXPECT_EQ(events, 0);
}

TEST(TntStringListTest, FileNamesIsAStringList) {
  TFileNames names;
  EXPECT_TRUE(names.InheritsFrom(TTntStringList::StaticClass()));
  EXPECT_EQ(names.ClassName(), "TFileNames");
  names.Add(L"C:\\a.txt");
  names.Add(L"C:\\b.txt");
  EXPECT_EQ(names.GetCount(), 2);
  names.Clear();
  EXPECT_EQ(names.GetCount(), 0);
}

// Random operations against a plain model: the shared string storage (slices, reuse of freed
// space, compaction) must never change what the list holds.
TEST(TntStringListTest, StorageMatchesAModelUnderRandomOperations) {
  TRandom rnd(2024);
  TTntStringList l;
  std::vector<std::pair<std::wstring, TObject*>> model;
  TObject objs[4];
  auto randomString = [&] {
    const uint32_t kind = rnd.Below(10);
    size_t len = kind == 0 ? 0 : kind < 8 ? rnd.Below(40) : 5000 + rnd.Below(30000);
    std::wstring s(len, L'\0');
    for (auto& c : s) c = static_cast<wchar_t>(L'a' + rnd.Below(26));
    if (!s.empty() && rnd.Below(4) == 0) s[0] = static_cast<wchar_t>(0x400 + rnd.Below(0x100));
    return s;
  };
  for (int step = 0; step < 6000; ++step) {
    const int n = static_cast<int>(model.size());
    switch (rnd.Below(9)) {
      case 0:
      case 1: {
        auto s = randomString();
        TObject* o = &objs[rnd.Below(4)];
        l.AddObject(s, o);
        model.emplace_back(s, o);
        break;
      }
      case 2: {
        const int i = static_cast<int>(rnd.Below(static_cast<uint32_t>(n + 1)));
        auto s = randomString();
        l.Insert(i, s);
        model.insert(model.begin() + i, {s, nullptr});
        break;
      }
      case 3:
        if (n > 0) {
          const int i = static_cast<int>(rnd.Below(static_cast<uint32_t>(n)));
          auto s = randomString();
          l.Put(i, s);
          model[static_cast<size_t>(i)].first = s;
        }
        break;
      case 4:
        if (n > 0) {
          const int i = static_cast<int>(rnd.Below(static_cast<uint32_t>(n)));
          l.Delete(i);
          model.erase(model.begin() + i);
        }
        break;
      case 5:
        if (n > 1) {
          const int a = static_cast<int>(rnd.Below(static_cast<uint32_t>(n)));
          const int b = static_cast<int>(rnd.Below(static_cast<uint32_t>(n)));
          l.Exchange(a, b);
          std::swap(model[static_cast<size_t>(a)], model[static_cast<size_t>(b)]);
        }
        break;
      case 6:
        if (rnd.Below(40) == 0) {
          std::wstring text;
          W lines;
          for (uint32_t k = rnd.Below(50); k > 0; --k) {
            lines.push_back(randomString());
            text += lines.back() + L"\r\n";
          }
          l.SetTextStr(text);
          model.clear();
          for (auto& s : lines) model.emplace_back(s, nullptr);
        }
        break;
      case 7:
        if (rnd.Below(100) == 0) {
          l.Clear();
          model.clear();
        }
        break;
      default:
        if (n > 1) {
          const int from = static_cast<int>(rnd.Below(static_cast<uint32_t>(n)));
          const int to = static_cast<int>(rnd.Below(static_cast<uint32_t>(n)));
          l.Move(from, to);
          auto item = model[static_cast<size_t>(from)];
          model.erase(model.begin() + from);
          model.insert(model.begin() + to, item);
        }
        break;
    }
    ASSERT_EQ(l.GetCount(), static_cast<int>(model.size())) << "step " << step;
    if (step % 250 == 0) {  // what is saved is the text, wherever the strings are kept
      std::wstring text;
      for (auto& item : model) text += item.first + L"\r\n";
      TMemoryStream ms;
      l.SaveToStreamMarked(ms, false);
      ASSERT_EQ(ms.Size(), static_cast<int64_t>(text.size() * 2)) << "step " << step;
      ASSERT_EQ(std::memcmp(ms.Memory(), text.data(), text.size() * 2), 0) << "step " << step;
    }
    if (step % 50 == 0 || model.size() < 20) {
      for (int i = 0; i < l.GetCount(); ++i) {
        ASSERT_EQ(l.StringView(i), model[static_cast<size_t>(i)].first) << "step " << step << " item " << i;
        ASSERT_EQ(l.GetObject(i), model[static_cast<size_t>(i)].second) << "step " << step << " item " << i;
      }
    }
  }
  std::wstring text;
  for (auto& [s, o] : model) text += s + L"\r\n";
  EXPECT_EQ(l.GetTextStr(), text);
}

}  // namespace
}  // namespace korv
