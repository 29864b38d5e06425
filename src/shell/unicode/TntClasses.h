// UTF-16 string lists with byte-order-mark aware loading and saving, their 8-bit view, and a
// file stream opened by UTF-16 name.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/Classes.h"
#include "shell/unicode/TntSystem.h"
#include "shell/unicode/TntWideStrings.h"

namespace korv {

// ---------------------------------------------------------------------------------------------
// Text files: character sets and their marks, as plain functions over buffers.

enum TStreamCharSet : uint8_t { scAnsi = 0, scUtf16 = 1, scUtf16Swapped = 2, scUtf8 = 3 };

struct TCharSetMark {
  TStreamCharSet CharSet;
  size_t MarkLength;  // bytes of the mark at the start (0, 2 or 3)
};

// Detects the character set of text bytes: FF FE is UTF-16 LE, FE FF UTF-16 BE (both need at
// least 2 bytes), EF BB BF UTF-8 (at least 3 bytes); anything else, and fewer than 2 bytes, is
// 8-bit text. Reads at most the first 3 bytes.
[[nodiscard]] TCharSetMark DetectCharSet(const void* data, size_t size) noexcept;

// Decodes text bytes (without their mark) of a character set into UTF-16 by the loaders' rules:
// UTF-16 takes size div 2 code units (an odd last byte is dropped; fewer than 2 bytes give an
// empty text), big-endian units are swapped up to the first NUL; 8-bit text is widened with the
// platform's 8-bit code page; UTF-8 is decoded by the system.
[[nodiscard]] std::wstring DecodeText(const void* data, size_t size, TStreamCharSet charSet);

// Detects the mark at a stream's position and leaves the stream after it.
[[nodiscard]] TStreamCharSet DetectStreamCharSet(TStream& stream);

// ---------------------------------------------------------------------------------------------
// TTntStrings

class TAnsiStrings;
class TAnsiStringsForWideStringsAdapter;

class TTntStrings : public TWideStrings {
  KORV_CLASS(TTntStrings, TWideStrings)
 public:
  TTntStrings();
  ~TTntStrings() override;

  // Detects the file's character set into FileCharSet, then loads it from the start.
  void LoadFromFile(const std::wstring& fileName) override;
  void LoadFromStream(TStream& stream) override { LoadFromStreamMarked(stream, true); }
  void SaveToFile(const std::wstring& fileName) const override;
  void SaveToStream(TStream& stream) const override { SaveToStreamMarked(stream, true); }
  // Loads the remaining bytes as the detected character set, or as UTF-16 LE without detection.
  virtual void LoadFromStreamMarked(TStream& stream, bool detectMark);
  // Writes FF FE when writeMark, then the text as UTF-16 LE.
  virtual void SaveToStreamMarked(TStream& stream, bool writeMark) const;

  // After "Strings", the legacy read-only properties "WideStrings", "WideStringsW" (UTF-8 items,
  // taken only into an empty list) and "WideStrings_UTF7" (skipped).
  void DefineProperties(TFiler* filer) override;

  [[nodiscard]] TStreamCharSet FileCharSet() const noexcept { return FFileCharSet; }
  // The 8-bit view of this list (default code page). Setting it replaces the contents through it.
  [[nodiscard]] TAnsiStrings* AnsiStrings() const noexcept;
  void SetAnsiStrings(const TStrings* value);
  [[nodiscard]] bool IsAnsiStringsStored() const noexcept { return false; }  // "Strings" holds the data

 protected:
  void FreeAnsiStrings() noexcept;

 private:
  TStreamCharSet FFileCharSet = scUtf16;
  std::unique_ptr<TAnsiStringsForWideStringsAdapter> FAnsiStrings;
};

// ---------------------------------------------------------------------------------------------
// TTntStringList

enum TTntDuplicates : uint8_t { IgnoreDuplicates = 0, AcceptDuplicates = 1, RejectDuplicates = 2 };

class TTntStringList;
using TWideStringListSortCompare = int (*)(TTntStringList& list, int index1, int index2);

class TTntStringList : public TTntStrings {
  KORV_CLASS(TTntStringList, TTntStrings)
 public:
  TTntStringList() = default;
  ~TTntStringList() override;

  [[nodiscard]] std::wstring Get(int index) const override;
  [[nodiscard]] int GetCount() const override { return static_cast<int>(FList.size()); }
  [[nodiscard]] int GetCapacity() const override { return FCapacity; }
  [[nodiscard]] TObject* GetObject(int index) const override;
  void Put(int index, const std::wstring& s) override;
  void PutObject(int index, TObject* obj) override;
  int Add(const std::wstring& s) override;
  int AddObject(const std::wstring& s, TObject* obj) override;
  void Insert(int index, const std::wstring& s) override;
  void InsertObject(int index, const std::wstring& s, TObject* obj) override;
  void Delete(int index) override;
  void Clear() override;
  void Exchange(int a, int b) override;
  // Raises "List capacity out of bounds (%d)" below the count.
  void SetCapacity(int n) override;
  [[nodiscard]] int IndexOf(std::wstring_view s) const override;
  [[nodiscard]] int IndexOfName(std::wstring_view name) const override;
  [[nodiscard]] std::wstring GetTextStr() const override;
  void SetTextStr(std::wstring_view text) override;

  // Bisection search of a sorted list: true when found; index is where s is or would go (the
  // first of equal items with AcceptDuplicates).
  virtual bool Find(std::wstring_view s, int& index) const;
  virtual void Sort();
  // Quicksort with the given comparison; nothing when Sorted or fewer than 2 items.
  virtual void CustomSort(TWideStringListSortCompare compare);

