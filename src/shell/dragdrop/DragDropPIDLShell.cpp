// The shell's side of ID lists: file names parsed into ID lists (the folders once, each file by
// its own name inside its folder) and ID lists turned back into paths (each folder bound once).
#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "shell/dragdrop/DragDropPIDL.h"

namespace korv {

namespace {

TComPtr<IShellFolder> DesktopFolder() noexcept {
  TComPtr<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(desktop.Put()))) desktop.Reset();
  return desktop;
}

// A parse of Name by Folder (the desktop for full paths, a folder for names relative to it).
// Names with wildcards are refused: the shell would hand back the first match.
TItemIDListPtr ParseName(IShellFolder* folder, std::wstring_view name, IBindCtx* context = nullptr) {
  TItemIDListPtr pidl;
  if (!folder || name.find_first_of(L"*?") != std::wstring_view::npos) return pidl;
  std::wstring text(name);  // ParseDisplayName takes a writable, zero-ended string
  LPITEMIDLIST out = nullptr;
  if (SUCCEEDED(folder->ParseDisplayName(nullptr, context, text.data(), nullptr, &out, nullptr)))
    pidl.Reset(out);
  else if (out)
    CoTaskMemFree(out);
  return pidl;
}

// The folder an ID list string (relative to Folder) stands for, bound in Folder; the empty list
// stands for Folder itself. Empty when the bind fails.
TComPtr<IShellFolder> BindFolder(IShellFolder* folder, const std::string& idList) {
  TComPtr<IShellFolder> bound;
  if (!folder) return bound;
  if (idList.size() <= 2) return TComPtr<IShellFolder>::Share(folder);
  const auto* pidl = reinterpret_cast<LPCITEMIDLIST>(idList.data());
  if (FAILED(folder->BindToObject(pidl, nullptr, IID_IShellFolder, bound.PutVoid()))) bound.Reset();
  return bound;
}

// Offsets of the items of an ID list string the shell made, and the offset of its ending zero.
std::vector<size_t> ItemOffsets(const std::string& idList) {
  std::vector<size_t> offsets;
  size_t pos = 0;
  while (pos + 2 <= idList.size()) {
    const uint16_t cb = ReadU16(idList.data() + pos);
    if (cb == 0) break;
    offsets.push_back(pos);
    pos += cb;
  }
  offsets.push_back(pos);
  return offsets;
}

// An ID list string of the first Count items of a list (Offsets: its ItemOffsets).
std::string FirstItems(const std::string& idList, const std::vector<size_t>& offsets, size_t count) {
  return idList.substr(0, offsets[count]) + std::string(2, '\0');
}

bool IsDotComponent(std::wstring_view part) { return part == L"." || part == L".."; }

// What a folder listing said about a file, handed to a folder's ParseDisplayName in a bind
// context: the folder makes the file's item from it instead of looking the file up on disk again.
class TFindDataBinding : public IFileSystemBindData {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** obj) override {
    if (!obj) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IFileSystemBindData)) {
      *obj = static_cast<IFileSystemBindData*>(this);
      AddRef();
      return S_OK;
    }
    *obj = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&FRefs)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG n = InterlockedDecrement(&FRefs);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }
  HRESULT STDMETHODCALLTYPE SetFindData(const WIN32_FIND_DATAW* data) override {
    if (!data) return E_INVALIDARG;
    Data = *data;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetFindData(WIN32_FIND_DATAW* data) override {
    if (!data) return E_INVALIDARG;
    *data = Data;
    return S_OK;
  }
  WIN32_FIND_DATAW Data{};

 private:
  virtual ~TFindDataBinding() = default;
  LONG FRefs = 1;
};

