// TStrings and TStringList.
#include <algorithm>
#include <utility>

#include "classlib/Classes.h"

namespace korv {

KORV_DEFINE_CLASS(TStrings, TPersistent, nullptr, nullptr);
KORV_DEFINE_CLASS(
    TStringList, TStrings, [](TObject*) -> TObject* { return new TStringList; }, nullptr);

namespace {
constexpr const char* kIndexError = "List index out of bounds (%d)";
constexpr const char* kSortedError = "Operation not allowed on sorted list";
constexpr const char* kDuplicateError = "String list does not allow duplicates";
}  // namespace

// ---------------------------------------------------------------------------------------------
// TStrings

void TStrings::Error(const char* fmt, int data) const { throw EStringListError(Format(fmt, data)); }

void TStrings::Put(int index, const std::string& s) {
  TUpdateScope scope(*this);
  TObject* obj = GetObject(index);
  Delete(index);
  InsertObject(index, s, obj);
}

TObject* TStrings::GetObject(int index) const {
  (void)index;
  return nullptr;
}

void TStrings::PutObject(int index, TObject* obj) {
  (void)index;
  (void)obj;
}

int TStrings::Add(const std::string& s) {
  int i = Count();
  Insert(i, s);
  return i;
}

int TStrings::AddObject(const std::string& s, TObject* obj) {
  int i = Add(s);
  PutObject(i, obj);
  return i;
}

void TStrings::InsertObject(int index, const std::string& s, TObject* obj) {
  TUpdateScope scope(*this);
  Insert(index, s);
  PutObject(index, obj);
}

void TStrings::AddStrings(const TStrings& other) {
  // Copy first: other may be this list.
  std::vector<std::pair<std::string, TObject*>> items;
  items.reserve(static_cast<size_t>(other.Count()));
  for (int i = 0; i < other.Count(); ++i) items.emplace_back(other.Get(i), other.GetObject(i));
  TUpdateScope scope(*this);
  for (auto& [s, obj] : items) AddObject(s, obj);
}

void TStrings::Exchange(int a, int b) {
  TUpdateScope scope(*this);
  std::string sa = Get(a), sb = Get(b);
  TObject* oa = GetObject(a);
  TObject* ob = GetObject(b);
  Put(a, sb);
  Put(b, sa);
  PutObject(a, ob);
  PutObject(b, oa);
}

void TStrings::Move(int cur, int dest) {
  if (cur == dest) return;
  TUpdateScope scope(*this);
  std::string s = Get(cur);
  TObject* obj = GetObject(cur);
  Delete(cur);
  InsertObject(dest, s, obj);
}

int TStrings::IndexOf(std::string_view s) const {
  for (int i = 0, n = Count(); i < n; ++i)
    if (CompareStrings(Get(i), s) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(std::string_view name) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    std::string s = Get(i);
    size_t p = s.find(FNameValueSeparator);
    if (p != std::string::npos && CompareStrings(std::string_view(s).substr(0, p), name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* obj) const {
  for (int i = 0, n = Count(); i < n; ++i)
    if (GetObject(i) == obj) return i;
  return -1;
}

bool TStrings::Equals(const TStrings& other) const {
  int n = Count();
  if (n != other.Count()) return false;
  for (int i = 0; i < n; ++i)
    if (Get(i) != other.Get(i)) return false;
  return true;
}

std::string TStrings::Text() const {
  std::string r;
  for (int i = 0, n = Count(); i < n; ++i) {
    r += Get(i);
    r += "\r\n";
  }
  return r;
}

void TStrings::SetText(std::string_view text) {
  TUpdateScope scope(*this);
  Clear();
  size_t i = 0, n = text.size();
  while (i < n) {
    size_t start = i;
    while (i < n && text[i] != '\r' && text[i] != '\n') ++i;
    Add(std::string(text.substr(start, i - start)));
    if (i < n && text[i] == '\r') ++i;
    if (i < n && text[i] == '\n') ++i;
  }
}

std::string TStrings::DelimitedText() const {
  int n = Count();
  if (n == 1 && Get(0).empty()) return std::string(2, FQuoteChar);
  std::string r;
  for (int i = 0; i < n; ++i) {
    std::string s = Get(i);
    bool quote = false;
    for (char c : s)
      if (static_cast<unsigned char>(c) <= ' ' || c == FQuoteChar || c == FDelimiter) {
        quote = true;
        break;
      }
    if (i > 0) r += FDelimiter;
    if (quote) {
      r += FQuoteChar;
      for (char c : s) {
        r += c;
        if (c == FQuoteChar) r += c;
      }
      r += FQuoteChar;
    } else {
      r += s;
    }
  }
  return r;
}

void TStrings::SetDelimitedText(std::string_view text) {
  text = text.substr(0, text.find('\0'));  // the text ends at a zero character
  TUpdateScope scope(*this);
  Clear();
  size_t i = 0, n = text.size();
  auto blank = [&](size_t k) { return k < n && static_cast<unsigned char>(text[k]) <= ' '; };
  while (blank(i)) ++i;
  while (i < n) {
    std::string s;
    if (text[i] == FQuoteChar) {
      // Quoted item: a doubled quote stands for one; a missing closing quote takes the rest.
      ++i;
      while (i < n) {
        if (text[i] == FQuoteChar) {
          if (i + 1 < n && text[i + 1] == FQuoteChar) {
            s += FQuoteChar;
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        s += text[i++];
      }
    } else {
      size_t start = i;
      while (i<n&& static_cast<unsigned char>(text[i])> ' ' && text[i] != FDelimiter) ++i;
      s.assign(text.substr(start, i - start));
    }
    Add(s);
    while (blank(i)) ++i;
    if (i < n && text[i] == FDelimiter) {
      if (i + 1 == n) Add("");
      ++i;
      while (blank(i)) ++i;
    }
  }
}

std::string TStrings::CommaText() const {
  auto* self = const_cast<TStrings*>(this);
  char d = FDelimiter, q = FQuoteChar;
  self->FDelimiter = ',';
  self->FQuoteChar = '"';
  std::string r;
  try {
    r = DelimitedText();
  } catch (...) {
    self->FDelimiter = d;
    self->FQuoteChar = q;
    throw;
  }
  self->FDelimiter = d;
  self->FQuoteChar = q;
  return r;
}

void TStrings::SetCommaText(std::string_view text) {
  char d = FDelimiter, q = FQuoteChar;
  FDelimiter = ',';
  FQuoteChar = '"';
  try {
    SetDelimitedText(text);
  } catch (...) {
    FDelimiter = d;
    FQuoteChar = q;
    throw;
  }
  FDelimiter = d;
  FQuoteChar = q;
}

std::string TStrings::Names(int index) const {
  std::string s = Get(index);
  size_t p = s.find(FNameValueSeparator);
  return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStrings::ValueFromIndex(int index) const {
  std::string s = Get(index);
  size_t p = s.find(FNameValueSeparator);
  return p == std::string::npos ? std::string() : s.substr(p + 1);
}

std::string TStrings::Values(std::string_view name) const {
  int i = IndexOfName(name);
  return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValue(std::string_view name, const std::string& value) {
  int i = IndexOfName(name);
  if (!value.empty()) {
    std::string line = std::string(name) + FNameValueSeparator + value;
    if (i < 0)
      Add(line);
    else
      Put(i, line);
  } else if (i >= 0) {
    Delete(i);
  }
}

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  if (FUpdateCount <= 0) return;
  if (--FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::LoadFromStream(TStream& stream) {
  int64_t size = stream.Size() - stream.Position();
  if (size < 0 || size > INT32_MAX) throw EReadError("Stream read error");
  std::string s(static_cast<size_t>(size), '\0');
  stream.ReadBuffer(s.data(), static_cast<int32_t>(size));
  SetText(s);
}

void TStrings::SaveToStream(TStream& stream) const {
  std::string s = Text();
  stream.WriteBuffer(s.data(), static_cast<int32_t>(s.size()));
}

void TStrings::LoadFromFile(const std::string& fileName) {
  TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

void TStrings::SaveToFile(const std::string& fileName) const {
  TFileStream f(fileName, fmCreate);
  SaveToStream(f);
}

void TStrings::Assign(const TPersistent* source) {
  if (source && source->InheritsFrom(TStrings::StaticClass())) {
    auto* other = static_cast<const TStrings*>(source);
    if (other == this) return;
    TUpdateScope scope(*this);
    Clear();
    FDelimiter = other->FDelimiter;
    FQuoteChar = other->FQuoteChar;
    FNameValueSeparator = other->FNameValueSeparator;
    AddStrings(*other);
    return;
  }
  TPersistent::Assign(source);
}

int TStrings::CompareStrings(std::string_view a, std::string_view b) const { return AnsiCompareText(a, b); }

// ---------------------------------------------------------------------------------------------
// TStringList

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (FOwnsObjects)
    for (Item& it : FList) delete std::exchange(it.Obj, nullptr);
}

std::string TStringList::Get(int index) const { return StringRef(index); }

const std::string& TStringList::StringRef(int index) const {
  if (index < 0 || index >= Count()) Error(kIndexError, index);
  return FList[static_cast<size_t>(index)].S;
}

void TStringList::Put(int index, const std::string& s) {
  if (FSorted) Error(kSortedError, 0);
  if (index < 0 || index >= Count()) Error(kIndexError, index);
  Changing();
  FList[static_cast<size_t>(index)].S = s;
  Changed();
}

TObject* TStringList::GetObject(int index) const {
  if (index < 0 || index >= Count()) Error(kIndexError, index);
  return FList[static_cast<size_t>(index)].Obj;
}

void TStringList::PutObject(int index, TObject* obj) {
  if (index < 0 || index >= Count()) Error(kIndexError, index);
  Changing();
  FList[static_cast<size_t>(index)].Obj = obj;
  Changed();
}

int TStringList::Add(const std::string& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const std::string& s, TObject* obj) {
  int index;
  if (!FSorted) {
    index = Count();
  } else if (Find(s, index)) {
    switch (FDuplicates) {
      case TDuplicates::dupIgnore:
        return index;
      case TDuplicates::dupError:
        Error(kDuplicateError, 0);
      case TDuplicates::dupAccept:
        break;
    }
  }
  InsertItem(index, s, obj);
  return index;
}

void TStringList::Insert(int index, const std::string& s) {
  if (FSorted) Error(kSortedError, 0);
  if (index < 0 || index > Count()) Error(kIndexError, index);
  InsertItem(index, s, nullptr);
}

void TStringList::InsertItem(int index, const std::string& s, TObject* obj) {
  Changing();
  FList.insert(FList.begin() + index, Item{s, obj});
  Changed();
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) Error(kIndexError, index);
  Changing();
  TObject* obj = FList[static_cast<size_t>(index)].Obj;
  FList.erase(FList.begin() + index);
  if (FOwnsObjects) delete obj;
  Changed();
}

void TStringList::Clear() {
  if (FList.empty()) return;
  Changing();
  std::vector<Item> old;
  old.swap(FList);
  if (FOwnsObjects)
    for (Item& it : old) delete it.Obj;
  Changed();
}

void TStringList::Exchange(int a, int b) {
  if (a < 0 || a >= Count()) Error(kIndexError, a);
  if (b < 0 || b >= Count()) Error(kIndexError, b);
  Changing();
  std::swap(FList[static_cast<size_t>(a)], FList[static_cast<size_t>(b)]);
  Changed();
}

void TStringList::Move(int cur, int dest) {
  if (cur == dest) return;
  if (cur < 0 || cur >= Count()) Error(kIndexError, cur);
  if (dest < 0 || dest >= Count()) Error(kIndexError, dest);
  if (FSorted) Error(kSortedError, 0);
  Changing();
  Item item = std::move(FList[static_cast<size_t>(cur)]);
  FList.erase(FList.begin() + cur);
  FList.insert(FList.begin() + dest, std::move(item));
  Changed();
}

int TStringList::IndexOf(std::string_view s) const {
  if (!FSorted) return TStrings::IndexOf(s);
  int index;
  return Find(s, index) ? index : -1;
}

bool TStringList::Find(std::string_view s, int& index) const {
  bool found = false;
  int lo = 0, hi = Count() - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    int c = CompareStrings(FList[static_cast<size_t>(mid)].S, s);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        if (FDuplicates != TDuplicates::dupAccept) lo = mid;
      }
    }
  }
  index = lo;
  return found;
}

void TStringList::Sort() {
  CustomSort([](TStringList& list, int a, int b) {
    return list.CompareStrings(list.FList[static_cast<size_t>(a)].S, list.FList[static_cast<size_t>(b)].S);
  });
}

void TStringList::CustomSort(TStringListSortCompare compare) {
  if (FSorted || Count() < 2 || !compare) return;
  Changing();
  QuickSort(0, Count() - 1, compare);
  Changed();
}

void TStringList::QuickSort(int l, int r, TStringListSortCompare compare) {
  QuickSortPositions(
      l, r, [&](int a, int b) { return compare(*this, a, b); },
      [this](int a, int b) { std::swap(FList[static_cast<size_t>(a)], FList[static_cast<size_t>(b)]); });
}

void TStringList::SetSorted(bool v) {
  if (v == FSorted) return;
  if (v) Sort();
  FSorted = v;
}

void TStringList::SetCaseSensitive(bool v) {
  if (v == FCaseSensitive) return;
  FCaseSensitive = v;
  // A sorted list must be re-ordered by the new comparison, or Find would miss items.
  if (FSorted) {
    FSorted = false;
    try {
      Sort();
    } catch (...) {
      FSorted = true;
      throw;
    }
    FSorted = true;
  }
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
  return FCaseSensitive ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

}  // namespace korv
