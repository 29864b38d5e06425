// Clipboard formats that are one block of bytes (moved between the format's data and global
// memory or a stream), the stream adapter used for stream media, and the formats built on them:
// 8-bit, text, wide text and 32-bit values, CF_HDROP, the virtual-file formats ("FileGroupDescriptor",
// "FileGroupDescriptorW", "FileContents"), the drop-effect feedback formats, and the data formats
// for text, streams, virtual files and feedback.
#pragma once

#include <shlobj.h>

#include <functional>

#include "classlib/Handles.h"
#include "shell/dragdrop/DragDrop.h"
#include "shell/dragdrop/DragDropFormatsBlocks.h"

namespace korv {

// ---------------------------------------------------------------------------------------------
// Stream adapter

// IStream over a TStream it owns, as handed out in stream media. The class library's adapter
// already implements every method the way other programs rely on (the platform's clipboard reads
// stream media with Seek(END), Seek(SET) and CopyTo of the exact size), CopyTo included: a
// negative count means the whole stream, rewound first when the position is at the end; the copy
// goes in chunks of at most 1 MiB, and a Write that reports success but takes fewer bytes than
// offered fails with E_FAIL. This class only fixes the ownership: the stream is the adapter's.
class TFixedStreamAdapter : public TStreamAdapter {
 public:
  explicit TFixedStreamAdapter(TStream* stream) : TStreamAdapter(stream, TStreamOwnership::soOwned) {}
};

// ---------------------------------------------------------------------------------------------
// Simple formats

class TCustomSimpleClipboardFormat : public TClipboardFormat {
  KORV_CLASS(TCustomSimpleClipboardFormat, TClipboardFormat)
 public:
  // Size of the medium (GlobalSize, or Stat's cbSize, which must fit a signed 32-bit value), then
  // ReadDataFromMedium.
  bool DoGetData(IDataObject* dataObject, const STGMEDIUM& medium) override;
  // Renders GetSize bytes that WriteData fills, as RenderBlock does.
  bool DoSetData(const FORMATETC& formatEtc, STGMEDIUM& medium) override;

  // Fills a block of Size bytes through Write: into a memory stream behind a TFixedStreamAdapter
  // when the request allows TYMED_ISTREAM (left at its end), else into global memory
  // (GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE). Medium is set only when Write succeeds.
  using TBlockWriter = std::function<bool(void* buffer, size_t size)>;
  static bool RenderBlock(const FORMATETC& formatEtc, STGMEDIUM& medium, size_t size, const TBlockWriter& write);

  // Moves Size bytes of the medium into ReadData. A stream is read from its start and must deliver
  // all Size bytes.
  virtual bool ReadDataFromMedium(IDataObject* dataObject, const STGMEDIUM& medium, size_t size);
  virtual bool ReadData(const void* buffer, size_t size) = 0;
  // Copies up to Size bytes of the medium into the caller's buffer (global memory: from the
  // block's start, never past the block; stream: from offset 0). True when Size bytes were copied;
  // Copied, when given, receives the count.
  virtual bool ReadDataInto(IDataObject* dataObject, const STGMEDIUM& medium, size_t size, void* buffer,
                            size_t* copied = nullptr);
  virtual bool WriteData(void* buffer, size_t size) = 0;
  [[nodiscard]] virtual size_t GetSize() = 0;