  // A view of a string without copying it; valid until the list changes.
  [[nodiscard]] std::wstring_view StringView(int index) const;

  [[nodiscard]] bool Sorted() const noexcept { return FSorted; }
  // Turning Sorted on sorts the list first, so that Find holds.
  void SetSorted(bool value);
  [[nodiscard]] bool CaseSensitive() const noexcept { return FCaseSensitive; }
  // On a sorted list a change of the comparison sorts it again.
  void SetCaseSensitive(bool value);
  [[nodiscard]] TTntDuplicates Duplicates() const noexcept { return FDuplicates; }
  void SetDuplicates(TTntDuplicates d) noexcept { FDuplicates = d; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void Changed();
  virtual void Changing();
  virtual void InsertItem(int index, const std::wstring& s, TObject* obj);
  void SetUpdateState(bool updating) override;
  [[nodiscard]] int CompareStrings(std::wstring_view a, std::wstring_view b) const override;
  void WriteTextTo(TStream& stream) const override;
  void SetTextBuffer(std::unique_ptr<wchar_t[]> buffer, size_t units) override;

 private:
  // The strings live in shared chunks rather than one heap block each: a loaded text stays in
  // the buffer it was read into and the items are slices of it. Space of deleted or replaced
  // strings is counted and the chunks are compacted once it outweighs the live text.
  struct TChunk {
    std::unique_ptr<wchar_t[]> Data;
    size_t Capacity = 0;  // code units
    size_t Used = 0;      // code units handed out
    size_t Live = 0;      // code units of strings still in the list
  };
  struct TItem {
    const wchar_t* P = nullptr;
    size_t Len = 0;
    TChunk* Chunk = nullptr;  // null for the empty string
    TObject* Obj = nullptr;
    [[nodiscard]] std::wstring_view View() const noexcept { return {P, Len}; }
  };
  [[nodiscard]] TItem Store(std::wstring_view s);
  void Release(const TItem& item) noexcept;
  void FreeChunk(TChunk* chunk) noexcept;
  void MaybeCompact();
  void AdoptText(std::unique_ptr<wchar_t[]> buffer, size_t units);
  void ClearStorage() noexcept;

  [[noreturn]] void Error(const TResStringRec& message, int data) const;
  void CheckIndex(int index) const;
  void Grow() noexcept;
  void QuickSort(int l, int r, TWideStringListSortCompare compare);
  static int CompareItems(TTntStringList& list, int a, int b);

  std::vector<TItem> FList;
  std::vector<std::unique_ptr<TChunk>> FChunks;
  TChunk* FTail = nullptr;  // the chunk short strings are appended to
  size_t FUsedUnits = 0;    // sum of the chunks' Used
  size_t FDeadUnits = 0;    // of those, units no item refers to
  int FCapacity = 0;        // the list's capacity by its growth rule; the vector may hold more room
  bool FSorted = false;
  bool FCaseSensitive = false;
  bool FUpdating = false;
  TTntDuplicates FDuplicates = IgnoreDuplicates;
};

// The shell component's list of names: a TTntStringList as it is.
class TFileNames : public TTntStringList {
  KORV_CLASS(TFileNames, TTntStringList)
};

// ---------------------------------------------------------------------------------------------
// 8-bit views

class TAnsiStrings : public TStrings {
  KORV_CLASS(TAnsiStrings, TStrings)
 public:
  virtual void LoadFromStreamCodePage(TStream& stream, UINT codePage) = 0;
  virtual void SaveToStreamCodePage(TStream& stream, UINT codePage) const = 0;
};

// Presents a wide list as 8-bit strings converted with the adapter code page (0: DefaultCodePage).
class TAnsiStringsForWideStringsAdapter : public TAnsiStrings {
  KORV_CLASS(TAnsiStringsForWideStringsAdapter, TAnsiStrings)
 public:
  explicit TAnsiStringsForWideStringsAdapter(TWideStrings* wideStrings, UINT adapterCodePage = 0)
      : FWideStrings(wideStrings), FAdapterCodePage(adapterCodePage) {}

  [[nodiscard]] int Count() const override { return FWideStrings->GetCount(); }
  [[nodiscard]] std::string Get(int index) const override;
  void Put(int index, const std::string& s) override;
  [[nodiscard]] TObject* GetObject(int index) const override { return FWideStrings->GetObject(index); }
  void PutObject(int index, TObject* obj) override { FWideStrings->PutObject(index, obj); }
  void Insert(int index, const std::string& s) override;
  void Delete(int index) override { FWideStrings->Delete(index); }
  void Clear() override { FWideStrings->Clear(); }

  void LoadFromStreamCodePage(TStream& stream, UINT codePage) override;
  void SaveToStreamCodePage(TStream& stream, UINT codePage) const override;

  [[nodiscard]] UINT GetAdapterCodePage() const noexcept;
  [[nodiscard]] TWideStrings* WideStrings() const noexcept { return FWideStrings; }

 protected:
  void SetUpdateState(bool updating) override;

 private:
  TWideStrings* FWideStrings;
  UINT FAdapterCodePage;
};

// ---------------------------------------------------------------------------------------------
// TTntFileStream

class TTntFileStream : public THandleStream {
  KORV_CLASS(TTntFileStream, THandleStream)
 public:
  // mode fmCreate (0xFFFF) creates or truncates the file (read/write, no sharing); any other mode
  // opens an existing file with the access of bits 0-1 and the sharing of bits 4-7. Raises
  // EFCreateError "Cannot create file "%s". %s" / EFOpenError "Cannot open file "%s". %s" with
  // the full path and the system's message.
  TTntFileStream(const std::wstring& fileName, uint32_t mode);
  ~TTntFileStream() override;
};

}  // namespace korv
