#include "shell/browser/ShellBrowser.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/Streaming.h"
#include "shell/unicode/TntSysUtils.h"

namespace korv {

// ---------------------------------------------------------------------------------------------
// Special folders

namespace {

constexpr int kCSIDL[kShellSpecialFolderCount] = {
    17, 10, 3,  0,  16, 17, 20, 19, 18, 5,  4,  2,  8, 9,  11, 7,  21, 6,  22,
    24, 25, 26, 27, 31, 32, 33, 34, 23, 29, 35, 46, 1, 28, 39, 38, 37, 43,
};

const char* const kSpecialFolderNames[] = {
    "SF_FILESYSTEMFOLDER",
    "SF_BITBUCKET",
    "SF_CONTROLS",
    "SF_DESKTOP",
    "SF_DESKTOPDIRECTORY",
    "SF_DRIVES",
    "SF_FONTS",
    "SF_NETHOOD",
    "SF_NETWORK",
    "SF_PERSONAL",
    "SF_PRINTERS",
    "SF_PROGRAMS",
    "SF_RECENT",
    "SF_SENDTO",
    "SF_STARTMENU",
    "SF_STARTUP",
    "SF_TEMPLATES",
    "SF_FAVORITES",
    "SF_COMMON_STARTMENU",
    "SF_COMMON_STARTUP",
    "SF_COMMON_DESKTOPDIRECTORY",
    "SF_APPDATA",
    "SF_PRINTHOOD",
    "SF_COMMON_FAVORITES",
    "SF_INTERNET_CACHE",
    "SF_COOKIES",
    "SF_HISTORY",
    "SF_COMMON_PROGRAMS",
    "SF_ALTSTARTUP",
    "SF_COMMON_APPDATA",
    "SF_COMMON_DOCUMENTS",
    "SF_INTERNET",
    "SF_LOCAL_APPDATA",
    "SF_MYPICTURES",
    "SF_PROGRAM_FILES",
    "SF_SYSTEM",
    "SF_PROGRAM_FILES_COMMON",
};
static_assert(std::size(kSpecialFolderNames) == kShellSpecialFolderCount);

struct TBrowserUnitState {
  TComPtr<IShellFolder> Desktop;
  bool PlatformV4 = false;
  bool Started = false;  // also when the desktop could not be had: that is the shell's failure
};

TBrowserUnitState& UnitState() noexcept {
  static TBrowserUnitState state;
  return state;
}

// The location of a special folder: the empty list for the desktop; null when the platform has
// none.
TIDList SpecialFolderLocation(TShellSpecialFolder value, HWND owner) noexcept {
  if (value == SF_DESKTOP) return AllocIDList(sizeof(USHORT));
  TIDList list;
  if (FAILED(SHGetSpecialFolderLocation(owner, kCSIDL[value], list.Put()))) list.Reset();
  return list;
}

bool HasBackslash(std::wstring_view s) noexcept { return s.find(L'\\') != std::wstring_view::npos; }

std::wstring WithTrailingBackslash(std::wstring s) {
  if (!s.empty() && s.back() != L'\\') s += L'\\';
  return s;
}

// "\\server\..." with something after the server name.
bool IsUncPath(const std::wstring& path) noexcept {
  return path.size() >= 4 && path[0] == L'\\' && path[1] == L'\\' && path.find(L'\\', 2) != std::wstring::npos;
}

// A root path: the drive ("C:" or "\\server\share") with or without its "\".
bool IsRootPath(const std::wstring& path) {
  std::wstring drive = WideExtractFileDrive(path);
  if (drive.empty()) return false;
  return WideSameText(path, drive) || WideSameText(path, drive + L"\\");
}

// The long part of a hint ("short|long"); the whole hint without "|".
std::string LongHint(const std::string& hint) {
  size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

// Whether a path names something that exists: roots always do; otherwise a directory search
// must find it (a trailing "\" removed first).
bool PathStillExists(std::wstring path) {
  if (path.empty()) return false;
  if (IsRootPath(path)) return true;
  if (path.size() > 1 && path.back() == L'\\') path.pop_back();
  if (path.find_first_of(L"*?") != std::wstring::npos) return false;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(path.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return false;
  ::FindClose(h);
  return true;
}

// Touches a server of a UNC path so that the shell knows it: parses "\\server" through the
// desktop, binds it and fetches one item of it. Failures are ignored (the caller parses again).
void TouchServer(IShellFolder* desktop, const std::wstring& path) noexcept {
  size_t end = path.find(L'\\', 2);
  std::wstring server = path.substr(0, end);
  TIDList list = ParseName(desktop, server);
  if (!list) return;
  TComPtr<IShellFolder> folder;
  if (FAILED(desktop->BindToObject(list.Get(), nullptr, IID_IShellFolder, folder.PutVoid())) || !folder) return;
  TComPtr<IEnumIDList> items;
  HWND wnd = Application ? Application->Handle() : nullptr;
  if (folder->EnumObjects(wnd, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, items.Put()) != S_OK ||
      !items)
    return;
  TIDList item;
  ULONG fetched = 0;
  (void)items->Next(1, item.Put(), &fetched);
}

constexpr SHCONTF kEnumFlags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;  // 224

}  // namespace

int SpecialFolderCSIDL(TShellSpecialFolder folder) noexcept {
  return folder < kShellSpecialFolderCount ? kCSIDL[folder] : -1;
}

const char* SpecialFolderName(TShellSpecialFolder folder) noexcept {
  return folder < kShellSpecialFolderCount ? kSpecialFolderNames[folder] : "";
}

// ---------------------------------------------------------------------------------------------
// Unit start and end

void InitializeShellBrowser() {
  TBrowserUnitState& s = UnitState();
  s.Started = true;
  // Forms that carry the component create it by its class name when they are read.
  RegisterClass(TShellBrowser::StaticClass());
  if (!s.Desktop) {
    if (FAILED(SHGetDesktopFolder(s.Desktop.Put())) || !s.Desktop) {
      s.Desktop.Reset();
      SetShellStartupError("ShellBrowser Components: Cannot open Shell!");
      if (Application) Application->Terminate();
    }
  }
  OSVERSIONINFOA vi{};
  vi.dwOSVersionInfoSize = sizeof vi;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (GetVersionExA(&vi)) s.PlatformV4 = vi.dwMajorVersion == 4 && vi.dwMinorVersion <= 10;
#pragma GCC diagnostic pop
}

void FinalizeShellBrowser() noexcept {
  UnitState().Started = false;
  UnitState().Desktop.Reset();
  try {
    UnRegisterClass(TShellBrowser::StaticClass());
  } catch (...) {
  }
}

namespace {
void StopShellUnits() noexcept {
  FinalizeShellBrowser();
  FinalizeShellWin32();
}

void StartShellUnits() {
  SetShellStartupError({});
  InitializeShellWin32();
  InitializeShellBrowser();
  if (!ShellStartupError().empty()) {
    std::string message = ShellStartupError();
    StopShellUnits();
    throw EShellBrowserError(message);
  }
}
}  // namespace

const TLibraryUnit ShellUnit{"the shell units", kShellUnitOrder, &StartShellUnits, &StopShellUnits,
                             []() noexcept { return UnitState().Started; }};
// Linked into every program that links this library (its target asks the linker for it).
extern "C" const TLibraryUnitRegistration korv_shell_unit(ShellUnit);

IShellFolder* DesktopFolder() {
  RequireStarted(ShellUnit, "The shell's desktop folder");
  IShellFolder* d = UnitState().Desktop.Get();
  if (!d) throw EShellBrowserError("ShellBrowser Components: Cannot open Shell!");
  return d;
}

bool ShellPlatformVersion4() noexcept { return UnitState().PlatformV4; }

// ---------------------------------------------------------------------------------------------
// Published properties

namespace {
const TPropInfo kShellBrowserProps[] = {
    KORV_PROP_WSTR(TShellBrowser, Filter, ""),
    KORV_PROP_WSTR(TShellBrowser, Folder, ""),
    KORV_PROP_WSTR(TShellBrowser, ObjectName, ""),
    KORV_PROP_BOOL(TShellBrowser, FileSystemOnly, false),
    KORV_PROP_BOOL(TShellBrowser, ShowErrorMessages, true),
    KORV_PROP_BOOL(TShellBrowser, ShowContextMenuOnTop, false),
    KORV_PROP_ENUM(TShellBrowser, SpecialFolder, kSpecialFolderNames, SF_DRIVES),
};
}  // namespace
KORV_DEFINE_PROPS(TShellBrowser, kShellBrowserProps);
KORV_DEFINE_CLASS(TShellBrowser, TComponent, &CreateComponent<TShellBrowser>, &TShellBrowser_PropTable);

// ---------------------------------------------------------------------------------------------
// Life cycle

struct TShellBrowser::TBoundFolder {
  TComPtr<IShellFolder> Folder;
  TIDList List;
  std::wstring Path;
};

TShellBrowser::TShellBrowser(TComponent* owner)
    : TComponent(owner), FMultiObjects(std::make_unique<TFileNames>()), FFilters(std::make_unique<TFileNames>()) {
  RequireStarted(ShellUnit, "TShellBrowser");
  SetFolder(L"");
}

TShellBrowser::~TShellBrowser() {
  if (FMenuWindow) DeallocateHWnd(std::exchange(FMenuWindow, nullptr));
}

void TShellBrowser::AfterConstruction() {
  inherited::AfterConstruction();
  // The reader makes the components of a form while the form is loading: they wait for Loaded.
  if (!Owner() || !Owner()->HasState(csLoading)) FLoaded = true;
}

void TShellBrowser::Loaded() {
  inherited::Loaded();
  FLoaded = true;
}

void TShellBrowser::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
}

std::string TShellBrowser::Version() const { return ClassName() + " V5.21"; }

HWND TShellBrowser::OwnerWindow() const {
  if (!FShowErrorMessages) return nullptr;
  if (FLoaded)
    if (auto* control = dynamic_cast<TWinControl*>(Owner())) return control->Handle();
  return Application ? Application->Handle() : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Folder

TShellBrowser::TBoundFolder TShellBrowser::BindFolder(LPCITEMIDLIST list) const {
  IShellFolder* desktop = DesktopFolder();
  TBoundFolder b;
  if (!list) {
    throw EShellBrowserError(
        "ShellBrowser.SetFolderIDList: Desktop.BindToObject: Could not get IShellFolder interface. (" +
        SysErrorText(static_cast<DWORD>(E_POINTER)) + ")");
  }
  if (IsEmptyIDList(list)) {
    b.Folder = TComPtr<IShellFolder>::Share(desktop);
  } else {
    HRESULT hr = desktop->BindToObject(list, nullptr, IID_IShellFolder, b.Folder.PutVoid());
    if (FAILED(hr) || !b.Folder) {
      b.Folder.Reset();
      throw EShellBrowserError(
          "ShellBrowser.SetFolderIDList: Desktop.BindToObject: Could not get IShellFolder interface. (" +
          SysErrorText(static_cast<DWORD>(FAILED(hr) ? hr : E_NOINTERFACE)) + ")");
    }
  }
  b.List = CopyIDList(list);
  if (!b.List) throw EOutOfMemory("Out of memory");
  b.Path = WithTrailingBackslash(IDListPath(list));
  return b;
}

void TShellBrowser::CommitFolder(TBoundFolder&& bound) noexcept {
  FEnum.Reset();
  FFolder = std::move(bound.Folder);
  FFolderIDList = std::move(bound.List);
  FObjectIDList.Reset();
  FAbsObjectIDList.Reset();
  FFolderPath = std::move(bound.Path);
}

void TShellBrowser::SetFolderIDList(LPCITEMIDLIST list) {
  if (list && FFolderIDList && SameIDList(DesktopFolder(), list, FFolderIDList.Get())) {
    FEnum.Reset();
    return;
  }
  CommitFolder(BindFolder(list));
}

std::wstring TShellBrowser::Folder() const {
  if (!FFolderPath.empty() && IDListCount(FFolderIDList.Get()) == 2) {
    std::wstring target = ResolveShortcut(FFolderPath);
    if (!target.empty()) FFolderPath = WithTrailingBackslash(target);
  }
  return FFolderPath;
}

namespace {
// The absolute list of a folder path: "" is the computer folder; a UNC path whose server is not
// yet known is tried again after touching the server. Raises the "path not found" error.
TIDList ParseFolderPath(const std::wstring& path, HWND owner) {
  IShellFolder* desktop = DesktopFolder();
  TIDList list = path.empty() ? ParseName(nullptr, L"", owner) : ParseName(desktop, path);
  if (!list && IsUncPath(path)) {
    TouchServer(desktop, path);
    list = ParseName(desktop, path);
  }
  if (!list) throw EShellBrowserError(SysErrorText(ERROR_PATH_NOT_FOUND) + "\r\n" + WideToAnsi(path));
  return list;
}
}  // namespace

void TShellBrowser::SetFolder(const std::wstring& path) {
  if (!path.empty() && WideSameText(path, Folder())) return;
  TIDList list = ParseFolderPath(path, OwnerWindow());
  SetFolderIDList(list.Get());
}

// ---------------------------------------------------------------------------------------------
// Current object

void TShellBrowser::SetObjectIDList(LPCITEMIDLIST list) {
  FAbsObjectIDList.Reset();
  if (list == FObjectIDList.Get()) return;
  TIDList copy = CopyIDList(list);
  if (list && !copy) throw EOutOfMemory("Out of memory");
  FObjectIDList = std::move(copy);
}

LPCITEMIDLIST TShellBrowser::AbsoluteObjectIDList() const {
  if (!FObjectIDList || !FFolderIDList) return nullptr;
  if (!FAbsObjectIDList) FAbsObjectIDList = ConcatIDLists(FFolderIDList.Get(), FObjectIDList.Get());
  return FAbsObjectIDList.Get();
}

void TShellBrowser::SetObjectName(const std::wstring& value) {
  std::wstring name = value;
  if (name.size() > 3 && name.back() == L'\\') name.pop_back();
  if (name.empty()) {
    SetObjectIDList(nullptr);
    return;
  }
  if (!HasBackslash(name)) {
    SelectInFolder(name);
    return;
  }
  if (WideSameText(WideExcludeTrailingBackslash(name), WideExtractFileDrive(name))) {
    // A drive or share root: its parent becomes the folder and the root the current object.
    TIDList full = ParseFolderPath(name, OwnerWindow());
    int n = IDListCount(full.Get());
    if (n == 0) {
      SetSpecialFolder(SF_DESKTOP);
      return;
    }
    TIDList parent = CopyIDListHead(full.Get(), n - 1);
    TIDList item = CopyIDListItem(full.Get(), n - 1);
    if (!parent || !item) throw EOutOfMemory("Out of memory");
    SetFolderIDList(parent.Get());
    SetObjectIDList(item.Get());
    return;
  }
  // A path: its folder is bound, then the name selected there. When the name is not found the
  // previous folder and object come back, so a failed assignment changes nothing.
  TBoundFolder saved{FFolder, CopyIDList(FFolderIDList.Get()), FFolderPath};
  TIDList savedObject = CopyIDList(FObjectIDList.Get());
  SetFolder(WideExtractFilePath(name));
  try {
    SelectInFolder(WideExtractFileName(name));
  } catch (...) {
    if (saved.List) {
      CommitFolder(std::move(saved));
      FObjectIDList = std::move(savedObject);
    }
    throw;
  }
}

void TShellBrowser::SelectInFolder(const std::wstring& name) {
  // A failed lookup restores the previous object: the enumeration moves the current object on
  // its way, and an unrelated item must not stay selected.
  TIDList previous = CopyIDList(FObjectIDList.Get());
  {
    std::optional<TErrorModeGuard> mode;
    if (!FShowErrorMessages) mode.emplace(SEM_FAILCRITICALERRORS);
    TIDList item = ParseName(FFolder.Get(), name);
    if (item && IDListCount(item.Get()) == 1) {
      SetObjectIDList(item.Get());
      return;
    }
  }
  struct TDropEnum {
    TComPtr<IEnumIDList>& E;
    ~TDropEnum() { E.Reset(); }
  } dropEnum{FEnum};
  FEnum.Reset();
  while (FindNext()) {
    if (WideSameText(DisplayName(), name) || WideSameText(ObjectName(), name)) return;
  }
  FAbsObjectIDList.Reset();
  FObjectIDList = std::move(previous);
  throw EShellBrowserError("Error! Cannot find Object \"" + WideToAnsi(name) + "\" in Folder \"" +
                           WideToAnsi(Folder()) + "\"");
}

std::wstring TShellBrowser::ObjectName() const {
  if (!FFolderIDList || !FObjectIDList || !FFolder) return std::wstring();
  std::wstring name;
  WIN32_FIND_DATAW fd{};
  if (SUCCEEDED(SHGetDataFromIDListW(FFolder.Get(), FObjectIDList.Get(), SHGDFIL_FINDDATA, &fd, sizeof fd))) {
    fd.cFileName[MAX_PATH - 1] = L'\0';
    name = fd.cFileName;
  }
  if (name.empty()) {
    LPCITEMIDLIST abs = AbsoluteObjectIDList();
    if (IDListCount(abs) >= 2) {
      std::wstring path = IDListPath(abs);
      if (!path.empty()) {
        if (WideSameText(path, WideExtractFileDrive(path) + L"\\")) return path;
        name = WideExtractFileName(path);
      }
    }
  }
  if (name.empty()) name = NetResourceName(FFolder.Get(), FObjectIDList.Get());
  return name;
}

std::wstring TShellBrowser::DisplayName() const {
  std::wstring name;
  if (FFolder && FObjectIDList) {
    STRRET sr{};
    if (SUCCEEDED(FFolder->GetDisplayNameOf(FObjectIDList.Get(), SHGDN_NORMAL, &sr)))
      name = StrRetToString(sr, FObjectIDList.Get());
  }
  return name.empty() ? ObjectName() : name;
}

bool TShellBrowser::IsFolder() const {
  if (!FObjectIDList || !FFolder) return false;
  LPCITEMIDLIST item = FObjectIDList.Get();
  if (FFileSystemOnly) {
    SFGAOF attrs = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
    if (FAILED(FFolder->GetAttributesOf(1, &item, &attrs))) return false;
    return (attrs & SFGAO_FOLDER) && (ShellPlatformVersion4() || (attrs & SFGAO_FILESYSANCESTOR));
  }
  SFGAOF attrs = SFGAO_FOLDER;
  if (FAILED(FFolder->GetAttributesOf(1, &item, &attrs))) return false;
  return (attrs & SFGAO_FOLDER) != 0;
}

// ---------------------------------------------------------------------------------------------
// Special folders

TShellSpecialFolder TShellBrowser::SpecialFolderOf(LPCITEMIDLIST list) const {
  if (!list) return SF_FILESYSTEMFOLDER;
  IShellFolder* desktop = DesktopFolder();
  for (int v = 1; v < kShellSpecialFolderCount; ++v) {
    TIDList loc = SpecialFolderLocation(static_cast<TShellSpecialFolder>(v), nullptr);
    if (loc && SameIDList(desktop, loc.Get(), list)) return static_cast<TShellSpecialFolder>(v);
  }
  return SF_FILESYSTEMFOLDER;
}

TShellSpecialFolder TShellBrowser::SpecialFolder() const { return SpecialFolderOf(FFolderIDList.Get()); }

void TShellBrowser::SetSpecialFolder(TShellSpecialFolder value) {
  if (value >= kShellSpecialFolderCount) throw ERangeError("Range check error");
  if (value == SF_FILESYSTEMFOLDER && HasState(csLoading)) return;
  TIDList list = SpecialFolderLocation(value, OwnerWindow());
  if (!list) return;
  SetFolderIDList(list.Get());
}

// ---------------------------------------------------------------------------------------------
// Filter and enumeration

std::wstring TShellBrowser::Filter() const {
  int n = FFilters->Count();
  if (n == 0) return L"*";
  std::wstring s;
  for (int i = 0; i < n; ++i) {
    if (i) s += L';';
    s += FFilters->Get(i);
  }
  return s;
}

void TShellBrowser::SetFilter(const std::wstring& value) {
  FFilters->Clear();
  if (value.empty() || value == L"*") return;
  std::wstring v = value;
  if (v.back() != L';') v += L';';
  size_t start = 0;
  for (size_t semi; (semi = v.find(L';', start)) != std::wstring::npos; start = semi + 1)
    FFilters->Add(v.substr(start, semi - start));
}

bool TShellBrowser::PassesFilter() const {
  int n = FFilters->Count();
  if (n == 0 || IsFolder()) return true;
  std::wstring name = ObjectName();
  for (int i = 0; i < n; ++i)
    if (MatchSpec(name, FFilters->Get(i))) return true;
  return false;
}

bool TShellBrowser::SkippedAsNonFileSystem() const {
  LPCITEMIDLIST item = FObjectIDList.Get();
  SFGAOF attrs = SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR;
  if (FAILED(FFolder->GetAttributesOf(1, &item, &attrs))) attrs = 0;
  if (attrs & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)) return false;
  std::wstring name = ObjectName();
  if (WideUpperCaseEx(name.substr(0, 7)) == L"RECYCLE") return false;
  TShellSpecialFolder bound = SpecialFolder();
  if (bound == SF_NETWORK) return name.empty();
  TShellSpecialFolder own = SpecialFolderOf(AbsoluteObjectIDList());
  return own != SF_DRIVES && own != SF_NETWORK;
}

bool TShellBrowser::FindNext() {
  if (!FFolder) return false;
  if (!FEnum) {
    TErrorModeGuard mode(FShowErrorMessages ? 0 : SEM_FAILCRITICALERRORS);
    HRESULT hr = FFolder->EnumObjects(OwnerWindow(), kEnumFlags, FEnum.Put());
    if (hr != S_OK || !FEnum) {
      FEnum.Reset();
      return false;
    }
  }
  for (;;) {
    TIDList item;
    ULONG fetched = 0;
    HRESULT hr = FEnum->Next(1, item.Put(), &fetched);
    if (hr != S_OK || fetched != 1 || !item) {
      FEnum.Reset();
      return false;
    }
    FAbsObjectIDList.Reset();
    FObjectIDList = std::move(item);
    if (FFileSystemOnly && SkippedAsNonFileSystem()) continue;
    if (PassesFilter()) return true;
  }
}

// ---------------------------------------------------------------------------------------------
// Context menu

TComPtr<IContextMenu> TShellBrowser::GetContextMenu() {
  // Every exit, a raise included, consumes the names added for this call.
  struct TClearNames {
    TFileNames* Names;
    ~TClearNames() {
      try {
        Names->Clear();
      } catch (...) {
      }
    }
  } clearNames{FMultiObjects.get()};

  std::vector<TIDList> items;
  int n = FMultiObjects->Count();
  if (n == 0) {
    if (!FObjectIDList) {
      SetLastError(static_cast<DWORD>(E_INVALIDARG));
      return nullptr;
    }
    items.push_back(CopyIDList(FObjectIDList.Get()));
  } else if (n == 1) {
    std::wstring entry = FMultiObjects->Get(0);
    if (HasBackslash(entry)) {
      SetObjectName(entry);
      if (!FObjectIDList) {
        SetLastError(static_cast<DWORD>(E_INVALIDARG));
        return nullptr;
      }
      items.push_back(CopyIDList(FObjectIDList.Get()));
    } else {
      TIDList item = ParseName(FFolder.Get(), entry);
      if (!item || IDListCount(item.Get()) != 1) return nullptr;
      items.push_back(std::move(item));
    }
  } else {
    // Several objects: they must share one parent folder, which is bound, and each must be one
    // item of it. A list spanning several levels would make the shell act on its first level.
    std::wstring parent;
    std::vector<std::wstring> names;
    for (int i = 0; i < n; ++i) {
      std::wstring entry = FMultiObjects->Get(i);
      if (entry.size() > 3 && entry.back() == L'\\') entry.pop_back();
      size_t k = entry.rfind(L'\\');
      std::wstring p = k == std::wstring::npos ? FFolderPath : entry.substr(0, k + 1);
      std::wstring name = k == std::wstring::npos ? entry : entry.substr(k + 1);
      if (name.empty()) {
        SetLastError(static_cast<DWORD>(E_INVALIDARG));
        return nullptr;
      }
      if (i == 0) {
        parent = p;
      } else if (!WideSameText(p, parent)) {
        SetLastError(static_cast<DWORD>(E_INVALIDARG));
        return nullptr;
      }
      names.push_back(std::move(name));
    }
    // The current object is set aside and comes back afterwards when the folder stayed the same.
    struct TRestoreObject {
      TShellBrowser& B;
      TIDList Folder = CopyIDList(B.FFolderIDList.Get());
      TIDList Object = CopyIDList(B.FObjectIDList.Get());
      ~TRestoreObject() {
        if (Folder && B.FFolderIDList && IDListSize(Folder.Get()) == IDListSize(B.FFolderIDList.Get()) &&
            std::memcmp(Folder.Get(), B.FFolderIDList.Get(), IDListSize(Folder.Get())) == 0) {
          B.FAbsObjectIDList.Reset();
          B.FObjectIDList = std::move(Object);
        }
      }
    } restore{*this};
    if (!parent.empty() && !WideSameText(parent, FFolderPath)) SetFolder(parent);
    for (const std::wstring& name : names) {
      TIDList item = ParseName(FFolder.Get(), name);
      if (!item) {
        SelectInFolder(name);
        item = CopyIDList(FObjectIDList.Get());
      }
      if (!item || IDListCount(item.Get()) != 1) {
        SetLastError(static_cast<DWORD>(E_INVALIDARG));
        return nullptr;
      }
      items.push_back(std::move(item));
    }
  }

  std::vector<LPCITEMIDLIST> apidl;
  for (const TIDList& item : items) {
    if (!item) throw EOutOfMemory("Out of memory");
    apidl.push_back(item.Get());
  }
  TComPtr<IContextMenu> menu;
  HRESULT hr = GetUIObjectProc ? GetUIObjectProc(FFolder.Get(), OwnerWindow(), static_cast<UINT>(apidl.size()),
                                                 apidl.data(), IID_IContextMenu, menu.PutVoid())
                               : FFolder->GetUIObjectOf(OwnerWindow(), static_cast<UINT>(apidl.size()), apidl.data(),
                                                        IID_IContextMenu, nullptr, menu.PutVoid());
  if (FAILED(hr) || !menu) {
    menu.Reset();
    SetLastError(static_cast<DWORD>(FAILED(hr) ? hr : E_NOINTERFACE));
  }
  return menu;
}

void TShellBrowser::CopyMenuItems(TMenuItem* source, TMenuItem* dest) {
  for (int i = 0; i < source->Count(); ++i) {
    TMenuItem* from = source->Items(i);
    std::unique_ptr<TMenuItem> copy(NewComponent<TMenuItem>(nullptr));
    copy->SetCaption(from->Caption());
    copy->SetShortCut(from->ShortCut());
    copy->OnClick = from->OnClick;
    copy->SetName(from->Name());
    copy->SetBreak(from->Break());
    copy->SetGroupIndex(from->GroupIndex());
    copy->SetRadioItem(from->RadioItem());
    copy->SetChecked(from->Checked());
    copy->SetDefault(from->Default());
    copy->SetEnabled(from->Enabled());
    copy->SetHelpContext(from->HelpContext());
    copy->SetTag(from->Tag());
    copy->SetVisible(from->Visible());
    copy->SetImageIndex(from->ImageIndex());
    copy->SetHint(from->Hint());
    TMenuItem* raw = copy.get();
    dest->Add(copy.release());
    CopyMenuItems(from, raw);
  }
}

std::string TShellBrowser::PopupContextMenu(POINT point, TPopupMenu* popupMenu) {
  if (FMenuWindow || FMergedMenu) {
    // Already showing a menu (called from inside it): nothing, and the names are consumed.
    FMultiObjects->Clear();
    return std::string();
  }
  std::string result;
  // The first object's path for the check after a "delete", noted before the folder moves.
  std::wstring firstPath;
  if (FMultiObjects->Count() > 0) {
    std::wstring first = FMultiObjects->Get(0);
    firstPath = WideExtractFileDrive(first).empty() ? Folder() + first : first;
  } else {
    firstPath = Folder() + ObjectName();
  }

  {
    // Hidden window, context menu, merged menu and second-version interface go on every exit.
    struct TMenuSession {
      TShellBrowser& B;
      TComPtr<IContextMenu> Menu;
      ~TMenuSession() {
        if (B.FMenuWindow) DeallocateHWnd(std::exchange(B.FMenuWindow, nullptr));
        Menu.Reset();
        B.FMergedMenu.reset();
        B.FContextMenu2.Reset();
        B.FContextMenu3.Reset();
        B.FCopiedCount = 0;
      }
    } session{*this, GetContextMenu()};
    IContextMenu* menu = session.Menu.Get();
    if (!menu) return result;

    if (FAILED(session.Menu.As(IID_IContextMenu2, FContextMenu2))) FContextMenu2.Reset();
    if (FAILED(session.Menu.As(IID_IContextMenu3, FContextMenu3))) FContextMenu3.Reset();
    if (popupMenu && popupMenu->OnPopup) popupMenu->OnPopup(popupMenu);

    FMergedMenu.reset(NewComponent<TPopupMenu>(nullptr));
    if (popupMenu) {
      CopyMenuItems(popupMenu->Items(), FMergedMenu->Items());
      FMergedMenu->SetImages(popupMenu->Images());
    }
    HMENU handle = FMergedMenu->Handle();
    if (!handle) return result;
    FCopiedCount = std::max(0, GetMenuItemCount(handle));

    UINT flags = CMF_EXPLORE | (OnRename ? CMF_CANRENAME : 0);
    if (FAILED(menu->QueryContextMenu(handle, FShowContextMenuOnTop ? 0 : FCopiedCount, 1, 255, flags))) return result;

    FMenuWindow = AllocateHWnd(TWndMethod(this, &TShellBrowser::MenuWndProc));
    UINT id = TrackMenu(handle, FMenuWindow, point, TPM_RETURNCMD | TPM_RIGHTBUTTON);

    if (id != 0) {
      if (TMenuItem* item = FMergedMenu->FindItem(id, fkCommand)) {
        item->Click();
        id = 0;
      }
    }
    if (id >= 1 && id <= 255) {
      char verb[260] = {};
      if (FAILED(menu->GetCommandString(id - 1, GCS_VERBA, nullptr, verb, sizeof verb))) verb[0] = '\0';
      verb[sizeof verb - 1] = '\0';
      result = verb;
      bool execute = true;
      if (OnContextMenuSelect) OnContextMenuSelect(result, execute);
      if (execute) {
        if (SameText(result, "rename") && OnRename) {
          OnRename(this);
        } else {
          CMINVOKECOMMANDINFO info{};
          info.cbSize = sizeof info;
          info.fMask = 0;
          info.hwnd = OwnerWindow();
          info.lpVerb = MAKEINTRESOURCEA(id - 1);
          info.nShow = SW_SHOWNORMAL;
          if (FAILED(menu->InvokeCommand(&info))) result.clear();
        }
      } else {
        result.clear();
      }
    }
  }

  // A "delete" that left its first object in place (cancelled by the user) did nothing.
  if (UpperCase(result) == "DELETE" && PathStillExists(firstPath)) result.clear();
  return result;
}

void TShellBrowser::MenuWndProc(TMessage& message) {
  TMessage& m = message;
  if (FContextMenu2 && !(Application && Application->Terminated())) {
    switch (m.Msg) {
      case WM_INITMENUPOPUP:
      case WM_DRAWITEM:
      case WM_MEASUREITEM: {
        // Every popup but the sub-menus of the copied application items is the shell's: it
        // fills some of them ("Send to", "Open with") only when they open, wherever they stand
        // among the merged items.
        const bool copiedPopup = m.Msg == WM_INITMENUPOPUP && FMergedMenu &&
                                 FMergedMenu->FindItem(static_cast<UINT_PTR>(m.WParam), fkHandle) != nullptr;
        if (!copiedPopup) (void)FContextMenu2->HandleMenuMsg(m.Msg, m.WParam, m.LParam);
        if (HWND list = PopupListWindow()) SendMessageA(list, m.Msg, m.WParam, m.LParam);
        m.Msg = 0;
        break;
      }
      case WM_MENUCHAR: {
        // Only the third interface can answer a typed character (its result is the answer).
        LRESULT answer = 0;
        if (FContextMenu3 && SUCCEEDED(FContextMenu3->HandleMenuMsg2(m.Msg, m.WParam, m.LParam, &answer))) {
          m.Result = answer;
          return;
        }
        break;
      }
      case WM_MENUSELECT: {
        UINT id = LOWORD(m.WParam);
        UINT flags = HIWORD(m.WParam);
        if (!(flags & MF_POPUP) && id >= 1 && id <= 255) {
          wchar_t help[261] = {};
          if (FAILED(
                  FContextMenu2->GetCommandString(id - 1, GCS_HELPTEXTW, nullptr, reinterpret_cast<LPSTR>(help), 260)))
            help[0] = L'\0';
          help[260] = L'\0';
          if (Application) Application->SetHint(WideToAnsi(help));
        } else if (FMergedMenu) {
          TMenuItem* item = nullptr;
          if (flags & MF_POPUP) {
            HMENU sub = m.LParam ? GetSubMenu(reinterpret_cast<HMENU>(m.LParam), static_cast<int>(id)) : nullptr;
            if (sub) item = FMergedMenu->FindItem(reinterpret_cast<UINT_PTR>(sub), fkHandle);
          } else {
            item = FMergedMenu->FindItem(id, fkCommand);
          }
          if (Application) Application->SetHint(item ? LongHint(item->Hint()) : std::string());
        }
        break;
      }
      default:
        break;
    }
  }
  m.Result = DefWindowProcA(FMenuWindow, m.Msg, m.WParam, m.LParam);
}

}  // namespace korv