 protected:
  TCustomSimpleClipboardFormat() noexcept : TClipboardFormat(TYMED_HGLOBAL | TYMED_ISTREAM) {}
};

// Reads a whole stream from offset 0: exactly Size bytes, or false (a failed Read, or the stream
// ending early). Out is sized by what arrives, so a lying size costs nothing.
bool ReadStreamExactly(IStream* stream, size_t size, std::vector<unsigned char>& out);
// Stat(STATFLAG_NONAME).cbSize when it fits a signed 32-bit value.
bool StreamSize(IStream* stream, size_t& size);

// An 8-bit string block.
class TCustomStringClipboardFormat : public TCustomSimpleClipboardFormat {
  KORV_CLASS(TCustomStringClipboardFormat, TCustomSimpleClipboardFormat)
 public:
  void Clear() override { FData.clear(); }
  [[nodiscard]] bool HasData() override { return !FData.empty(); }
  [[nodiscard]] size_t GetSize() override { return FData.size(); }
  // Data := the bytes; with TrimZeroes cut at the first zero byte.
  bool ReadData(const void* buffer, size_t size) override;
  // Copies Size bytes of Data, whose terminating zero counts; fails when Size exceeds length + 1.
  bool WriteData(void* buffer, size_t size) override;

  [[nodiscard]] const std::string& GetString() const noexcept { return FData; }
  void SetString(std::string s) { FData = std::move(s); }
  [[nodiscard]] bool TrimZeroes() const noexcept { return FTrimZeroes; }
  void SetTrimZeroes(bool v) noexcept { FTrimZeroes = v; }

 protected:
  TCustomStringClipboardFormat() noexcept = default;
  std::string FData;
  bool FTrimZeroes = false;
};

// A zero-terminated 8-bit text.
class TCustomTextClipboardFormat : public TCustomStringClipboardFormat {
  KORV_CLASS(TCustomTextClipboardFormat, TCustomStringClipboardFormat)
 public:
  // Length + 1, unless the text already ends in a zero byte.
  [[nodiscard]] size_t GetSize() override;
  [[nodiscard]] const std::string& Text() const noexcept { return FData; }
  void SetText(std::string s) { FData = std::move(s); }

 protected:
  TCustomTextClipboardFormat() noexcept { FTrimZeroes = true; }
};

// A zero-terminated UTF-16 text.
class TCustomWideTextClipboardFormat : public TCustomSimpleClipboardFormat {
  KORV_CLASS(TCustomWideTextClipboardFormat, TCustomSimpleClipboardFormat)
 public:
  void Clear() override { FData.clear(); }
  [[nodiscard]] bool HasData() override { return !FData.empty(); }
  // Length x 2, plus 2 unless the last character is already zero.
  [[nodiscard]] size_t GetSize() override;
  // Size div 2 characters, as they stand.
  bool ReadData(const void* buffer, size_t size) override;
  // Copies Size bytes; fails when Size exceeds (length + 1) x 2.
  bool WriteData(void* buffer, size_t size) override;

  [[nodiscard]] const std::wstring& GetText() const noexcept { return FData; }
  void SetText(std::wstring s) { FData = std::move(s); }

 protected:
  TCustomWideTextClipboardFormat() noexcept = default;
  std::wstring FData;
};

// CF_TEXT.
class TTextClipboardFormat : public TCustomTextClipboardFormat {
  KORV_CLASS(TTextClipboardFormat, TCustomTextClipboardFormat)
 public:
  TTextClipboardFormat() noexcept = default;
  [[nodiscard]] CLIPFORMAT GetClipboardFormat() override { return CF_TEXT; }
};

// One 32-bit value.
class TCustomDWORDClipboardFormat : public TCustomSimpleClipboardFormat {
  KORV_CLASS(TCustomDWORDClipboardFormat, TCustomSimpleClipboardFormat)
 public:
  void Clear() override { FValue = 0; }
  [[nodiscard]] bool HasData() override { return true; }
  [[nodiscard]] size_t GetSize() override { return 4; }
  // The first four bytes; a shorter block is rejected.
  bool ReadData(const void* buffer, size_t size) override;
  // Exactly four bytes.
  bool WriteData(void* buffer, size_t size) override;

  [[nodiscard]] DWORD GetValueDWORD() const noexcept { return FValue; }
  void SetValueDWORD(DWORD v) noexcept { FValue = v; }
  [[nodiscard]] bool GetValueBoolean() const noexcept { return FValue != 0; }
  void SetValueBoolean(bool v) noexcept { FValue = v ? 1 : 0; }

