// TWideStrings: the abstract list of UTF-16 strings with an object per item, mirroring the class
// library's TStrings; every generic operation is built on the abstract ones.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/Classes.h"

namespace korv {

// The first LF, CR, NUL or U+2028 in [p, end), or end.
[[nodiscard]] const wchar_t* FindLineBreak(const wchar_t* p, const wchar_t* end) noexcept;

// Splits text into lines: a line runs up to the next LF, CR or U+2028; after it one CR, then one
// LF, then one U+2028 are skipped, each only if present. A NUL ends the text. Calls
// line(std::wstring_view) for every line.
template <class F>
void SplitWideLines(std::wstring_view text, F&& line) {
  const wchar_t* p = text.data();
  const wchar_t* const end = p + text.size();
  while (p < end && *p != L'\0') {
    const wchar_t* start = p;
    p = FindLineBreak(p, end);
    line(std::wstring_view(start, static_cast<size_t>(p - start)));
    if (p < end && *p == L'\r') ++p;
    if (p < end && *p == L'\n') ++p;
    if (p < end && *p == L'\x2028') ++p;
  }
}

// The lines of a text as strings (the rule of SplitWideLines).
[[nodiscard]] std::vector<std::wstring> SplitWideText(std::wstring_view text);

class TWideStrings : public TPersistent {
  KORV_CLASS(TWideStrings, TPersistent)
 public:
  TWideStrings() = default;

  void Assign(const TPersistent* source) override;
  // Stored form data: "Strings", the list of wide strings, written when the list is not empty.
  void DefineProperties(TFiler* filer) override;

  // Abstract storage.
  [[nodiscard]] virtual std::wstring Get(int index) const = 0;
  [[nodiscard]] virtual int GetCount() const = 0;
  virtual void Clear() = 0;
  virtual void Delete(int index) = 0;
  virtual void Insert(int index, const std::wstring& s) = 0;

  [[nodiscard]] virtual int GetCapacity() const { return GetCount(); }
  virtual void SetCapacity(int n) { (void)n; }
  [[nodiscard]] virtual TObject* GetObject(int index) const;
  virtual void Put(int index, const std::wstring& s);
  virtual void PutObject(int index, TObject* obj);

  virtual int Add(const std::wstring& s);
  virtual int AddObject(const std::wstring& s, TObject* obj);
  virtual void InsertObject(int index, const std::wstring& s, TObject* obj);
  virtual void AddStrings(const TStrings& strings);  // widened with the platform's 8-bit code page
  virtual void AddStrings(const TWideStrings& strings);
  virtual void Exchange(int a, int b);
  virtual void Move(int from, int to);
  [[nodiscard]] virtual int IndexOf(std::wstring_view s) const;
  [[nodiscard]] virtual int IndexOfName(std::wstring_view name) const;
  [[nodiscard]] virtual int IndexOfObject(const TObject* obj) const;

  // Text: every string followed by CR LF.
  [[nodiscard]] virtual std::wstring GetTextStr() const;
  virtual void SetTextStr(std::wstring_view text);
  // A NUL-terminated copy of the text.
  [[nodiscard]] virtual std::unique_ptr<wchar_t[]> GetText() const;
  // Sets the text from a NUL-terminated buffer (null: empty).
  virtual void SetText(const wchar_t* text);

  virtual void LoadFromFile(const std::wstring& fileName);
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToFile(const std::wstring& fileName) const;
  virtual void SaveToStream(TStream& stream) const;

  // Convenience accessors.
  [[nodiscard]] int Count() const { return GetCount(); }
  [[nodiscard]] std::wstring Strings(int index) const { return Get(index); }
  [[nodiscard]] std::wstring operator[](int index) const { return Get(index); }
  [[nodiscard]] TObject* Objects(int index) const { return GetObject(index); }
  [[nodiscard]] std::wstring Text() const { return GetTextStr(); }
  [[nodiscard]] int Capacity() const { return GetCapacity(); }

  // The three characters read as their defaults ("," '"' "=") until set; reading an unset one
  // sets it.
  [[nodiscard]] wchar_t Delimiter() const;
  void SetDelimiter(wchar_t c);
  [[nodiscard]] wchar_t QuoteChar() const;
  void SetQuoteChar(wchar_t c);
  [[nodiscard]] wchar_t NameValueSeparator() const;
  void SetNameValueSeparator(wchar_t c);

  void BeginUpdate();
  void EndUpdate();
  [[nodiscard]] int UpdateCount() const noexcept { return FUpdateCount; }

  // Bits of the defined flags.
  enum : uint8_t { sdDelimiter = 1, sdQuoteChar = 2, sdNameValueSeparator = 4 };
  [[nodiscard]] uint8_t DefinedFlags() const noexcept { return FDefined; }

 protected:
  void AssignTo(TPersistent* dest) const override;
  virtual void SetUpdateState(bool updating) { (void)updating; }
  [[nodiscard]] virtual int CompareStrings(std::wstring_view a, std::wstring_view b) const;
  // Writes the text (GetTextStr) as UTF-16 code units; lists with direct access to their items
  // write them without building the whole text first.
  virtual void WriteTextTo(TStream& stream) const;
  // Sets the text from a buffer of units code units that the list may keep (the loaders hand
  // over what they read); the default is SetTextStr over it.
  virtual void SetTextBuffer(std::unique_ptr<wchar_t[]> buffer, size_t units);
  // Reads "Strings" (and the legacy "WideStrings"): one 8-bit or wide string value that becomes
  // the whole text, or a list of them that replaces the items.
  void ReadData(TReader& reader);
  void WriteData(TWriter& writer) const;

 private:
  mutable uint8_t FDefined = 0;
  mutable wchar_t FDelimiter = 0;
  mutable wchar_t FQuoteChar = 0;
  mutable wchar_t FNameValueSeparator = 0;
  int FUpdateCount = 0;
};

// Stream helpers of the loaders. RemainingBytes: size minus position (0 past the end), raising
// EOutOfMemory when that much cannot be held in memory. ReadExact reads count bytes in chunks and
// raises EReadError "Stream read error" when fewer arrive.
[[nodiscard]] size_t RemainingBytes(TStream& stream);
void ReadExact(TStream& stream, void* buffer, size_t count);
void WriteExact(TStream& stream, const void* buffer, size_t count);

}  // namespace korv
