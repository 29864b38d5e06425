// Shell item ID lists and the "Shell IDList Array" format: file paths become a parent folder's
// ID list plus each file's ID list relative to it, and back.
//
// An ID list is kept as its "ID list string": an 8-bit string holding its bytes with the ending
// 16-bit zero. A PIDL list is a string list of ID list strings: item 0 the absolute ID list of
// the parent folder, items 1..n the files relative to it.
#pragma once

#include <shlobj.h>

#include <string>
#include <string_view>
#include <unordered_map>

#include "classlib/Handles.h"
#include "shell/dragdrop/DragDropFormats.h"

namespace korv {

using TItemIDListPtr = TCoTaskPtr<ITEMIDLIST>;

// The desktop folder's parse of Path: the absolute ID list, or empty when the desktop folder or
// the parse fails (a missing file, for one).
[[nodiscard]] TItemIDListPtr PathToPIDL(const std::string& path);
// The ID list string of a shell ID list (empty for nullptr).
[[nodiscard]] std::string PIDLToString(LPCITEMIDLIST pidl);
// The parent's items (none for the 2-byte empty list of the desktop) followed by the child's
// items and the ending zero.
[[nodiscard]] std::string JoinPIDLs(std::string_view parent, std::string_view child);
// The file-system path of an ID list string (SHGetPathFromIDListA), or empty when it has none or
// the bytes fail CheckIDList.
[[nodiscard]] std::string PIDLToPath(std::string_view idList);

// The ID list string of the deepest folder holding every file (at least the desktop's empty
// list), the folders compared as the shell knows them, not by their bytes (items embed times);
// empty without names. Raises "Failed to get interface to Desktop" and, for a folder part that
// cannot be parsed, "Invalid filename: %s".
[[nodiscard]] std::string GetCommonParentPIDL(const std::vector<std::string>& filenames);
[[nodiscard]] std::string GetCommonParentPIDL(const TStrings& filenames);
// Builds the PIDL list of the files: each folder is parsed once and each file by its own name
// inside its folder. False, with an empty list, when there are no names or a file cannot be
// parsed (a missing one, a name with wildcards). Raises what GetCommonParentPIDL raises.
bool FilenamesToPIDLs(const std::vector<std::string>& filenames, std::vector<std::string>& pidls);
bool FilenamesToPIDLs(const TStrings& filenames, TStrings& pidls);
// The PIDL list of a "Shell IDList Array" block from another program (checked as ReadCIDA does).
bool CIDAToPIDLs(const void* block, size_t size, TStrings& pidls);
// The path of each file of a PIDL list (item 0 the parent), as SHGetPathFromIDListA gives it, or
// an empty string where there is none or an ID list fails CheckIDList. Each folder of the files
// is bound once for the whole list, where SHGetPathFromIDListA binds it again for every file.
[[nodiscard]] std::vector<std::string> PIDLsToFilenames(TStringViews pidls);

// The paths of files below a parent one at a time, as PIDLsToFilenames gives them: the folders
// bound for earlier files are kept (by their ID lists) while the parent stays the same.
class TPIDLPathResolver {
 public:
  // The path of child (relative to parent; both ID list strings), or empty.
  [[nodiscard]] std::string Path(std::string_view parent, std::string_view child);

 private:
  std::string FParent;  // the parent the folders were bound for, with its ending zero ("" none)
  TComPtr<IShellFolder> FDesktop;
  std::unordered_map<std::string, TComPtr<IShellFolder>> FFolders;  // folder ID list -> folder
};

// A read-only view of a PIDL list as file paths: item i is the path of parent + child i + 1, as
// PIDLsToFilenames gives it (the folders bound for the items read before are kept).
// Put, PutObject, Insert, Delete and Clear do nothing. Assigning a string list rebuilds the PIDL
// list from those paths; when that fails (also by an exception of the conversion, which must not
// reach a COM caller) the PIDL list is left empty.
class TPIDLsToFilenamesStrings : public TStrings {
  KORV_CLASS(TPIDLsToFilenamesStrings, TStrings)
 public:
  explicit TPIDLsToFilenamesStrings(TStrings& pidls) noexcept : FPIDLs(pidls) {}
  [[nodiscard]] int Count() const override;
  // Raises "Filename index out of range".
  [[nodiscard]] std::string Get(int index) const override;
  void Put(int, const std::string&) override {}
  void PutObject(int, TObject*) override {}
  void Insert(int, const std::string&) override {}
  void Delete(int) override {}
  void Clear() override {}
  void Assign(const TPersistent* source) override;

 private:
  TStrings& FPIDLs;
  mutable TPIDLPathResolver FPaths;  // the folders of the files read so far
};

// "Shell IDList Array".
class TPIDLClipboardFormat : public TCustomSimpleClipboardFormat {
  KORV_CLASS(TPIDLClipboardFormat, TCustomSimpleClipboardFormat)
 public:
  TPIDLClipboardFormat();
  ~TPIDLClipboardFormat() override;
  [[nodiscard]] CLIPFORMAT GetClipboardFormat() override;
  void Clear() override;
  [[nodiscard]] bool HasData() override;
  [[nodiscard]] size_t GetSize() override;
  bool ReadData(const void* buffer, size_t size) override;
  bool WriteData(void* buffer, size_t size) override;

  [[nodiscard]] TStringList& PIDLs() const noexcept { return *FPIDLs; }
  [[nodiscard]] TPIDLsToFilenamesStrings& Filenames() const noexcept { return *FFilenames; }

 private:
  std::unique_ptr<TStringList> FPIDLs;
  std::unique_ptr<TPIDLsToFilenamesStrings> FFilenames;
};

// Files held as a PIDL list.
class TPIDLDataFormat : public TCustomDataFormat {
  KORV_CLASS(TPIDLDataFormat, TCustomDataFormat)
 public:
  explicit TPIDLDataFormat(TComponent* owner) : TPIDLDataFormat(owner, StaticClass()) {}
  ~TPIDLDataFormat() override;
  void Clear() override;
  [[nodiscard]] bool HasData() override { return FPIDLs->Count() > 0; }
  [[nodiscard]] bool NeedsData() override { return FPIDLs->Count() == 0; }
  bool Assign(TClipboardFormat* clipboardFormat) override;
  bool AssignTo(TClipboardFormat* clipboardFormat) override;

  [[nodiscard]] TStringList& PIDLs() const noexcept { return *FPIDLs; }
  [[nodiscard]] TPIDLsToFilenamesStrings& Filenames() const noexcept { return *FFilenames; }

 protected:
  TPIDLDataFormat(TComponent* owner, TClass cls);

 private:
  void PIDLsChanging(TObject* sender);
  std::unique_ptr<TStringList> FPIDLs;
  std::unique_ptr<TPIDLsToFilenamesStrings> FFilenames;
};

// Start-up and shut-down of this unit: starts the formats unit first, then registers the ID list
// data format and its pairs. Calls nest.
void DragDropPIDLStartup();
void DragDropPIDLShutdown();

}  // namespace korv