 protected:
  TCustomDWORDClipboardFormat() noexcept = default;
  DWORD FValue = 0;
};

// CF_HDROP: a DROPFILES block of 8-bit names (UTF-16 blocks are read too).
class TFileClipboardFormat : public TCustomSimpleClipboardFormat {
  KORV_CLASS(TFileClipboardFormat, TCustomSimpleClipboardFormat)
 public:
  TFileClipboardFormat();
  ~TFileClipboardFormat() override;
  [[nodiscard]] CLIPFORMAT GetClipboardFormat() override { return CF_HDROP; }
  void Clear() override;
  [[nodiscard]] bool HasData() override;
  [[nodiscard]] size_t GetSize() override;
  bool ReadData(const void* buffer, size_t size) override;
  bool WriteData(void* buffer, size_t size) override;

  [[nodiscard]] TStringList& Files() const noexcept { return *FFiles; }

 private:
  std::unique_ptr<TStringList> FFiles;
};

// The items of a string list as a vector, and back.
[[nodiscard]] std::vector<std::string> StringsToVector(const TStrings& list);
void VectorToStrings(const std::vector<std::string>& items, TStrings& list);
// Views of the items of a string list, valid until the list changes: the block writers take them
// without copying the strings. NameViews cuts each item at its first zero, as names are written.
[[nodiscard]] std::vector<std::string_view> StringViews(const TStringList& list);
[[nodiscard]] std::vector<std::string_view> NameViews(const TStringList& list);

// ---------------------------------------------------------------------------------------------
// Lists of the virtual-file formats

// Named streams, owned.
class TStreamList : public TObject {
  KORV_CLASS(TStreamList, TObject)
 public:
  TStreamList() = default;
  ~TStreamList() override;

  TNotifyEvent OnChanging;

  // Calls Changing, then appends (the list owns the stream from then on).
  void AddNamed(std::unique_ptr<TStream> stream, const std::string& name);
  [[nodiscard]] int Count() const noexcept { return static_cast<int>(FItems.size()); }
  [[nodiscard]] TStream* Streams(int index) const;
  [[nodiscard]] const std::string& Names(int index) const;
  // Calls Changing, frees every stream and empties the list.
  void Clear();
  // Clears, then takes over the other list's entries: the streams change owner and Other ends empty.
  void Assign(TStreamList& other);

 protected:
  virtual void Changing();

 private:
  struct Item {
    std::string Name;
    std::unique_ptr<TStream> Stream;
  };
  std::vector<Item> FItems;
};

// Memory blocks, owned.
class TMemoryList : public TObject {
  KORV_CLASS(TMemoryList, TObject)
 public:
  TMemoryList() = default;
  ~TMemoryList() override { Clear(); }

  int Add(std::vector<unsigned char> block);
  void Delete(int index);
  void Clear();  // from last to first
  [[nodiscard]] int Count() const noexcept { return static_cast<int>(FItems.size()); }
  [[nodiscard]] unsigned char* Items(int index);
  [[nodiscard]] const unsigned char* Items(int index) const;
  [[nodiscard]] size_t ItemSize(int index) const;

 private:
  std::vector<std::vector<unsigned char>> FItems;
};

// ---------------------------------------------------------------------------------------------
// Virtual-file formats

// "FileGroupDescriptor": a count and that many 332-byte FILEDESCRIPTORA.
class TFileGroupDescritorClipboardFormat : public TCustomSimpleClipboardFormat {
  KORV_CLASS(TFileGroupDescritorClipboardFormat, TCustomSimpleClipboardFormat)
 public:
  TFileGroupDescritorClipboardFormat() noexcept = default;
  [[nodiscard]] CLIPFORMAT GetClipboardFormat() override;
  void Clear() override { FGroup.clear(); }
  [[nodiscard]] bool HasData() override { return Count() > 0; }
  [[nodiscard]] size_t GetSize() override;
  // Accepts a block only when (Size - 4) div 332 equals its count (and Size >= 4).
  bool ReadData(const void* buffer, size_t size) override;
  bool WriteData(void* buffer, size_t size) override;

