// The string-list rules: sorting, duplicates, text forms, names and values, change events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/Classes.h"

namespace korv {
namespace {

std::vector<std::string> Items(const TStrings& s) {
  std::vector<std::string> v;
  for (int i = 0; i < s.Count(); ++i) v.push_back(s.Get(i));
  return v;
}

using V = std::vector<std::string>;

TEST(TStringListTest, IndexErrorsShowTheBadIndexAndLeaveTheListAlone) {
  TStringList l;
  l.Add("a");
  try {
    (void)l.Get(1);
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (1)");
  }
  try {
    l.Insert(-1, "x");
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (-1)");
  }
  EXPECT_THROW(l.Delete(1), EStringListError);
  EXPECT_THROW(l.PutObject(3, nullptr), EStringListError);
  EXPECT_THROW(l.Exchange(0, 1), EStringListError);
  EXPECT_THROW(l.Insert(2, "x"), EListError);  // the family's base catches it too
  l.Insert(1, "b");                            // Insert at Count appends
  EXPECT_EQ(Items(l), (V{"a", "b"}));
}

TEST(TStringListTest, SortedListsFindInsertAndRefuseEdits) {
  TStringList l;
  l.Add("pear");
  l.Add("Apple");
  l.Add("banana");
  l.SetSorted(true);
  // Case-insensitive order by the platform's comparison.
  EXPECT_EQ(Items(l), (V{"Apple", "banana", "pear"}));
  EXPECT_EQ(l.Add("cherry"), 2);
  int idx = -1;
  EXPECT_TRUE(l.Find("APPLE", idx));
  EXPECT_EQ(idx, 0);
  EXPECT_FALSE(l.Find("zz", idx));
  EXPECT_EQ(idx, 4);
  EXPECT_EQ(l.IndexOf("PEAR"), 3);
  try {
    l.Insert(0, "x");
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "Operation not allowed on sorted list");
  }
  EXPECT_THROW(l.Put(0, "x"), EStringListError);
  EXPECT_EQ(l.Count(), 4);
}

TEST(TStringListTest, DuplicatesIgnoreAcceptError) {
  TStringList l;
  l.SetSorted(true);
  TStringList marker;  // any object
  l.Add("b");
  EXPECT_EQ(l.AddObject("B", &marker), 0);  // dupIgnore: existing index, object not stored
  EXPECT_EQ(l.Count(), 1);
  EXPECT_EQ(l.GetObject(0), nullptr);
  l.SetDuplicates(TDuplicates::dupError);
  try {
    l.Add("b");
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "String list does not allow duplicates");
  }
  l.SetDuplicates(TDuplicates::dupAccept);
  l.Add("a");
  l.Add("b");
  l.Add("c");
  EXPECT_EQ(Items(l), (V{"a", "b", "b", "c"}));
  int idx;
  EXPECT_TRUE(l.Find("b", idx));
  EXPECT_EQ(idx, 1);  // the first of equal items
}

TEST(TStringListTest, CaseSensitivityReordersASortedList) {
  TStringList l;
  l.SetSorted(true);
  l.SetDuplicates(TDuplicates::dupAccept);
  for (const char* s : {"b", "B", "a", "A", "c"}) l.Add(s);
  l.SetCaseSensitive(true);
  // Every item must be found again under the new comparison.
  for (int i = 0; i < l.Count(); ++i) {
    int idx;
    EXPECT_TRUE(l.Find(l.Get(i), idx)) << l.Get(i);
    EXPECT_EQ(l.Get(idx), l.Get(i));
  }
  for (int i = 1; i < l.Count(); ++i) EXPECT_LE(AnsiCompareStr(l.Get(i - 1), l.Get(i)), 0);
  EXPECT_EQ(l.IndexOf("a") >= 0 && l.IndexOf("A") >= 0 && l.IndexOf("a") != l.IndexOf("A"), true);
}

