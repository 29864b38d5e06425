#include "shell/unicode/TntClasses.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#include "shell/unicode/TntSysUtils.h"

namespace korv {

KORV_DEFINE_CLASS(TTntStrings, TWideStrings, nullptr, nullptr);
KORV_DEFINE_CLASS(TTntStringList, TTntStrings, nullptr, nullptr);
KORV_DEFINE_CLASS(TFileNames, TTntStringList, nullptr, nullptr);
KORV_DEFINE_CLASS(TAnsiStrings, TStrings, nullptr, nullptr);
KORV_DEFINE_CLASS(TAnsiStringsForWideStringsAdapter, TAnsiStrings, nullptr, nullptr);
KORV_DEFINE_CLASS(TTntFileStream, THandleStream, nullptr, nullptr);

namespace {

template <class T>
std::unique_ptr<T[]> AllocBuffer(size_t count) {
  try {
    return std::unique_ptr<T[]>(new T[count > 0 ? count : 1]);
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory(Format("Out of memory loading %d bytes", static_cast<int64_t>(count * sizeof(T))));
  }
}

// Swaps big-endian code units up to the first NUL (the rest of the text is cut off there anyway).
void SwapUntilNul(wchar_t* p, size_t count) noexcept {
  for (size_t i = 0; i < count; ++i) {
    if (p[i] == 0) break;
    p[i] = static_cast<wchar_t>(((p[i] & 0xFF) << 8) | ((p[i] >> 8) & 0xFF));
  }
}

void SkipBytes(TStream& stream, size_t count) {
  if (count > 0) stream.Seek(static_cast<int64_t>(count), soCurrent);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Character sets

TCharSetMark DetectCharSet(const void* data, size_t size) noexcept {
  const auto* b = static_cast<const unsigned char*>(data);
  if (!b || size < 2) return {scAnsi, 0};
  if (b[0] == 0xFF && b[1] == 0xFE) return {scUtf16, 2};
  if (b[0] == 0xFE && b[1] == 0xFF) return {scUtf16Swapped, 2};
  if (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) return {scUtf8, 3};
  return {scAnsi, 0};
}

std::wstring DecodeText(const void* data, size_t size, TStreamCharSet charSet) {
  const auto* b = static_cast<const char*>(data);
  if (!b || size == 0) return {};
  switch (charSet) {
    case scUtf16:
    case scUtf16Swapped: {
      const size_t units = size / 2;
      std::wstring text(units, L'\0');
      if (units > 0) std::memcpy(text.data(), b, units * 2);
      if (charSet == scUtf16Swapped) SwapUntilNul(text.data(), units);
      return text;
    }
    case scUtf8:
      return AnsiToWideCP(std::string_view(b, size), CP_UTF8);
    case scAnsi:
    default:
      return AnsiToWideCP(std::string_view(b, size), CP_ACP);
  }
}

TStreamCharSet DetectStreamCharSet(TStream& stream) {
  const int64_t pos = stream.Position();
  const int64_t size = stream.Size();
  const size_t avail = size > pos ? static_cast<size_t>(std::min<int64_t>(size - pos, 3)) : 0;
  unsigned char head[3] = {};
  if (avail > 0) ReadExact(stream, head, avail);
  const TCharSetMark mark = DetectCharSet(head, avail);
  stream.Seek(pos + static_cast<int64_t>(mark.MarkLength), soBeginning);
  return mark.CharSet;
}

// ---------------------------------------------------------------------------------------------
// TTntStrings

TTntStrings::TTntStrings() : FAnsiStrings(std::make_unique<TAnsiStringsForWideStringsAdapter>(this, 0)) {}

TTntStrings::~TTntStrings() = default;

TAnsiStrings* TTntStrings::AnsiStrings() const noexcept { return FAnsiStrings.get(); }

void TTntStrings::SetAnsiStrings(const TStrings* value) {
  if (FAnsiStrings) FAnsiStrings->Assign(value);
}

void TTntStrings::FreeAnsiStrings() noexcept { FAnsiStrings.reset(); }

void TTntStrings::LoadFromFile(const std::wstring& fileName) {
  TTntFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  FFileCharSet = DetectStreamCharSet(stream);
  stream.SetPosition(0);
  LoadFromStream(stream);
}

void TTntStrings::SaveToFile(const std::wstring& fileName) const {
  TTntFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

void TTntStrings::LoadFromStreamMarked(TStream& stream, bool detectMark) {
  TUpdateGuard guard(*this);
  const TStreamCharSet charSet = detectMark ? DetectStreamCharSet(stream) : scUtf16;
  const size_t n = RemainingBytes(stream);
  switch (charSet) {
    case scUtf16:
    case scUtf16Swapped: {
      if (n < 2) {
        SkipBytes(stream, n);
        SetTextStr({});
        return;
      }
      // Read straight into the code-unit buffer: 2 x (n div 2) bytes, the odd byte dropped.
      const size_t units = n / 2;
      auto buf = AllocBuffer<wchar_t>(units);
      ReadExact(stream, buf.get(), units * 2);
      SkipBytes(stream, n % 2);
      if (charSet == scUtf16Swapped) SwapUntilNul(buf.get(), units);
      SetTextStr(std::wstring_view(buf.get(), units));
      return;
    }
    case scAnsi:
    case scUtf8:
    default: {
      auto buf = AllocBuffer<char>(n);
      ReadExact(stream, buf.get(), n);
      SetTextStr(AnsiToWideCP(std::string_view(buf.get(), n), charSet == scUtf8 ? CP_UTF8 : CP_ACP));
      return;
    }
  }
}

void TTntStrings::SaveToStreamMarked(TStream& stream, bool writeMark) const {
  if (writeMark) {
    static constexpr unsigned char kMark[2] = {0xFF, 0xFE};
    WriteExact(stream, kMark, 2);
  }
  WriteTextTo(stream);
}

// ---------------------------------------------------------------------------------------------
// TTntStringList

TTntStringList::~TTntStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  FreeAnsiStrings();
}

void TTntStringList::Error(const TResStringRec& message, int data) const {
  throw EStringListError(Format(WideToAnsiCP(WideLoadResString(&message), CP_ACP), data));
}

void TTntStringList::CheckIndex(int index) const {
  if (index < 0 || index >= GetCount()) Error(SListIndexError, index);
}

void TTntStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TTntStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TTntStringList::SetUpdateState(bool updating) {
  FUpdating = updating;
  if (updating)
    Changing();
  else
    Changed();
}

std::wstring TTntStringList::Get(int index) const {
  CheckIndex(index);
  return FList[static_cast<size_t>(index)].S;
}

const std::wstring& TTntStringList::StringRef(int index) const {
  CheckIndex(index);
  return FList[static_cast<size_t>(index)].S;
}

TObject* TTntStringList::GetObject(int index) const {
  CheckIndex(index);
  return FList[static_cast<size_t>(index)].Obj;
}

void TTntStringList::Put(int index, const std::wstring& s) {
  if (FSorted) Error(SSortedListError, 0);
  CheckIndex(index);
  std::wstring copy(s);  // made before Changing, so a failure leaves no half change
  Changing();
  FList[static_cast<size_t>(index)].S.swap(copy);
  Changed();
}

void TTntStringList::PutObject(int index, TObject* obj) {
  CheckIndex(index);
  Changing();
  FList[static_cast<size_t>(index)].Obj = obj;
  Changed();
}

int TTntStringList::Add(const std::wstring& s) { return AddObject(s, nullptr); }

int TTntStringList::AddObject(const std::wstring& s, TObject* obj) {
  int index = GetCount();
  if (FSorted && Find(s, index)) {
    switch (FDuplicates) {
      case IgnoreDuplicates:
        return index;
      case RejectDuplicates:
        Error(SDuplicateString, 0);
      case AcceptDuplicates:
        break;
    }
  }
  InsertItem(index, s, obj);
  return index;
}

void TTntStringList::Insert(int index, const std::wstring& s) { InsertObject(index, s, nullptr); }

void TTntStringList::InsertObject(int index, const std::wstring& s, TObject* obj) {
  if (FSorted) Error(SSortedListError, 0);
  if (index < 0 || index > GetCount()) Error(SListIndexError, index);
  InsertItem(index, s, obj);
}

void TTntStringList::Grow() noexcept {
  const int delta = FCapacity > 64 ? FCapacity / 4 : FCapacity > 8 ? 16 : 4;
  FCapacity += delta;
}

void TTntStringList::InsertItem(int index, const std::wstring& s, TObject* obj) {
  TItem item{s, obj};
  Changing();
  if (GetCount() == FCapacity) Grow();
  FList.insert(FList.begin() + index, std::move(item));
  Changed();
}

void TTntStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  FList.erase(FList.begin() + index);
  Changed();
}

void TTntStringList::Clear() {
  if (FList.empty()) return;
  Changing();
  std::vector<TItem>().swap(FList);
  FCapacity = 0;
  Changed();
}

void TTntStringList::Exchange(int a, int b) {
  CheckIndex(a);
  CheckIndex(b);
  Changing();
  std::swap(FList[static_cast<size_t>(a)], FList[static_cast<size_t>(b)]);
  Changed();
}

void TTntStringList::SetCapacity(int n) {
  if (n < GetCount()) Error(SListCapacityError, n);
  try {
    if (static_cast<size_t>(n) > FList.capacity()) FList.reserve(static_cast<size_t>(n));
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory(Format("Out of memory for a list capacity of %d", n));
  } catch (const std::length_error&) {
    throw EOutOfMemory(Format("Out of memory for a list capacity of %d", n));
  }
  FCapacity = n;
}

int TTntStringList::CompareStrings(std::wstring_view a, std::wstring_view b) const {
  return FCaseSensitive ? WideCompareStr(a, b) : WideCompareText(a, b);
}

bool TTntStringList::Find(std::wstring_view s, int& index) const {
  bool found = false;
  int low = 0, high = GetCount() - 1;
  while (low <= high) {
    const int mid = static_cast<int>(static_cast<unsigned>(low + high) >> 1);
    const int c = CompareStrings(FList[static_cast<size_t>(mid)].S, s);
    if (c < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (c == 0) {
        found = true;
        if (FDuplicates != AcceptDuplicates) low = mid;
      }
    }
  }
  index = low;
  return found;
}

int TTntStringList::IndexOf(std::wstring_view s) const {
  if (!FSorted) return TTntStrings::IndexOf(s);
  int index;
  return Find(s, index) ? index : -1;
}

int TTntStringList::IndexOfName(std::wstring_view name) const {
  if (!FSorted) return TTntStrings::IndexOfName(name);
  std::wstring key(name);
  key += NameValueSeparator();
  int index;
  Find(key, index);
  if (index >= 0 && index < GetCount()) {
    const std::wstring_view item = FList[static_cast<size_t>(index)].S;
    if (CompareStrings(item.substr(0, key.size()), key) == 0) return index;
  }
  return -1;
}

int TTntStringList::CompareItems(TTntStringList& list, int a, int b) {
  return list.CompareStrings(list.FList[static_cast<size_t>(a)].S, list.FList[static_cast<size_t>(b)].S);
}

void TTntStringList::Sort() { CustomSort(&CompareItems); }

void TTntStringList::CustomSort(TWideStringListSortCompare compare) {
  if (FSorted || GetCount() < 2 || !compare) return;
  Changing();
  QuickSort(0, GetCount() - 1, compare);
  Changed();
}

void TTntStringList::QuickSort(int l, int r, TWideStringListSortCompare compare) {
  // The two parts left after a partition are independent, so the smaller one is sorted by
  // recursion and the larger one by the loop: the result is the same, the depth logarithmic.
  while (l < r) {
    int i = l, j = r, p = static_cast<int>(static_cast<unsigned>(l + r) >> 1);
    do {
      while (compare(*this, i, p) < 0) ++i;
      while (compare(*this, j, p) > 0) --j;
      if (i <= j) {
        if (i != j) std::swap(FList[static_cast<size_t>(i)], FList[static_cast<size_t>(j)]);
        if (p == i)
          p = j;
        else if (p == j)
          p = i;
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - l < r - i) {
      if (l < j) QuickSort(l, j, compare);
      l = i;
    } else {
      if (i < r) QuickSort(i, r, compare);
      r = j;
    }
  }
}

void TTntStringList::SetSorted(bool value) {
  if (FSorted == value) return;
  if (value) Sort();
  FSorted = value;
}

void TTntStringList::SetCaseSensitive(bool value) {
  if (FCaseSensitive == value) return;
  FCaseSensitive = value;
  if (FSorted && GetCount() > 1) {
    Changing();
    QuickSort(0, GetCount() - 1, &CompareItems);
    Changed();
  }
}

std::wstring TTntStringList::GetTextStr() const {
  size_t total = 0;
  for (const TItem& item : FList) total += item.S.size() + 2;
  std::wstring text;
  text.reserve(total);
  for (const TItem& item : FList) {
    text += item.S;
    text += L"\r\n";
  }
  return text;
}

void TTntStringList::SetTextStr(std::wstring_view text) {
  if (FSorted) {  // every line goes through Find and the duplicates rule
    TTntStrings::SetTextStr(text);
    return;
  }
  TUpdateGuard guard(*this);
  Clear();
  // Same outcome as adding line after line; the growth rule is kept for Capacity.
  SplitWideLines(text, [&](std::wstring_view line) {
    Changing();
    if (GetCount() == FCapacity) Grow();
    FList.push_back(TItem{std::wstring(line), nullptr});
    Changed();
  });
}

void TTntStringList::WriteTextTo(TStream& stream) const {
  // Gathers lines into a small buffer that stays in cache and writes it in large blocks.
  constexpr size_t kBufferUnits = 64 * 1024;
  std::unique_ptr<wchar_t[]> buf(new wchar_t[kBufferUnits]);
  size_t used = 0;
  auto flush = [&] {
    WriteExact(stream, buf.get(), used * sizeof(wchar_t));
    used = 0;
  };
  for (const TItem& item : FList) {
    const size_t len = item.S.size();
    if (used + len + 2 > kBufferUnits) {
      flush();
      if (len + 2 > kBufferUnits) {  // a line longer than the buffer goes out directly
        WriteExact(stream, item.S.data(), len * sizeof(wchar_t));
        buf[used++] = L'\r';
        buf[used++] = L'\n';
        continue;
      }
    }
    std::memcpy(buf.get() + used, item.S.data(), len * sizeof(wchar_t));
    used += len;
    buf[used++] = L'\r';
    buf[used++] = L'\n';
  }
  if (used > 0) flush();
}

// ---------------------------------------------------------------------------------------------
// 8-bit adapter

UINT TAnsiStringsForWideStringsAdapter::GetAdapterCodePage() const noexcept {
  return FAdapterCodePage == 0 ? DefaultCodePage : FAdapterCodePage;
}

std::string TAnsiStringsForWideStringsAdapter::Get(int index) const {
  return WideToAnsiCP(FWideStrings->Get(index), GetAdapterCodePage());
}

void TAnsiStringsForWideStringsAdapter::Put(int index, const std::string& s) {
  FWideStrings->Put(index, AnsiToWideCP(s, GetAdapterCodePage()));
}

void TAnsiStringsForWideStringsAdapter::Insert(int index, const std::string& s) {
  FWideStrings->Insert(index, AnsiToWideCP(s, GetAdapterCodePage()));
}

void TAnsiStringsForWideStringsAdapter::SetUpdateState(bool updating) {
  if (updating)
    FWideStrings->BeginUpdate();
  else
    FWideStrings->EndUpdate();
}

void TAnsiStringsForWideStringsAdapter::LoadFromStreamCodePage(TStream& stream, UINT codePage) {
  BeginUpdate();
  try {
    const size_t n = RemainingBytes(stream);
    auto buf = AllocBuffer<char>(n);
    ReadExact(stream, buf.get(), n);
    FWideStrings->SetTextStr(AnsiToWideCP(std::string_view(buf.get(), n), codePage));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TAnsiStringsForWideStringsAdapter::SaveToStreamCodePage(TStream& stream, UINT codePage) const {
  const std::string bytes = WideToAnsiCP(FWideStrings->GetTextStr(), codePage);
  WriteExact(stream, bytes.data(), bytes.size());
}

// ---------------------------------------------------------------------------------------------
// TTntFileStream

namespace {

HANDLE OpenFileOrRaise(const std::wstring& fileName, uint32_t mode) {
  const bool create = mode == fmCreate;
  HANDLE h = create ? WideFileCreate(fileName) : WideFileOpen(fileName, mode);
  if (h != INVALID_HANDLE_VALUE) return h;
  const DWORD code = GetLastError();  // before anything else can change it
  const std::string path = WideToAnsiCP(WideExpandFileName(fileName), CP_ACP);
  const std::string reason = WideToAnsiCP(WideSysErrorMessage(code), CP_ACP);
  if (create) throw EFCreateError(Format("Cannot create file \"%s\". %s", path, reason));
  throw EFOpenError(Format("Cannot open file \"%s\". %s", path, reason));
}

}  // namespace

TTntFileStream::TTntFileStream(const std::wstring& fileName, uint32_t mode)
    : THandleStream(OpenFileOrRaise(fileName, mode)) {}

TTntFileStream::~TTntFileStream() {
  if (FHandle != INVALID_HANDLE_VALUE && FHandle != nullptr) CloseHandle(FHandle);
}

}  // namespace korv