// The folders of a list of names, each parsed once, and the deepest folder that holds them all.
//
// Parsing a full path from the desktop binds every folder on the way (and the platform looks for
// a folder's settings file in each, a search through the whole folder), so the folders are parsed
// below the deepest folder their paths share, which is parsed from the desktop once; a folder the
// shell cannot parse there is parsed from the desktop after all. A file is then parsed by name
// inside its own folder. Where many files of one folder are wanted, the folder is listed once and
// each file is parsed with what the listing said of it, which spares the folder a look-up on disk
// per file (the listing stops when it reads far more entries than are wanted; files it did not
// meet are parsed as they are).
class TNameFolders {
 public:
  // Raises "Failed to get interface to Desktop" and, for a folder that cannot be parsed,
  // "Invalid filename: %s".
  explicit TNameFolders(const std::vector<std::string>& names);

  // The ID list string of the deepest folder that holds every name.
  [[nodiscard]] const std::string& Parent() const noexcept { return FParent; }
  // Builds the child of name I: its folder's items below the parent and its own parse. False
  // for a file the shell does not find (or a folder it cannot bind).
  bool Child(size_t i, std::string& child);

 private:
  struct TFolder {
    std::wstring Path;             // up to and including the last delimiter
    std::string IDList;            // absolute
    std::vector<size_t> Offsets;   // ItemOffsets of IDList
    std::string FromBase;          // the items below the base folder, when parsed there
    bool InBase = false;           // parsed below (or as) the base folder
    TComPtr<IShellFolder> Folder;  // bound on first use
    bool Unbound = false;          // binding failed
    std::vector<size_t> Names;     // the names in this folder
    bool Listed = false;
    std::unordered_map<std::wstring_view, std::string> Listing;  // own name -> item met in the listing
  };
  void ParseBase();
  void ParseFolder(TFolder& folder);
  void FindParent();
  IShellFolder* LevelFolder(size_t level);
  IShellFolder* Bind(TFolder& folder);
  void List(TFolder& folder);
  [[nodiscard]] std::wstring_view OwnName(size_t i) const { return std::wstring_view(FNames[i]).substr(FNameStart[i]); }

  TComPtr<IShellFolder> FDesktop;
  std::vector<std::wstring> FNames;  // the names in UTF-16
  std::vector<size_t> FFolderOf;     // name index -> folder index
  std::vector<size_t> FNameStart;    // where the file's own name starts
  std::vector<TFolder> FFolders;
  std::wstring FBasePath;  // the deepest folder the paths share ("" for none)
  std::string FBaseIDList;
  TComPtr<IShellFolder> FBase;
  std::string FParent;
  size_t FParentItems = 0;
  std::vector<TComPtr<IShellFolder>> FLevels;  // the folders of the parent's first items, bound on use
  TComPtr<IBindCtx> FListingContext;           // carries FListingData to ParseDisplayName
  TFindDataBinding* FListingData = nullptr;    // owned by FListingContext
};

// A folder is listed for at least this many wanted files, reading at most kListingReach entries
// per wanted file (a listed entry costs a few microseconds, a look-up of one file ten times that).
constexpr size_t kListFrom = 4;
constexpr size_t kListingReach = 8;

TNameFolders::TNameFolders(const std::vector<std::string>& names) {
  FDesktop = DesktopFolder();
  if (!FDesktop) throw Exception("Failed to get interface to Desktop");
  FNames.reserve(names.size());
  FFolderOf.reserve(names.size());
  FNameStart.reserve(names.size());
  std::unordered_map<std::wstring_view, size_t> index;
  for (const std::string& name : names) {
    FNames.push_back(AnsiToWide(name));
    const std::wstring& wide = FNames.back();
    const size_t cut = wide.find_last_of(L"\\/:");
    const size_t start = cut == std::wstring::npos ? 0 : cut + 1;
    FNameStart.push_back(start);
    // The key views the name itself: FNames keeps its place (reserved above).
    const std::wstring_view path(wide.data(), start);
    auto it = index.find(path);
    if (it == index.end()) {
      FFolders.emplace_back().Path.assign(path);
      it = index.emplace(path, FFolders.size() - 1).first;
    }
    FFolderOf.push_back(it->second);
    FFolders[it->second].Names.push_back(FNames.size() - 1);
  }
  ParseBase();
  for (TFolder& f : FFolders) ParseFolder(f);
  FindParent();
}

