#include "shell/unicode/TntClasses.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#include "classlib/Streaming.h"
#include "shell/unicode/TntSysUtils.h"

namespace korv {

// The 8-bit view is published but never written: the items travel as "Strings".
const TPropInfo kTntStringsProps[] = {
    KORV_PROP_STORED(KORV_PROP_OBJECT(TTntStrings, AnsiStrings), TTntStrings, IsAnsiStringsStored),
};
KORV_DEFINE_PROPS(TTntStrings, kTntStringsProps);

KORV_DEFINE_CLASS(TTntStrings, TWideStrings, nullptr, &TTntStrings_PropTable);
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

void TTntStrings::DefineProperties(TFiler* filer) {
  inherited::DefineProperties(filer);
  filer->DefineProperty(
      "WideStrings", [this](TReader& reader) { ReadData(reader); }, nullptr, false);
  filer->DefineProperty(
      "WideStringsW",
      [this](TReader& reader) {
        reader.ReadListBegin();
        if (GetCount() == 0) {
          TUpdateGuard guard(*this);
          Clear();
          while (!reader.EndOfList()) Add(AnsiToWideCP(reader.ReadString(), CP_UTF8));
        } else {
          while (!reader.EndOfList()) reader.SkipValue();
        }
        reader.ReadListEnd();
      },
      nullptr, false);
  filer->DefineProperty(
      "WideStrings_UTF7",
      [](TReader& reader) {
        reader.ReadListBegin();
        while (!reader.EndOfList()) reader.SkipValue();
        reader.ReadListEnd();
      },
      nullptr, false);
}

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
      SetTextBuffer(std::move(buf), units);
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
// TTntStringList: storage

namespace {

constexpr size_t kChunkUnits = 32 * 1024;       // room of a chunk for short strings
constexpr size_t kCompactMinUnits = 64 * 1024;  // dead space below this is never compacted

}  // namespace

TTntStringList::TItem TTntStringList::Store(std::wstring_view s) {
  if (s.empty()) return {};
  TChunk* chunk = FTail;
  if (!chunk || chunk->Capacity - chunk->Used < s.size()) {
    // Long strings get a chunk of their own; short ones start a new shared chunk.
    const bool own = s.size() > kChunkUnits / 4;
    auto fresh = std::make_unique<TChunk>();
    fresh->Capacity = own ? s.size() : kChunkUnits;
    try {
      fresh->Data.reset(new wchar_t[fresh->Capacity]);
      FChunks.push_back(std::move(fresh));
    } catch (const std::bad_alloc&) {
      throw EOutOfMemory("Out of memory");
    }
    chunk = FChunks.back().get();
    if (!own) FTail = chunk;
  }
  wchar_t* p = chunk->Data.get() + chunk->Used;
  std::memcpy(p, s.data(), s.size() * sizeof(wchar_t));
  chunk->Used += s.size();
  chunk->Live += s.size();
  FUsedUnits += s.size();
  return TItem{p, s.size(), chunk, nullptr};
}

void TTntStringList::FreeChunk(TChunk* chunk) noexcept {
  FUsedUnits -= chunk->Used;
  FDeadUnits -= chunk->Used;
  if (chunk == FTail) {  // keep the tail for the next strings
    chunk->Used = 0;
    return;
  }
  for (auto it = FChunks.begin(); it != FChunks.end(); ++it)
    if (it->get() == chunk) {
      FChunks.erase(it);
      return;
    }
}

void TTntStringList::Release(const TItem& item) noexcept {
  if (!item.Chunk) return;
  item.Chunk->Live -= item.Len;
  FDeadUnits += item.Len;
  if (item.Chunk->Live == 0) FreeChunk(item.Chunk);
}

void TTntStringList::MaybeCompact() {
  if (FDeadUnits < kCompactMinUnits || FDeadUnits <= FUsedUnits - FDeadUnits) return;
  const size_t live = FUsedUnits - FDeadUnits;
  auto chunk = std::make_unique<TChunk>();
  try {
    chunk->Data.reset(new wchar_t[live > 0 ? live : 1]);
  } catch (const std::bad_alloc&) {
    return;  // compaction only saves memory; without room for it the list stays as it is
  }
  chunk->Capacity = live;
  for (TItem& item : FList) {
    if (!item.Chunk) continue;
    wchar_t* p = chunk->Data.get() + chunk->Used;
    std::memcpy(p, item.P, item.Len * sizeof(wchar_t));
    chunk->Used += item.Len;
    item.P = p;
    item.Chunk = chunk.get();
  }
  chunk->Live = chunk->Used;
  FChunks.clear();
  FTail = nullptr;
  FUsedUnits = chunk->Used;
  FDeadUnits = 0;
  if (chunk->Used > 0) FChunks.push_back(std::move(chunk));
}

void TTntStringList::ClearStorage() noexcept {
  std::vector<TItem>().swap(FList);
  FChunks.clear();
  FTail = nullptr;
  FUsedUnits = 0;
  FDeadUnits = 0;
}

void TTntStringList::AdoptText(std::unique_ptr<wchar_t[]> buffer, size_t units) {
  // The lines stay where they are: the buffer becomes a chunk and every item a slice of it.
  auto chunk = std::make_unique<TChunk>();
  chunk->Data = std::move(buffer);
  chunk->Capacity = units;
  chunk->Used = units;
  TChunk* c = chunk.get();
  try {
    FChunks.push_back(std::move(chunk));
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory");
  }
  FUsedUnits += units;
  FDeadUnits += units;  // until lines claim it
  try {
    SplitWideLines(std::wstring_view(c->Data.get(), units), [&](std::wstring_view line) {
      Changing();
      if (GetCount() == FCapacity) Grow();
      TItem item;
      if (!line.empty()) item = TItem{line.data(), line.size(), c, nullptr};
      FList.push_back(item);
      c->Live += line.size();
      FDeadUnits -= line.size();
      Changed();
    });
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory");
  }
  if (c->Live == 0) FreeChunk(c);
  MaybeCompact();
}

// ---------------------------------------------------------------------------------------------
// TTntStringList

TTntStringList::~TTntStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  FreeAnsiStrings();
  ClearStorage();
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
  return std::wstring(FList[static_cast<size_t>(index)].View());
}

