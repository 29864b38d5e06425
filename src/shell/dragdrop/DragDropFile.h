// Files dragged out of the program: the file-name clipboard formats ("FileName", "FileNameW",
// "FileNameMap", "FileNameMapW"; CF_HDROP is TFileClipboardFormat), the data formats holding a
// list of files and a list of names for the copies, and the drop source offering them.
#pragma once

#include "classlib/Startup.h"
#include "shell/dragdrop/DragDropPIDL.h"
#include "shell/dragdrop/DropSource.h"

namespace korv {

// ---------------------------------------------------------------------------------------------
// Clipboard formats

// "FileName": one 8-bit file name and its zero.
class TFilenameClipboardFormat : public TCustomTextClipboardFormat {
  KORV_CLASS(TFilenameClipboardFormat, TCustomTextClipboardFormat)
 public:
  TFilenameClipboardFormat() noexcept = default;
  [[nodiscard]] CLIPFORMAT GetClipboardFormat() override;
  // With a TFileDataFormat: the first file name (fails for an empty list) / the name is added.
  bool Assign(TCustomDataFormat* dataFormat) override;
  bool AssignTo(TCustomDataFormat* dataFormat) override;
};

// "FileNameW": one UTF-16 file name and its 16-bit zero. A block is read up to its first 16-bit
// zero, so a peer's padding or stray zero never becomes part of a name.
class TFilenameWClipboardFormat : public TCustomWideTextClipboardFormat {
  KORV_CLASS(TFilenameWClipboardFormat, TCustomWideTextClipboardFormat)
 public:
  TFilenameWClipboardFormat() noexcept = default;
  [[nodiscard]] CLIPFORMAT GetClipboardFormat() override;
  bool ReadData(const void* buffer, size_t size) override;
  bool Assign(TCustomDataFormat* dataFormat) override;
  bool AssignTo(TCustomDataFormat* dataFormat) override;
};

// "FileNameMap": the names, each followed by a zero byte, then one more zero byte.
class TFilenameMapClipboardFormat : public TCustomSimpleClipboardFormat {
  KORV_CLASS(TFilenameMapClipboardFormat, TCustomSimpleClipboardFormat)
 public:
  TFilenameMapClipboardFormat();
  ~TFilenameMapClipboardFormat() override;
  [[nodiscard]] CLIPFORMAT GetClipboardFormat() override;
  void Clear() override;
  [[nodiscard]] bool HasData() override;
  [[nodiscard]] size_t GetSize() override;
  // Every name must end inside the block, and there must be one at least.
  bool ReadData(const void* buffer, size_t size) override;
  bool WriteData(void* buffer, size_t size) override;

  [[nodiscard]] TStringList& FileMaps() const noexcept { return *FFileMaps; }

 private:
  std::unique_ptr<TStringList> FFileMaps;
};

// "FileNameMapW": the names in UTF-16, each followed by a 16-bit zero, then one more.
class TFilenameMapWClipboardFormat : public TCustomSimpleClipboardFormat {
  KORV_CLASS(TFilenameMapWClipboardFormat, TCustomSimpleClipboardFormat)
 public:
  TFilenameMapWClipboardFormat();
  ~TFilenameMapWClipboardFormat() override;
  [[nodiscard]] CLIPFORMAT GetClipboardFormat() override;
  void Clear() override;
  [[nodiscard]] bool HasData() override;
  [[nodiscard]] size_t GetSize() override;
  bool ReadData(const void* buffer, size_t size) override;
  bool WriteData(void* buffer, size_t size) override;

  // 8-bit names (ANSI code page), converted when the block is written or read.
  [[nodiscard]] TStringList& FileMaps() const noexcept { return *FFileMaps; }