TEST(TStringListTest, SortMatchesThePlatformCompareOnManyItems) {
  TStringList l;
  unsigned seed = 12345;
  for (int i = 0; i < 2000; ++i) {
    seed = seed * 1103515245 + 12345;
    std::string s;
    for (int k = 0, n = 1 + (seed >> 16) % 6; k < n; ++k) {
      seed = seed * 1103515245 + 12345;
      s += "aAbB_-zZ09"[(seed >> 16) % 10];
    }
    l.AddObject(s, reinterpret_cast<TObject*>(static_cast<uintptr_t>(i + 1)));
  }
  std::vector<std::pair<std::string, TObject*>> before;
  for (int i = 0; i < l.Count(); ++i) before.emplace_back(l.Get(i), l.GetObject(i));
  l.Sort();
  ASSERT_EQ(l.Count(), 2000);
  for (int i = 1; i < l.Count(); ++i) ASSERT_LE(AnsiCompareText(l.Get(i - 1), l.Get(i)), 0) << i;
  // Objects travel with their strings.
  for (int i = 0; i < l.Count(); ++i) {
    auto idx = reinterpret_cast<uintptr_t>(l.GetObject(i)) - 1;
    EXPECT_EQ(before[idx].first, l.Get(i));
  }
  // An inconsistent comparison must not run off the list.
  l.CustomSort([](TStringList&, int, int) { return -1; });
  l.CustomSort([](TStringList&, int a, int b) { return (a ^ b) & 1 ? 1 : -1; });
  EXPECT_EQ(l.Count(), 2000);
}