  // Clears and copies a group block (checked like ReadData); false for a bad block.
  bool SetDescriptors(const void* block, size_t size);
  [[nodiscard]] uint32_t Count() const noexcept;
  // The whole group block (empty without one) and descriptor i.
  [[nodiscard]] const std::vector<unsigned char>& GroupBlock() const noexcept { return FGroup; }
  [[nodiscard]] const unsigned char* Descriptor(uint32_t index) const;

 private:
  std::vector<unsigned char> FGroup;
};

// "FileGroupDescriptorW": a count and that many 592-byte FILEDESCRIPTORW.
class TFileGroupDescritorWClipboardFormat : public TCustomSimpleClipboardFormat {
  KORV_CLASS(TFileGroupDescritorWClipboardFormat, TCustomSimpleClipboardFormat)
 public:
  TFileGroupDescritorWClipboardFormat() noexcept = default;
  [[nodiscard]] CLIPFORMAT GetClipboardFormat() override;
  void Clear() override { FGroup.clear(); }
  [[nodiscard]] bool HasData() override { return Count() > 0; }
  [[nodiscard]] size_t GetSize() override;
  bool ReadData(const void* buffer, size_t size) override;
  bool WriteData(void* buffer, size_t size) override;

  bool SetDescriptors(const void* block, size_t size);
  [[nodiscard]] uint32_t Count() const noexcept;
  [[nodiscard]] const std::vector<unsigned char>& GroupBlock() const noexcept { return FGroup; }
  [[nodiscard]] const unsigned char* Descriptor(uint32_t index) const;

 private:
  std::vector<unsigned char> FGroup;
};

// The clipboard format id of "FileContents", shared by every format of that name.
[[nodiscard]] CLIPFORMAT CF_FILECONTENTS();

// "FileContents" carrying a text, as the first virtual file (lindex 0).
class TFileContentsClipboardFormat : public TCustomTextClipboardFormat {
  KORV_CLASS(TFileContentsClipboardFormat, TCustomTextClipboardFormat)
 public:
  TFileContentsClipboardFormat() noexcept { FFormatEtc.lindex = 0; }
  [[nodiscard]] CLIPFORMAT GetClipboardFormat() override { return CF_FILECONTENTS(); }
};

// "FileContents" read as streams, one per virtual file.
class TFileContentsStreamClipboardFormat : public TClipboardFormat {
  KORV_CLASS(TFileContentsStreamClipboardFormat, TClipboardFormat)
 public:
  TFileContentsStreamClipboardFormat();
  ~TFileContentsStreamClipboardFormat() override;
  [[nodiscard]] CLIPFORMAT GetClipboardFormat() override { return CF_FILECONTENTS(); }
  void Clear() override;
  [[nodiscard]] bool HasData() override;
  // Reads every file the data object's "FileGroupDescriptor" lists (or, without one, the whole
  // content once, unnamed), each from the start of its stream; a request that fails or a stream
  // that delivers less than its size ends the reading, and the streams read so far stay.
  bool GetData(IDataObject* dataObject) override;
  bool AssignTo(TCustomDataFormat* dataFormat) override;

  [[nodiscard]] TStreamList& Streams() const noexcept { return *FStreams; }