std::wstring_view TTntStringList::StringView(int index) const {
  CheckIndex(index);
  return FList[static_cast<size_t>(index)].View();
}

TObject* TTntStringList::GetObject(int index) const {
  CheckIndex(index);
  return FList[static_cast<size_t>(index)].Obj;
}

void TTntStringList::Put(int index, const std::wstring& s) {
  if (FSorted) Error(SSortedListError, 0);
  CheckIndex(index);
  const TItem fresh = Store(s);  // stored before Changing, so a failure leaves no half change
  Changing();
  TItem& item = FList[static_cast<size_t>(index)];
  const TItem old = item;
  item.P = fresh.P;
  item.Len = fresh.Len;
  item.Chunk = fresh.Chunk;
  Release(old);
  MaybeCompact();
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
  TItem item = Store(s);
  item.Obj = obj;
  Changing();
  const bool full = GetCount() == FCapacity;
  try {
    FList.insert(FList.begin() + index, item);
  } catch (const std::bad_alloc&) {
    Release(item);
    throw EOutOfMemory("Out of memory");
  }
  if (full) Grow();
  Changed();
}

void TTntStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  const TItem old = FList[static_cast<size_t>(index)];
  FList.erase(FList.begin() + index);
  Release(old);
  MaybeCompact();
  Changed();
}

void TTntStringList::Clear() {
  if (FList.empty()) return;
  Changing();
  ClearStorage();
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
    const int c = CompareStrings(FList[static_cast<size_t>(mid)].View(), s);
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
  if (!FSorted) {
    const int n = GetCount();
    for (int i = 0; i < n; ++i)
      if (CompareStrings(FList[static_cast<size_t>(i)].View(), s) == 0) return i;
    return -1;
  }
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
    const std::wstring_view item = FList[static_cast<size_t>(index)].View();
    if (CompareStrings(item.substr(0, key.size()), key) == 0) return index;
  }
  return -1;
}

int TTntStringList::CompareItems(TTntStringList& list, int a, int b) {
  return list.CompareStrings(list.FList[static_cast<size_t>(a)].View(), list.FList[static_cast<size_t>(b)].View());
}