void TNameFolders::ParseBase() {
  // The longest leading run of whole folders that every folder path shares.
  size_t len = FFolders[0].Path.size();
  for (const TFolder& f : FFolders) {
    len = std::min(len, f.Path.size());
    len = static_cast<size_t>(
        std::mismatch(f.Path.begin(), f.Path.begin() + static_cast<std::ptrdiff_t>(len), FFolders[0].Path.begin())
            .first -
        f.Path.begin());
  }
  const std::wstring_view first = FFolders[0].Path;
  const size_t cut = first.substr(0, len).find_last_of(L"\\/");
  if (cut == std::wstring_view::npos) return;
  FBasePath.assign(first.substr(0, cut + 1));
  TItemIDListPtr pidl = ParseName(FDesktop.Get(), FBasePath);
  if (!pidl) return;
  FBaseIDList = PIDLToString(pidl.Get());
  FBase = BindFolder(FDesktop.Get(), FBaseIDList);
}

void TNameFolders::ParseFolder(TFolder& folder) {
  if (FBase) {
    std::wstring_view rest = std::wstring_view(folder.Path).substr(FBasePath.size());
    while (!rest.empty() && (rest.back() == L'\\' || rest.back() == L'/')) rest.remove_suffix(1);
    bool plain = rest.find(L':') == std::wstring_view::npos;
    for (size_t pos = 0; plain && pos <= rest.size();) {
      const size_t end = std::min(rest.find_first_of(L"\\/", pos), rest.size());
      plain = !IsDotComponent(rest.substr(pos, end - pos));
      pos = end + 1;
    }
    if (rest.empty()) {
      folder.IDList = FBaseIDList;
      folder.FromBase = std::string(2, '\0');
      folder.InBase = true;
    } else if (plain) {
      if (TItemIDListPtr pidl = ParseName(FBase.Get(), rest)) {
        folder.FromBase = PIDLToString(pidl.Get());
        folder.IDList = JoinPIDLs(FBaseIDList, folder.FromBase);
        folder.InBase = true;
      }
    }
  }
  if (!folder.InBase) {
    TItemIDListPtr pidl = ParseName(FDesktop.Get(), folder.Path);
    if (!pidl) throw Exception(Format("Invalid filename: %s", WideToAnsi(folder.Path)));
    folder.IDList = PIDLToString(pidl.Get());
  }
  folder.Offsets = ItemOffsets(folder.IDList);
}

IShellFolder* TNameFolders::LevelFolder(size_t level) {
  if (FLevels.size() <= level) FLevels.resize(level + 1);
  if (!FLevels[level]) {
    const TFolder& first = FFolders[0];
    FLevels[level] = BindFolder(FDesktop.Get(), FirstItems(first.IDList, first.Offsets, level));
  }
  return FLevels[level].Get();
}

void TNameFolders::FindParent() {
  // Items embed times, so one folder parsed twice need not give the same bytes: items that
  // differ are compared by the folder holding them, which knows them by name.
  const TFolder& first = FFolders[0];
  size_t common = first.Offsets.size() - 1;
  for (size_t f = 1; f < FFolders.size() && common > 0; ++f) {
    const TFolder& other = FFolders[f];
    const size_t depth = std::min(common, other.Offsets.size() - 1);
    size_t level = 0;
    for (; level < depth; ++level) {
      const std::string_view a =
          std::string_view(first.IDList).substr(first.Offsets[level], first.Offsets[level + 1] - first.Offsets[level]);
      const std::string_view b =
          std::string_view(other.IDList).substr(other.Offsets[level], other.Offsets[level + 1] - other.Offsets[level]);
      if (a == b) continue;
      IShellFolder* holder = LevelFolder(level);
      if (!holder) break;
      const std::string itemA = std::string(a) + std::string(2, '\0');
      const std::string itemB = std::string(b) + std::string(2, '\0');
      const HRESULT hr = holder->CompareIDs(SHCIDS_CANONICALONLY, reinterpret_cast<LPCITEMIDLIST>(itemA.data()),
                                            reinterpret_cast<LPCITEMIDLIST>(itemB.data()));
      if (FAILED(hr) || HRESULT_CODE(hr) != 0) break;
    }
    common = level;
  }
  FParentItems = common;
  FParent = FirstItems(first.IDList, first.Offsets, common);
}