 private:
  std::unique_ptr<TStreamList> FStreams;
};

class TFileContentsStreamOnDemandClipboardFormat;
// Asked for the contents of virtual file Index; sets Stream (one reference for the caller) or
// leaves it empty.
using TGetStreamEvent =
    TMethod<void(TFileContentsStreamOnDemandClipboardFormat* sender, int index, TComPtr<IStream>& stream)>;

// "FileContents" served stream by stream when a target asks for it.
class TFileContentsStreamOnDemandClipboardFormat : public TClipboardFormat {
  KORV_CLASS(TFileContentsStreamOnDemandClipboardFormat, TClipboardFormat)
 public:
  TFileContentsStreamOnDemandClipboardFormat() noexcept : TClipboardFormat(TYMED_ISTREAM) {}
  [[nodiscard]] CLIPFORMAT GetClipboardFormat() override { return CF_FILECONTENTS(); }
  void Clear() override {
    FGotData = false;
    FDataRequested = false;
  }
  [[nodiscard]] bool HasData() override { return FGotData || FDataRequested; }
  // Only notes that the data object has the contents (GotData); nothing is fetched.
  bool GetData(IDataObject* dataObject) override;
  bool DoGetData(IDataObject* dataObject, const STGMEDIUM& medium) override;
  // Needs OnGetStream, a request allowing TYMED_ISTREAM and a lindex other than -1.
  bool DoSetData(const FORMATETC& formatEtc, STGMEDIUM& medium) override;
  bool Assign(TCustomDataFormat* dataFormat) override;
  bool AssignTo(TCustomDataFormat* dataFormat) override;

  TGetStreamEvent OnGetStream;
  [[nodiscard]] bool GotData() const noexcept { return FGotData; }
  [[nodiscard]] bool DataRequested() const noexcept { return FDataRequested; }

 private:
  bool FGotData = false;
  bool FDataRequested = false;
};

// ---------------------------------------------------------------------------------------------
// Feedback formats

class TPreferredDropEffectClipboardFormat : public TCustomDWORDClipboardFormat {
  KORV_CLASS(TPreferredDropEffectClipboardFormat, TCustomDWORDClipboardFormat)
 public:
  TPreferredDropEffectClipboardFormat() noexcept = default;
  [[nodiscard]] CLIPFORMAT GetClipboardFormat() override;
};

class TPerformedDropEffectClipboardFormat : public TCustomDWORDClipboardFormat {
  KORV_CLASS(TPerformedDropEffectClipboardFormat, TCustomDWORDClipboardFormat)
 public:
  TPerformedDropEffectClipboardFormat() noexcept = default;
  [[nodiscard]] CLIPFORMAT GetClipboardFormat() override;
};

class TLogicalPerformedDropEffectClipboardFormat : public TCustomDWORDClipboardFormat {
  KORV_CLASS(TLogicalPerformedDropEffectClipboardFormat, TCustomDWORDClipboardFormat)
 public:
  TLogicalPerformedDropEffectClipboardFormat() noexcept = default;
  [[nodiscard]] CLIPFORMAT GetClipboardFormat() override;
};

class TPasteSuccededClipboardFormat : public TCustomDWORDClipboardFormat {
  KORV_CLASS(TPasteSuccededClipboardFormat, TCustomDWORDClipboardFormat)
 public:
  TPasteSuccededClipboardFormat() noexcept = default;
  [[nodiscard]] CLIPFORMAT GetClipboardFormat() override;
};

// Read and written as a Boolean.
class TInShellDragLoopClipboardFormat : public TCustomDWORDClipboardFormat {
  KORV_CLASS(TInShellDragLoopClipboardFormat, TCustomDWORDClipboardFormat)
 public:
  TInShellDragLoopClipboardFormat() noexcept = default;
  [[nodiscard]] CLIPFORMAT GetClipboardFormat() override;
};

// A 16-byte CLSID; blocks of any other size are neither read nor written.
class TTargetCLSIDClipboardFormat : public TCustomSimpleClipboardFormat {
  KORV_CLASS(TTargetCLSIDClipboardFormat, TCustomSimpleClipboardFormat)
 public:
  TTargetCLSIDClipboardFormat() noexcept = default;
  [[nodiscard]] CLIPFORMAT GetClipboardFormat() override;
  void Clear() override { FCLSID = CLSID{}; }
  [[nodiscard]] bool HasData() override { return !IsEqualGUID(FCLSID, CLSID{}); }
  [[nodiscard]] size_t GetSize() override { return sizeof(CLSID); }
  bool ReadData(const void* buffer, size_t size) override;
  bool WriteData(void* buffer, size_t size) override;