TEST(TStringListTest, TextSplitsAtEveryLineBreakKind) {
  TStringList l;
  l.SetText("a\r\nb\nc\rd\r\n\r\ne");
  EXPECT_EQ(Items(l), (V{"a", "b", "c", "d", "", "e"}));
  EXPECT_EQ(l.Text(), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
  l.SetText("x\r\n");
  EXPECT_EQ(Items(l), (V{"x"}));
  l.SetText("");
  EXPECT_EQ(l.Count(), 0);
  EXPECT_EQ(l.Text(), "");
  l.SetText("\n\n");
  EXPECT_EQ(Items(l), (V{"", ""}));
}

TEST(TStringListTest, DelimitedAndCommaText) {
  TStringList l;
  l.Add("plain");
  l.Add("with space");
  l.Add("quo\"te");
  l.Add("");
  l.Add("a,b");
  EXPECT_EQ(l.CommaText(), "plain,\"with space\",\"quo\"\"te\",,\"a,b\"");
  TStringList back;
  back.SetCommaText(l.CommaText());
  EXPECT_EQ(Items(back), Items(l));

  back.SetCommaText("  a , b c,,\"d\"\"e\" ,");
  EXPECT_EQ(Items(back), (V{"a", "b", "c", "", "d\"e", ""}));
  back.SetCommaText("\"unterminated, rest");
  EXPECT_EQ(Items(back), (V{"unterminated, rest"}));
  back.SetCommaText("x\0y");
  EXPECT_EQ(Items(back), (V{"x"}));

  TStringList one;
  one.Add("");
  EXPECT_EQ(one.CommaText(), "\"\"");

  TStringList semi;
  semi.SetDelimiter(';');
  semi.SetQuoteChar('\'');
  semi.SetDelimitedText("a;'b;c';d");
  EXPECT_EQ(Items(semi), (V{"a", "b;c", "d"}));
  EXPECT_EQ(semi.DelimitedText(), "a;'b;c';d");
  EXPECT_EQ(semi.CommaText(), "a,b;c,d");
  EXPECT_EQ(semi.Delimiter(), ';');  // CommaText leaves the settings as they were
}

TEST(TStringListTest, NamesAndValues) {
  TStringList l;
  l.SetText("Key=Value\nnovalue\nEmpty=\nx=y=z");
  EXPECT_EQ(l.Names(0), "Key");
  EXPECT_EQ(l.Names(1), "");
  EXPECT_EQ(l.ValueFromIndex(1), "");
  EXPECT_EQ(l.Values("KEY"), "Value");
  EXPECT_EQ(l.Values("x"), "y=z");
  EXPECT_EQ(l.Values("missing"), "");
  EXPECT_EQ(l.IndexOfName("empty"), 2);
  l.SetValue("key", "New");
  EXPECT_EQ(l.Get(0), "key=New");
  l.SetValue("added", "1");
  EXPECT_EQ(l.Get(4), "added=1");
  l.SetValue("Key", "");
  EXPECT_EQ(l.IndexOfName("key"), -1);
  l.SetNameValueSeparator(':');
  l.Add("a:b");
  EXPECT_EQ(l.Values("A"), "b");
}

TEST(TStringListTest, ChangeEventsAreBracketedByUpdates) {
  struct Log {
    std::vector<std::string> Events;
    void Change(TObject*) { Events.push_back("change"); }
    void Changing(TObject*) { Events.push_back("changing"); }
  } log;
  TStringList l;
  l.OnChange = TNotifyEvent(&log, &Log::Change);
  l.OnChanging = TNotifyEvent(&log, &Log::Changing);
  l.Add("a");
  EXPECT_EQ(log.Events, (V{"changing", "change"}));
  log.Events.clear();
  l.BeginUpdate();
  l.Add("b");
  l.Delete(0);
  l.BeginUpdate();
  l.EndUpdate();
  EXPECT_EQ(log.Events, (V{"changing"}));
  l.EndUpdate();
  EXPECT_EQ(log.Events, (V{"changing", "change"}));
  log.Events.clear();
  l.SetText("x\ny");  // one bracket for the whole text
  EXPECT_EQ(log.Events, (V{"changing", "change"}));
  l.EndUpdate();  // unbalanced: ignored
  EXPECT_EQ(l.UpdateCount(), 0);
  l.Add("z");
  EXPECT_EQ(log.Events.size(), 4u);
}

// A change handler that throws, once or on every call.
struct TThrowingHandler {
  int Calls = 0;
  bool Always = false;
  void Change(TObject*) {
    if (Always || ++Calls == 1) throw EInvalidOperation("handler");
  }
};

TEST(TStringListTest, AChangeHandlerThatThrowsAtTheEndOfABracketReachesTheCaller) {
  TStringList source;
  source.SetText("a\nb\nc");
  TThrowingHandler handler;
  TStringList l;
  l.OnChange = TNotifyEvent(&handler, &TThrowingHandler::Change);
  // The bracket of AddStrings closes with the change event, which throws.
  EXPECT_THROW(l.AddStrings(source), EInvalidOperation);
  EXPECT_EQ(Items(l), (V{"a", "b", "c"}));
  EXPECT_EQ(l.UpdateCount(), 0);
  // The same from text and from another list.
  handler.Calls = 0;
  EXPECT_THROW(l.SetText("x"), EInvalidOperation);
  EXPECT_EQ(Items(l), (V{"x"}));
  handler.Calls = 0;
  EXPECT_THROW(l.Assign(&source), EInvalidOperation);
  EXPECT_EQ(Items(l), (V{"a", "b", "c"}));
  EXPECT_EQ(l.UpdateCount(), 0);
}

TEST(TStringListTest, ObjectsOwnershipMoveAndExchange) {
  TStringList l;
  l.SetOwnsObjects(true);
  l.AddObject("a", new TStringList);
  l.AddObject("b", new TStringList);
  l.AddObject("c", nullptr);
  l.Move(0, 2);
  EXPECT_EQ(Items(l), (V{"b", "c", "a"}));
  EXPECT_NE(l.GetObject(2), nullptr);
  l.Exchange(0, 1);
  EXPECT_EQ(Items(l), (V{"c", "b", "a"}));
  EXPECT_EQ(l.IndexOfObject(l.GetObject(1)), 1);
  l.Delete(1);  // frees its object (no leak under the checker)
  EXPECT_EQ(l.Count(), 2);
}

TEST(TStringListTest, AssignAndEquality) {
  TStringList a, b;
  a.SetText("one\ntwo");
  a.SetDelimiter(';');
  b.Add("old");
  b.Assign(&a);
  EXPECT_TRUE(b.Equals(a));
  EXPECT_EQ(b.Delimiter(), ';');
  b.AddStrings(b);  // adding a list to itself doubles it
  EXPECT_EQ(Items(b), (V{"one", "two", "one", "two"}));
  EXPECT_FALSE(b.Equals(a));
  TCollection coll(TCollectionItem::StaticClass());
  try {
    b.Assign(&coll);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TCollection to a TStringList");
  }
}

TEST(TStringListTest, FilesRoundTrip) {
  char path[MAX_PATH];
  GetTempFileNameA(GetTempDir().c_str(), "ksl", 0, path);
  TStringList l;
  l.SetText("first\nsecond\n\nlast");
  l.SaveToFile(path);
  EXPECT_EQ(FileSizeOf(path), static_cast<int64_t>(l.Text().size()));
  TStringList r;
  r.LoadFromFile(path);
  EXPECT_TRUE(r.Equals(l));
  DeleteFile(path);
  EXPECT_THROW(r.LoadFromFile(path), EFOpenError);
  EXPECT_TRUE(r.Equals(l));
}

}  // namespace
}  // namespace korv