IShellFolder* TNameFolders::Bind(TFolder& folder) {
  if (!folder.Folder && !folder.Unbound) {
    folder.Folder =
        folder.InBase ? BindFolder(FBase.Get(), folder.FromBase) : BindFolder(FDesktop.Get(), folder.IDList);
    folder.Unbound = !folder.Folder;
  }
  return folder.Folder.Get();
}

void TNameFolders::List(TFolder& folder) {
  folder.Listed = true;
  // Only a folder named by a full path ("X:\..." or "\\server\...") is listed by that path.
  const std::wstring& path = folder.Path;
  const bool full = path.size() >= 3 && (path.back() == L'\\' || path.back() == L'/') &&
                    ((path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) || path.compare(0, 2, L"\\\\") == 0);
  if (folder.Names.size() < kListFrom || !full) return;
  IShellFolder* shellFolder = Bind(folder);
  if (!shellFolder) return;
  if (!FListingContext) {
    if (FAILED(CreateBindCtx(0, FListingContext.Put()))) return;
    FListingData = new TFindDataBinding();
    const HRESULT hr = FListingContext->RegisterObjectParam(const_cast<LPOLESTR>(STR_FILE_SYS_BIND_DATA), FListingData);
    FListingData->Release();  // the context holds it
    if (FAILED(hr)) {
      FListingContext.Reset();
      return;
    }
  }
  for (size_t i : folder.Names)
    if (!IsDotComponent(OwnName(i))) folder.Listing.emplace(OwnName(i), std::string());
  size_t wanted = folder.Listing.size();
  size_t reach = kListingReach * wanted + 16;
  WIN32_FIND_DATAW found;
  // Closed on every path: a parse below may raise (no memory), and the callers go on after it.
  const TUniqueFindHandle h(FindFirstFileExW((path + L'*').c_str(), FindExInfoStandard, &found, FindExSearchNameMatch,
                                             nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!h) return;
  do {
    auto it = folder.Listing.find(std::wstring_view(found.cFileName));
    if (it == folder.Listing.end() || !it->second.empty()) continue;
    FListingData->Data = found;
    if (TItemIDListPtr pidl = ParseName(shellFolder, found.cFileName, FListingContext.Get())) {
      it->second = PIDLToString(pidl.Get());
      --wanted;
    }
  } while (wanted > 0 && --reach > 0 && FindNextFileW(h.Get(), &found));
}

bool TNameFolders::Child(size_t i, std::string& child) {
  TFolder& folder = FFolders[FFolderOf[i]];
  const size_t below = folder.Offsets[FParentItems];
  child.assign(folder.IDList, below, folder.Offsets.back() - below);
  const std::wstring_view own = OwnName(i);
  if (!own.empty()) {
    if (!folder.Listed) List(folder);
    auto listed = folder.Listing.find(own);
    if (listed != folder.Listing.end() && !listed->second.empty()) {
      child.append(listed->second, 0, listed->second.size() - 2);
    } else {
      TItemIDListPtr pidl = ParseName(Bind(folder), own);
      if (!pidl) return false;
      const auto* bytes = reinterpret_cast<const char*>(pidl.Get());
      child.append(bytes, IDListSize(pidl.Get()) - 2);
    }
  }
  child.append(2, '\0');
  return true;
}

}  // namespace

TItemIDListPtr PathToPIDL(const std::string& path) {
  TComPtr<IShellFolder> desktop = DesktopFolder();
  return ParseName(desktop.Get(), AnsiToWide(path));
}

std::string PIDLToString(LPCITEMIDLIST pidl) {
  if (!pidl) return std::string();
  return std::string(reinterpret_cast<const char*>(pidl), IDListSize(pidl));
}

std::string JoinPIDLs(std::string_view parent, std::string_view child) {
  std::string r;
  if (parent.size() > 2) r.assign(parent.data(), parent.size() - 2);
  r.append(child.data(), child.size());
  return r;
}