  [[nodiscard]] const CLSID& GetCLSID() const noexcept { return FCLSID; }
  void SetCLSID(const CLSID& v) noexcept { FCLSID = v; }

 private:
  CLSID FCLSID = CLSID{};
};

// ---------------------------------------------------------------------------------------------
// Data formats

// An 8-bit text; offered by a source also as the virtual file "Text scrap.txt".
class TTextDataFormat : public TCustomDataFormat {
  KORV_CLASS(TTextDataFormat, TCustomDataFormat)
 public:
  explicit TTextDataFormat(TComponent* owner) : TTextDataFormat(owner, StaticClass()) {}
  void Clear() override;
  [[nodiscard]] bool HasData() override { return !FText.empty(); }
  bool Assign(TClipboardFormat* clipboardFormat) override;
  bool AssignTo(TClipboardFormat* clipboardFormat) override;

  [[nodiscard]] const std::string& Text() const noexcept { return FText; }
  void SetText(const std::string& v);

 protected:
  TTextDataFormat(TComponent* owner, TClass cls) : TCustomDataFormat(owner, cls) {}

 private:
  std::string FText;
};

// Streams read from "FileContents".
class TDataStreamDataFormat : public TCustomDataFormat {
  KORV_CLASS(TDataStreamDataFormat, TCustomDataFormat)
 public:
  explicit TDataStreamDataFormat(TComponent* owner) : TDataStreamDataFormat(owner, StaticClass()) {}
  ~TDataStreamDataFormat() override;
  void Clear() override;
  [[nodiscard]] bool HasData() override { return FStreams->Count() > 0; }
  [[nodiscard]] TStreamList& Streams() const noexcept { return *FStreams; }

 protected:
  TDataStreamDataFormat(TComponent* owner, TClass cls);

 private:
  void StreamsChanging(TObject* sender);
  std::unique_ptr<TStreamList> FStreams;
};

// A view of a list of 332-byte descriptors as their file names.
class TFileDescriptorToFilenameStrings : public TStrings {
  KORV_CLASS(TFileDescriptorToFilenameStrings, TStrings)
 public:
  explicit TFileDescriptorToFilenameStrings(TMemoryList& list) noexcept : FList(list) {}
  [[nodiscard]] int Count() const override { return FList.Count(); }
  [[nodiscard]] std::string Get(int index) const override;
  // Renames descriptor Index in place.
  void Put(int index, const std::string& s) override;
  // Only appends (Index equal to the count): a new zero-filled descriptor named S (cut to 259
  // characters, so the name keeps its zero). Other indexes are ignored.
  void Insert(int index, const std::string& s) override;
  void Delete(int index) override;
  void Clear() override { FList.Clear(); }
  // Another string list: the descriptors are replaced by one per name.
  void Assign(const TPersistent* source) override;

 private:
  TMemoryList& FList;
};

// Virtual files: descriptors and contents served on demand.
class TVirtualFileStreamDataFormat : public TCustomDataFormat {
  KORV_CLASS(TVirtualFileStreamDataFormat, TCustomDataFormat)
 public:
  explicit TVirtualFileStreamDataFormat(TComponent* owner) : TVirtualFileStreamDataFormat(owner, StaticClass()) {}
  ~TVirtualFileStreamDataFormat() override;
  void Clear() override;
  [[nodiscard]] bool HasData() override;
  [[nodiscard]] bool NeedsData() override;
  bool Assign(TClipboardFormat* clipboardFormat) override;
  bool AssignTo(TClipboardFormat* clipboardFormat) override;