 private:
  std::unique_ptr<TStringList> FFileMaps;
};

// ---------------------------------------------------------------------------------------------
// Data formats

// A list of full file names (8-bit). Every edit of the list first calls Changing.
class TFileDataFormat : public TCustomDataFormat {
  KORV_CLASS(TFileDataFormat, TCustomDataFormat)
 public:
  explicit TFileDataFormat(TComponent* owner) : TFileDataFormat(owner, StaticClass()) {}
  ~TFileDataFormat() override;
  void Clear() override { FFiles->Clear(); }
  [[nodiscard]] bool HasData() override { return FFiles->Count() > 0; }
  [[nodiscard]] bool NeedsData() override { return FFiles->Count() == 0; }
  bool Assign(TClipboardFormat* clipboardFormat) override;
  bool AssignTo(TClipboardFormat* clipboardFormat) override;
  // CF_HDROP is written straight from the list; "Shell IDList Array" is served from PIDLBlock.
  TRenderResult RenderData(TClipboardFormat* clipboardFormat, const FORMATETC& formatEtc, STGMEDIUM& medium) override;

  [[nodiscard]] TStringList& Files() const noexcept { return *FFiles; }

  // The "Shell IDList Array" block of the list, or nullptr when the files have none (a file the
  // shell does not find, a folder it cannot parse). Building it parses every file with the shell,
  // so it is built on the first request and kept, success or failure, until the list changes;
  // a block built while the list is inside BeginUpdate is not kept.
  [[nodiscard]] const std::string* PIDLBlock();

 protected:
  TFileDataFormat(TComponent* owner, TClass cls);

 private:
  void FilesChanging(TObject* sender);
  std::unique_ptr<TStringList> FFiles;
  std::string FPIDLBlock;
  bool FPIDLBlockBuilt = false;  // FPIDLBlock stands for the list as it is
  bool FPIDLBlockValid = false;  // the files have ID lists
};

// The names under which a receiver should create the copies, in the order of the files.
class TFileMapDataFormat : public TCustomDataFormat {
  KORV_CLASS(TFileMapDataFormat, TCustomDataFormat)
 public:
  explicit TFileMapDataFormat(TComponent* owner) : TFileMapDataFormat(owner, StaticClass()) {}
  ~TFileMapDataFormat() override;
  void Clear() override { FFileMaps->Clear(); }
  [[nodiscard]] bool HasData() override { return FFileMaps->Count() > 0; }
  [[nodiscard]] bool NeedsData() override { return FFileMaps->Count() == 0; }
  bool Assign(TClipboardFormat* clipboardFormat) override;
  bool AssignTo(TClipboardFormat* clipboardFormat) override;

  [[nodiscard]] TStringList& FileMaps() const noexcept { return *FFileMaps; }

 protected:
  TFileMapDataFormat(TComponent* owner, TClass cls);

 private:
  void FileMapsChanging(TObject* sender);
  std::unique_ptr<TStringList> FFileMaps;
};

// ---------------------------------------------------------------------------------------------
// TDropFileSource

// Offers Files (and MappedNames) as CF_HDROP, "Shell IDList Array", "FileNameW", "FileName",
// "FileNameMapW" and "FileNameMap", after the feedback formats. Editing either list first
// flushes the clipboard when this component's data is on it.
class TDropFileSource : public TCustomDropMultiSource {
  KORV_CLASS(TDropFileSource, TCustomDropMultiSource)
 public:
  explicit TDropFileSource(TComponent* owner);
  ~TDropFileSource() override;

  [[nodiscard]] TStrings* Files() const noexcept { return &FFileDataFormat->Files(); }
  // Copies the strings (later changes of Value do not reach the component).
  void SetFiles(const TStrings* value);
  [[nodiscard]] TStrings* MappedNames() const noexcept { return &FFileMapDataFormat->FileMaps(); }
  void SetMappedNames(const TStrings* value);

  [[nodiscard]] TFileDataFormat& FileDataFormat() const noexcept { return *FFileDataFormat; }
  [[nodiscard]] TFileMapDataFormat& FileMapDataFormat() const noexcept { return *FFileMapDataFormat; }

 private:
  TFileDataFormat* FFileDataFormat = nullptr;
  TFileMapDataFormat* FFileMapDataFormat = nullptr;
};

// Start-up and shut-down of this unit: starts the ID list unit first (and with it the formats
// and registry units), then registers the file data formats and their pairs. Calls nest.
void DragDropFileStartup();
void DragDropFileShutdown();

// The drag-and-drop units as the library's start-up runs them (this unit and those it starts);
// a TDropFileSource made while they are stopped raises ENotStarted.
extern const TLibraryUnit DragDropUnit;

}  // namespace korv