std::string PIDLToPath(std::string_view idList) {
  size_t len = 0;
  if (!CheckIDList(idList.data(), idList.size(), len)) return std::string();
  // A copy with the alignment the shell expects of an ITEMIDLIST, and zeros after it.
  std::vector<uint16_t> aligned((len + 1) / 2 + 1, 0);
  std::memcpy(aligned.data(), idList.data(), len);
  char path[MAX_PATH + 1] = {};
  if (!SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(aligned.data()), path)) return std::string();
  path[MAX_PATH] = 0;
  return path;
}

std::string GetCommonParentPIDL(const std::vector<std::string>& filenames) {
  if (filenames.empty()) return std::string();
  return TNameFolders(filenames).Parent();
}

std::string GetCommonParentPIDL(const TStrings& filenames) { return GetCommonParentPIDL(StringsToVector(filenames)); }

bool FilenamesToPIDLs(const std::vector<std::string>& filenames, std::vector<std::string>& pidls) {
  pidls.clear();
  if (filenames.empty()) return false;
  TNameFolders folders(filenames);
  std::vector<std::string> out;
  out.reserve(filenames.size() + 1);
  out.push_back(folders.Parent());
  for (size_t i = 0; i < filenames.size(); ++i) {
    out.emplace_back();
    if (!folders.Child(i, out.back())) return false;
  }
  pidls = std::move(out);
  return true;
}

std::vector<std::string> PIDLsToFilenames(TStringViews pidls) {
  std::vector<std::string> paths(pidls.size() < 2 ? 0 : pidls.size() - 1);
  TPIDLPathResolver resolver;
  for (size_t i = 0; i < paths.size(); ++i) paths[i] = resolver.Path(pidls[0], pidls[i + 1]);
  return paths;
}

std::string TPIDLPathResolver::Path(std::string_view parent, std::string_view child) {
  size_t parentLen = 0, len = 0;
  if (!CheckIDList(parent.data(), parent.size(), parentLen)) return std::string();
  parent = parent.substr(0, parentLen);
  if (parent != FParent) {
    // Another parent: the folders bound below the last one are not this one's.
    FFolders.clear();
    FParent.assign(parent);
  }
  if (!FDesktop) FDesktop = DesktopFolder();
  if (!FDesktop || !CheckIDList(child.data(), child.size(), len)) return std::string();
  // The steps of SHGetPathFromIDListA, with the file's folder bound once for all its files.
  const std::string full = JoinPIDLs(parent, child.substr(0, len));
  const std::vector<size_t> offsets = ItemOffsets(full);
  const size_t last = offsets.size() > 1 ? offsets[offsets.size() - 2] : 0;
  std::string key = full.substr(0, last);  // the file's folder: every item but the last
  auto it = FFolders.find(key);
  if (it == FFolders.end()) {
    TComPtr<IShellFolder> bound = BindFolder(FDesktop.Get(), key + std::string(2, '\0'));
    it = FFolders.emplace(std::move(key), std::move(bound)).first;
  }
  IShellFolder* folder = it->second.Get();
  if (!folder) return std::string();
  // The item with zeros after it: the shell reads its strings up to a zero.
  const std::string item = full.substr(last) + std::string(2, '\0');
  auto pidl = reinterpret_cast<LPCITEMIDLIST>(item.data());
  ULONG attributes = SFGAO_FILESYSTEM;
  if (FAILED(folder->GetAttributesOf(1, &pidl, &attributes)) || !(attributes & SFGAO_FILESYSTEM)) return std::string();
  STRRET name{};
  wchar_t wide[MAX_PATH] = {};
  if (FAILED(folder->GetDisplayNameOf(pidl, SHGDN_FORPARSING, &name)) ||
      FAILED(StrRetToBufW(&name, pidl, wide, MAX_PATH)))
    return std::string();
  char path[MAX_PATH] = {};
  if (WideCharToMultiByte(CP_ACP, 0, wide, -1, path, MAX_PATH, nullptr, nullptr) <= 0) return std::string();
  return path;
}

}  // namespace korv