  [[nodiscard]] TMemoryList& FileDescriptors() const noexcept { return *FFileDescriptors; }
  [[nodiscard]] TStrings& FileNames() const noexcept { return *FFileNames; }
  [[nodiscard]] TFileContentsStreamOnDemandClipboardFormat& FileContentsClipboardFormat() const noexcept {
    return *FFileContentsClipboardFormat;
  }
  [[nodiscard]] TFileGroupDescritorClipboardFormat& FileGroupDescriptorClipboardFormat() const noexcept {
    return *FFileGroupDescriptorClipboardFormat;
  }
  [[nodiscard]] bool HasContents() const noexcept { return FHasContents; }
  // The contents' event (on the "FileContents" format).
  void SetOnGetStream(const TGetStreamEvent& e) noexcept { FFileContentsClipboardFormat->OnGetStream = e; }

 protected:
  TVirtualFileStreamDataFormat(TComponent* owner, TClass cls);

 private:
  std::unique_ptr<TMemoryList> FFileDescriptors;
  std::unique_ptr<TFileDescriptorToFilenameStrings> FFileNames;
  TFileContentsStreamOnDemandClipboardFormat* FFileContentsClipboardFormat = nullptr;  // in CompatibleFormats
  TFileGroupDescritorClipboardFormat* FFileGroupDescriptorClipboardFormat = nullptr;   // in CompatibleFormats
  bool FHasContents = false;
};

// The drop-effect feedback between source and target.
class TFeedbackDataFormat : public TCustomDataFormat {
  KORV_CLASS(TFeedbackDataFormat, TCustomDataFormat)
 public:
  explicit TFeedbackDataFormat(TComponent* owner) : TFeedbackDataFormat(owner, StaticClass()) {}
  // Zeroes Preferred, Performed, InShellDragLoop and GotInShellDragLoop; the logical performed
  // effect, the paste result and the target's CLSID keep their values.
  void Clear() override;
  [[nodiscard]] bool HasData() override;
  [[nodiscard]] bool NeedsData() override;
  bool Assign(TClipboardFormat* clipboardFormat) override;
  bool AssignTo(TClipboardFormat* clipboardFormat) override;

  [[nodiscard]] DWORD PreferredDropEffect() const noexcept { return FPreferredDropEffect; }
  void SetPreferredDropEffect(DWORD v);
  [[nodiscard]] DWORD PerformedDropEffect() const noexcept { return FPerformedDropEffect; }
  void SetPerformedDropEffect(DWORD v);
  [[nodiscard]] DWORD LogicalPerformedDropEffect() const noexcept { return FLogicalPerformedDropEffect; }
  void SetLogicalPerformedDropEffect(DWORD v) noexcept { FLogicalPerformedDropEffect = v; }
  [[nodiscard]] DWORD PasteSucceeded() const noexcept { return FPasteSucceeded; }
  void SetPasteSucceeded(DWORD v) noexcept { FPasteSucceeded = v; }
  [[nodiscard]] bool InShellDragLoop() const noexcept { return FInShellDragLoop; }
  void SetInShellDragLoop(bool v);
  [[nodiscard]] bool GotInShellDragLoop() const noexcept { return FGotInShellDragLoop; }
  [[nodiscard]] const CLSID& TargetCLSID() const noexcept { return FTargetCLSID; }
  void SetTargetCLSID(const CLSID& v) noexcept { FTargetCLSID = v; }

 protected:
  TFeedbackDataFormat(TComponent* owner, TClass cls) : TCustomDataFormat(owner, cls) {}

 private:
  DWORD FPreferredDropEffect = 0;
  DWORD FPerformedDropEffect = 0;
  DWORD FLogicalPerformedDropEffect = 0;
  DWORD FPasteSucceeded = 0;
  bool FInShellDragLoop = false;
  bool FGotInShellDragLoop = false;
  CLSID FTargetCLSID = CLSID{};
};

// Start-up and shut-down of this unit (registers and unregisters its data formats and pairs);
// starts the registry unit first. Calls nest.
void DragDropFormatsStartup();
void DragDropFormatsShutdown();

}  // namespace korv
