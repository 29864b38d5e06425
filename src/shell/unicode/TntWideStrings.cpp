#include "shell/unicode/TntWideStrings.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "classlib/Streaming.h"
#include "shell/unicode/TntClasses.h"
#include "shell/unicode/TntSysUtils.h"
#include "shell/unicode/TntSystem.h"

namespace korv {

KORV_DEFINE_CLASS(TWideStrings, TPersistent, nullptr, nullptr);

namespace {

const wchar_t* FindLineBreakScalar(const wchar_t* p, const wchar_t* end) noexcept {
  for (; p < end; ++p) {
    const wchar_t c = *p;
    // Most characters are above CR and not U+2028: one comparison settles them.
    if (c > L'\r' ? c == L'\x2028' : (c == L'\n' || c == L'\r' || c == L'\0')) break;
  }
  return p;
}

// Eight code units at a time; the build targets processors without SSE2, so it is chosen at run
// time.
__attribute__((target("sse2"))) const wchar_t* FindLineBreakSse2(const wchar_t* p, const wchar_t* end) noexcept {
  const __m128i cr = _mm_set1_epi16(L'\r');
  const __m128i lf = _mm_set1_epi16(L'\n');
  const __m128i nul = _mm_setzero_si128();
  const __m128i ls = _mm_set1_epi16(static_cast<short>(0x2028));
  while (end - p >= 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, cr), _mm_cmpeq_epi16(v, lf)),
                                     _mm_or_si128(_mm_cmpeq_epi16(v, nul), _mm_cmpeq_epi16(v, ls)));
    const int mask = _mm_movemask_epi8(hit);
    if (mask != 0) return p + (__builtin_ctz(static_cast<unsigned>(mask)) >> 1);
    p += 8;
  }
  return FindLineBreakScalar(p, end);
}

}  // namespace

const wchar_t* FindLineBreak(const wchar_t* p, const wchar_t* end) noexcept {
  static const bool sse2 = IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != 0;
  return sse2 ? FindLineBreakSse2(p, end) : FindLineBreakScalar(p, end);
}

std::vector<std::wstring> SplitWideText(std::wstring_view text) {
  std::vector<std::wstring> lines;
  SplitWideLines(text, [&](std::wstring_view line) { lines.emplace_back(line); });
  return lines;
}

// ---------------------------------------------------------------------------------------------
// Stream helpers

namespace {

// Loads are bounded by what a 32-bit process can hold; the allocation may still fail below it.
constexpr int64_t kMaxLoadBytes = 0x7FFFFFF0;
constexpr size_t kChunk = size_t{1} << 30;

}  // namespace

size_t RemainingBytes(TStream& stream) {
  const int64_t size = stream.Size();
  const int64_t pos = stream.Position();
  if (size <= pos) return 0;
  const int64_t n = size - pos;
  if (n > kMaxLoadBytes) throw EOutOfMemory(Format("Stream of %d bytes is too large to load", n));
  return static_cast<size_t>(n);
}

void ReadExact(TStream& stream, void* buffer, size_t count) {
  auto* p = static_cast<unsigned char*>(buffer);
  while (count > 0) {
    const size_t n = std::min(count, kChunk);
    stream.ReadBuffer(p, static_cast<int32_t>(n));
    p += n;
    count -= n;
  }
}

void WriteExact(TStream& stream, const void* buffer, size_t count) {
  const auto* p = static_cast<const unsigned char*>(buffer);
  while (count > 0) {
    const size_t n = std::min(count, kChunk);
    stream.WriteBuffer(p, static_cast<int32_t>(n));
    p += n;
    count -= n;
  }
}

// ---------------------------------------------------------------------------------------------
// Characters and update brackets

namespace {

// The delimiter, quote and separator characters become defined when first read or set; a read
// defines one with its default. The flag of each is a bit of the list's defined flags.
wchar_t DefinedChar(wchar_t& c, uint8_t& defined, uint8_t flag, wchar_t def) {
  if (!(defined & flag)) {
    c = def;
    defined |= flag;
  }
  return c;
}

void DefineChar(wchar_t& c, uint8_t& defined, uint8_t flag, wchar_t value) {
  c = value;
  defined |= flag;
}

}  // namespace

wchar_t TWideStrings::Delimiter() const { return DefinedChar(FDelimiter, FDefined, sdDelimiter, L','); }
void TWideStrings::SetDelimiter(wchar_t c) { DefineChar(FDelimiter, FDefined, sdDelimiter, c); }
wchar_t TWideStrings::QuoteChar() const { return DefinedChar(FQuoteChar, FDefined, sdQuoteChar, L'"'); }
void TWideStrings::SetQuoteChar(wchar_t c) { DefineChar(FQuoteChar, FDefined, sdQuoteChar, c); }
wchar_t TWideStrings::NameValueSeparator() const {
  return DefinedChar(FNameValueSeparator, FDefined, sdNameValueSeparator, L'=');
}
void TWideStrings::SetNameValueSeparator(wchar_t c) {
  DefineChar(FNameValueSeparator, FDefined, sdNameValueSeparator, c);
}

void TWideStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TWideStrings::EndUpdate() {
  if (FUpdateCount <= 0) return;  // unbalanced: nothing is open
  if (--FUpdateCount == 0) SetUpdateState(false);
}

// ---------------------------------------------------------------------------------------------
// Assignment

void TWideStrings::Assign(const TPersistent* source) {
  if (source == this) return;
  if (source && source->InheritsFrom(TWideStrings::StaticClass())) {
    const auto* src = static_cast<const TWideStrings*>(source);
    TUpdateScope scope(*this);
    Clear();
    FDefined = src->FDefined;
    FDelimiter = src->FDelimiter;
    FQuoteChar = src->FQuoteChar;
    FNameValueSeparator = src->FNameValueSeparator;
    AddStrings(*src);
    return;
  }
  if (source && source->InheritsFrom(TStrings::StaticClass())) {
    const auto* src = static_cast<const TStrings*>(source);
    // The source may be a view of this very list: take its items before clearing.
    const int n = src->Count();
    std::vector<std::pair<std::wstring, TObject*>> items;
    items.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) items.emplace_back(AnsiToWideCP(src->Get(i), CP_ACP), src->GetObject(i));
    const wchar_t sep = static_cast<unsigned char>(src->NameValueSeparator());
    const wchar_t quote = static_cast<unsigned char>(src->QuoteChar());
    const wchar_t delim = static_cast<unsigned char>(src->Delimiter());
    TUpdateScope scope(*this);
    Clear();
    FNameValueSeparator = sep;
    FQuoteChar = quote;
    FDelimiter = delim;
    for (auto& [s, obj] : items) AddObject(s, obj);
    return;
  }
  inherited::Assign(source);
}

void TWideStrings::AssignTo(TPersistent* dest) const {
  if (dest && dest->InheritsFrom(TWideStrings::StaticClass())) {
    static_cast<TWideStrings*>(dest)->Assign(this);
    return;
  }
  if (dest && dest->InheritsFrom(TStrings::StaticClass())) {
    auto* d = static_cast<TStrings*>(dest);
    // The destination may be a view of this list: convert the items before it is cleared.
    const int n = GetCount();
    std::vector<std::pair<std::string, TObject*>> items;
    items.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) items.emplace_back(WideToAnsiCP(Get(i), CP_ACP), GetObject(i));
    const char sep = static_cast<char>(NameValueSeparator() & 0xFF);
    const char quote = static_cast<char>(QuoteChar() & 0xFF);
    const char delim = static_cast<char>(Delimiter() & 0xFF);
    TUpdateScope scope(*d);
    d->Clear();
    d->SetNameValueSeparator(sep);
    d->SetQuoteChar(quote);
    d->SetDelimiter(delim);
    for (auto& [s, obj] : items) d->AddObject(s, obj);
    return;
  }
  inherited::AssignTo(dest);
}

// ---------------------------------------------------------------------------------------------
// Stored form data

void TWideStrings::DefineProperties(TFiler* filer) {
  filer->DefineProperty(
      "Strings", [this](TReader& reader) { ReadData(reader); }, [this](TWriter& writer) { WriteData(writer); },
      GetCount() > 0);
}

void TWideStrings::ReadData(TReader& reader) {
  const TValueType t = reader.NextValue();
  if (t == TValueType::vaString || t == TValueType::vaWString) {  // 8-bit values are widened
    SetTextStr(reader.ReadWideString());
    return;
  }
  TUpdateScope scope(*this);
  Clear();
  reader.ReadListBegin();
  while (!reader.EndOfList()) Add(reader.ReadWideString());
  reader.ReadListEnd();
}

void TWideStrings::WriteData(TWriter& writer) const {
  writer.WriteListBegin();
  const int n = GetCount();
  for (int i = 0; i < n; ++i) writer.WriteWideString(Get(i));
  writer.WriteListEnd();
}

// ---------------------------------------------------------------------------------------------
// Generic operations

TObject* TWideStrings::GetObject(int index) const {
  (void)index;
  return nullptr;
}

void TWideStrings::PutObject(int index, TObject* obj) {
  (void)index;
  (void)obj;
}

void TWideStrings::Put(int index, const std::wstring& s) {
  TObject* obj = GetObject(index);
  Delete(index);
  InsertObject(index, s, obj);
}

int TWideStrings::Add(const std::wstring& s) {
  const int index = GetCount();
  Insert(index, s);
  return index;
}