void TTntStringList::Sort() { CustomSort(&CompareItems); }

void TTntStringList::CustomSort(TWideStringListSortCompare compare) {
  if (FSorted || GetCount() < 2 || !compare) return;
  Changing();
  QuickSort(0, GetCount() - 1, compare);
  Changed();
}

void TTntStringList::QuickSort(int l, int r, TWideStringListSortCompare compare) {
  QuickSortPositions(
      l, r, [&](int a, int b) { return compare(*this, a, b); },
      [this](int a, int b) { std::swap(FList[static_cast<size_t>(a)], FList[static_cast<size_t>(b)]); });
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
  for (const TItem& item : FList) total += item.Len + 2;
  std::wstring text;
  try {
    text.reserve(total);
  } catch (const std::exception&) {  // bad_alloc or length_error: more text than memory
    throw EOutOfMemory("Out of memory");
  }
  for (const TItem& item : FList) {
    text.append(item.P ? item.P : L"", item.Len);
    text += L"\r\n";
  }
  return text;
}

void TTntStringList::SetTextStr(std::wstring_view text) {
  if (FSorted) {  // every line goes through Find and the duplicates rule
    TTntStrings::SetTextStr(text);
    return;
  }
  // One copy of the text (up to a NUL), then the lines are slices of it.
  const size_t n = std::min(text.size(), text.find(L'\0'));
  std::unique_ptr<wchar_t[]> copy;
  try {
    copy.reset(new wchar_t[n > 0 ? n : 1]);
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory");
  }
  if (n > 0) std::memcpy(copy.get(), text.data(), n * sizeof(wchar_t));
  SetTextBuffer(std::move(copy), n);
}

void TTntStringList::SetTextBuffer(std::unique_ptr<wchar_t[]> buffer, size_t units) {
  if (FSorted) {
    TTntStrings::SetTextBuffer(std::move(buffer), units);
    return;
  }
  TUpdateGuard guard(*this);
  Clear();
  AdoptText(std::move(buffer), units);
}

void TTntStringList::WriteTextTo(TStream& stream) const {
  // Lines are gathered into a small buffer that stays in cache and goes out in large blocks.
  // Lines that still lie in the text they were loaded from, each followed there by CR LF, form
  // runs whose bytes are already what is to be written: long runs are written in place.
  constexpr size_t kBufferUnits = 64 * 1024;
  constexpr size_t kDirectUnits = 32 * 1024;
  static constexpr wchar_t kCrLf[2] = {L'\r', L'\n'};
  std::unique_ptr<wchar_t[]> buf(new wchar_t[kBufferUnits]);
  size_t used = 0;
  auto flush = [&] {
    if (used > 0) WriteExact(stream, buf.get(), used * sizeof(wchar_t));
    used = 0;
  };
  auto gather = [&](const wchar_t* p, size_t n) {
    while (n > 0) {
      if (used == kBufferUnits) flush();
      const size_t k = std::min(n, kBufferUnits - used);
      std::memcpy(buf.get() + used, p, k * sizeof(wchar_t));
      used += k;
      p += k;
      n -= k;
    }
  };
  const TChunk* runChunk = nullptr;
  const wchar_t* runStart = nullptr;
  const wchar_t* runEnd = nullptr;
  auto endRun = [&] {
    const size_t n = static_cast<size_t>(runEnd - runStart);
    if (n >= kDirectUnits) {
      flush();
      WriteExact(stream, runStart, n * sizeof(wchar_t));
    } else {
      gather(runStart, n);
    }
    runChunk = nullptr;
    runStart = runEnd = nullptr;
  };
  for (const TItem& item : FList) {
    if (item.Chunk) {
      const wchar_t* after = item.P + item.Len;
      const wchar_t* chunkEnd = item.Chunk->Data.get() + item.Chunk->Used;
      if (chunkEnd - after >= 2 && after[0] == L'\r' && after[1] == L'\n') {
        if (item.Chunk != runChunk || item.P != runEnd) {
          endRun();
          runChunk = item.Chunk;
          runStart = item.P;
        }
        runEnd = after + 2;
        continue;
      }
    }
    endRun();
    gather(item.P, item.Len);
    gather(kCrLf, 2);
  }
  endRun();
  flush();
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