int TWideStrings::AddObject(const std::wstring& s, TObject* obj) {
  const int index = Add(s);
  PutObject(index, obj);
  return index;
}

void TWideStrings::InsertObject(int index, const std::wstring& s, TObject* obj) {
  Insert(index, s);
  PutObject(index, obj);
}

void TWideStrings::AddStrings(const TStrings& strings) {
  TUpdateScope scope(*this);
  const int n = strings.Count();
  for (int i = 0; i < n; ++i) AddObject(AnsiToWideCP(strings.Get(i), CP_ACP), strings.GetObject(i));
}

void TWideStrings::AddStrings(const TWideStrings& strings) {
  TUpdateScope scope(*this);
  const int n = strings.GetCount();  // taken once: adding a list to itself doubles it
  for (int i = 0; i < n; ++i) AddObject(strings.Get(i), strings.GetObject(i));
}

void TWideStrings::Exchange(int a, int b) {
  TUpdateScope scope(*this);
  std::wstring sa = Get(a), sb = Get(b);
  TObject* oa = GetObject(a);
  TObject* ob = GetObject(b);
  Put(a, sb);
  PutObject(a, ob);
  Put(b, sa);
  PutObject(b, oa);
}

void TWideStrings::Move(int from, int to) {
  if (from == to) return;
  TUpdateScope scope(*this);
  std::wstring s = Get(from);
  TObject* obj = GetObject(from);
  Delete(from);
  InsertObject(to, s, obj);
}

int TWideStrings::IndexOf(std::wstring_view s) const {
  const int n = GetCount();
  for (int i = 0; i < n; ++i)
    if (CompareStrings(Get(i), s) == 0) return i;
  return -1;
}

int TWideStrings::IndexOfName(std::wstring_view name) const {
  const wchar_t sep = NameValueSeparator();
  const int n = GetCount();
  for (int i = 0; i < n; ++i) {
    const std::wstring s = Get(i);
    const size_t p = s.find(sep);
    if (p != std::wstring::npos && CompareStrings(std::wstring_view(s).substr(0, p), name) == 0) return i;
  }
  return -1;
}

int TWideStrings::IndexOfObject(const TObject* obj) const {
  const int n = GetCount();
  for (int i = 0; i < n; ++i)
    if (GetObject(i) == obj) return i;
  return -1;
}

int TWideStrings::CompareStrings(std::wstring_view a, std::wstring_view b) const { return WideCompareText(a, b); }

// ---------------------------------------------------------------------------------------------
// Text

std::wstring TWideStrings::GetTextStr() const {
  std::wstring text;
  const int n = GetCount();
  for (int i = 0; i < n; ++i) {
    text += Get(i);
    text += L"\r\n";
  }
  return text;
}

void TWideStrings::SetTextStr(std::wstring_view text) {
  TUpdateScope scope(*this);
  Clear();
  SplitWideLines(text, [&](std::wstring_view line) { Add(std::wstring(line)); });
}

std::unique_ptr<wchar_t[]> TWideStrings::GetText() const {
  const std::wstring text = GetTextStr();
  auto p = std::make_unique<wchar_t[]>(text.size() + 1);
  std::memcpy(p.get(), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  return p;
}

void TWideStrings::SetText(const wchar_t* text) { SetTextStr(text ? std::wstring_view(text) : std::wstring_view()); }

void TWideStrings::WriteTextTo(TStream& stream) const {
  const std::wstring text = GetTextStr();
  WriteExact(stream, text.data(), text.size() * sizeof(wchar_t));
}

// ---------------------------------------------------------------------------------------------
// Streams and files

void TWideStrings::LoadFromStream(TStream& stream) {
  TUpdateScope scope(*this);
  const size_t n = RemainingBytes(stream);
  const size_t units = n / 2;
  std::unique_ptr<wchar_t[]> buf;
  try {
    buf.reset(new wchar_t[units > 0 ? units : 1]);
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory(Format("Out of memory loading %d bytes", static_cast<int64_t>(n)));
  }
  ReadExact(stream, buf.get(), units * 2);
  if (n % 2 != 0) {  // the odd last byte is read and dropped
    unsigned char odd;
    ReadExact(stream, &odd, 1);
  }
  SetTextBuffer(std::move(buf), units);
}

void TWideStrings::SetTextBuffer(std::unique_ptr<wchar_t[]> buffer, size_t units) {
  SetTextStr(std::wstring_view(buffer.get(), units));
}

void TWideStrings::SaveToStream(TStream& stream) const { WriteTextTo(stream); }

void TWideStrings::LoadFromFile(const std::wstring& fileName) {
  TTntFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TWideStrings::SaveToFile(const std::wstring& fileName) const {
  TTntFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

}  // namespace korv
