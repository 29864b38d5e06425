// TShellBrowser: a non-visual component bound to one folder of the shell's namespace and, within
// it, to one current object, both addressed by UTF-16 paths or by ID lists. It resolves special
// folders, names objects, enumerates a folder through a name filter, and shows the shell's
// context menu for one object or for several objects of one folder, merged with the items of an
// application popup menu.
//
// Binding never leaves the component half-bound: a new folder is parsed and bound into locals
// first and replaces the old one only when everything succeeded; a failure raises
// EShellBrowserError and keeps the old folder, object and path.
//
// The context menu acts only on the objects named: several names must share one parent folder
// and each must be a single item of it (never a list that spans levels, which the shell would
// resolve to its first level, a parent folder). Names of different folders get no menu.
#pragma once

#include <shlobj.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "classlib/Classes.h"
#include "classlib/Controls.h"
#include "classlib/Handles.h"
#include "classlib/Menus.h"
#include "classlib/Startup.h"
#include "classlib/SysUtils.h"
#include "shell/browser/Shell_Win32.h"
#include "shell/unicode/TntClasses.h"

namespace korv {

KORV_EXCEPTION(EShellBrowserError, Exception);

// The special folders, in order, each with the platform's CSIDL (see SpecialFolderCSIDL).
enum TShellSpecialFolder : uint8_t {
  SF_FILESYSTEMFOLDER,
  SF_BITBUCKET,
  SF_CONTROLS,
  SF_DESKTOP,
  SF_DESKTOPDIRECTORY,
  SF_DRIVES,
  SF_FONTS,
  SF_NETHOOD,
  SF_NETWORK,
  SF_PERSONAL,
  SF_PRINTERS,
  SF_PROGRAMS,
  SF_RECENT,
  SF_SENDTO,
  SF_STARTMENU,
  SF_STARTUP,
  SF_TEMPLATES,
  SF_FAVORITES,
  SF_COMMON_STARTMENU,
  SF_COMMON_STARTUP,
  SF_COMMON_DESKTOPDIRECTORY,
  SF_APPDATA,
  SF_PRINTHOOD,
  SF_COMMON_FAVORITES,
  SF_INTERNET_CACHE,
  SF_COOKIES,
  SF_HISTORY,
  SF_COMMON_PROGRAMS,
  SF_ALTSTARTUP,
  SF_COMMON_APPDATA,
  SF_COMMON_DOCUMENTS,
  SF_INTERNET,
  SF_LOCAL_APPDATA,
  SF_MYPICTURES,
  SF_PROGRAM_FILES,
  SF_SYSTEM,
  SF_PROGRAM_FILES_COMMON,
};
inline constexpr int kShellSpecialFolderCount = 37;

// The CSIDL a special folder stands for (SF_DESKTOP: 0, resolved as the empty ID list).
[[nodiscard]] int SpecialFolderCSIDL(TShellSpecialFolder folder) noexcept;
// The identifier of a value ("SF_DRIVES"...).
[[nodiscard]] const char* SpecialFolderName(TShellSpecialFolder folder) noexcept;

// Called with the chosen verb before a context-menu command runs; clearing Execute cancels it.
using TOnContextMenuSelectEvent = TMethod<void(const std::string& Command, bool& Execute)>;

// Start-up of the unit: registers TShellBrowser for form reading, gets the desktop folder and
// queries the platform version. A failure to get the desktop is kept as "ShellBrowser
// Components: Cannot open Shell!" in ShellStartupError and the application is asked to
// terminate. Shut-down releases the desktop folder and unregisters the class.
void InitializeShellBrowser();
void FinalizeShellBrowser() noexcept;
// The shell units as the library's start-up runs them: this unit after the Win32 one. A start-up
// failure raises EShellBrowserError with the shell's message after stopping both. A
// TShellBrowser made while they are stopped raises ENotStarted.
extern const TLibraryUnit ShellUnit;
// The desktop folder. Raises ENotStarted before the unit's start-up, EShellBrowserError when the
// start-up could not get the desktop.
[[nodiscard]] IShellFolder* DesktopFolder();
// True on platform version 4 with a minor version of at most 10.
[[nodiscard]] bool ShellPlatformVersion4() noexcept;

class TShellBrowser : public TComponent {
  KORV_CLASS(TShellBrowser, TComponent)
 public:
  // Bound to the computer folder with no current object.
  explicit TShellBrowser(TComponent* owner);
  ~TShellBrowser() override;

  // Made in code it is whole at once; read from a stored form, once the form is read (Loaded).
  void AfterConstruction() override;
  void Loaded() override;

  // The bound folder's path, ending with "\" when not empty; empty for virtual folders. A
  // two-item folder that is a shortcut reads as the shortcut's target.
  [[nodiscard]] std::wstring Folder() const;
  // Binds a folder by path; "" binds the computer folder. Raises EShellBrowserError (and keeps
  // the old folder) when the path cannot be parsed or bound.
  void SetFolder(const std::wstring& path);
  // The bound folder's absolute ID list (owned by the component).
  [[nodiscard]] LPCITEMIDLIST FolderIDList() const noexcept { return FFolderIDList.Get(); }
  // Binds a folder by absolute ID list; raises EShellBrowserError when it cannot be bound.
  void SetFolderIDList(LPCITEMIDLIST list);
  // The bound folder's interface (never null once constructed).
  [[nodiscard]] IShellFolder* ShellFolder() const noexcept { return FFolder.Get(); }

  // The current object's name ("" without one); writing a name, a path or a root selects it.
  [[nodiscard]] std::wstring ObjectName() const;
  void SetObjectName(const std::wstring& name);
  // The current object's single-item list relative to the folder, or null.
  [[nodiscard]] LPCITEMIDLIST ObjectIDList() const noexcept { return FObjectIDList.Get(); }
  // Selects an object by a list relative to the folder (copied; null clears the object).
  void SetObjectIDList(LPCITEMIDLIST list);
  // The current object's absolute list (folder + object), or null without an object.
  [[nodiscard]] LPCITEMIDLIST AbsoluteObjectIDList() const;

  [[nodiscard]] TShellSpecialFolder SpecialFolder() const;
  void SetSpecialFolder(TShellSpecialFolder value);

  // Patterns joined with ";", "*" when there are none.
  [[nodiscard]] std::wstring Filter() const;
  void SetFilter(const std::wstring& value);

  [[nodiscard]] bool FileSystemOnly() const noexcept { return FFileSystemOnly; }
  void SetFileSystemOnly(bool value) noexcept { FFileSystemOnly = value; }
  [[nodiscard]] bool ShowErrorMessages() const noexcept { return FShowErrorMessages; }
  void SetShowErrorMessages(bool value) noexcept { FShowErrorMessages = value; }
  [[nodiscard]] bool ShowContextMenuOnTop() const noexcept { return FShowContextMenuOnTop; }
  void SetShowContextMenuOnTop(bool value) noexcept { FShowContextMenuOnTop = value; }
  // Names of several objects for the next context menu (full paths, or names in the folder).
  // Every PopupContextMenu call empties it.
  [[nodiscard]] TFileNames* MultiObjects() const noexcept { return FMultiObjects.get(); }
  // The class name followed by " V5.21"; writing changes nothing.
  [[nodiscard]] std::string Version() const;
  void SetVersion(const std::string&) noexcept {}

  // Enumeration of the folder through the filter: the first call starts it; each call makes the
  // next passing object current. False at the end (the enumeration is then dropped).
  bool FindNext();
  // Drops a running enumeration.
  void ResetEnumeration() noexcept { FEnum.Reset(); }
  // Whether the current object is a folder (with FileSystemOnly: a file-system folder).
  [[nodiscard]] bool IsFolder() const;
  // The current object's display name, or ObjectName when the shell gives none.
  [[nodiscard]] std::wstring DisplayName() const;
  // The window passed to shell calls that may show one: 0 when ShowErrorMessages is false, else
  // the owner's window when the owner is a windowed control and the component is whole (made in
  // code, or read and loaded), else the application's window.
  [[nodiscard]] HWND OwnerWindow() const;

  // Shows the shell's context menu for the current object or the names in MultiObjects at a
  // screen point, merged with the items of popupMenu (may be null), and carries out the chosen
  // command. Returns the command's verb; empty when nothing was carried out. The menu is tracked
  // through the class library's menu tracker (SetMenuTracker) with TPM_RETURNCMD |
  // TPM_RIGHTBUTTON and MenuWindow as owner.
  std::string PopupContextMenu(POINT point, TPopupMenu* popupMenu);

  // While the context menu is up: the hidden window that owns it (null otherwise).
  [[nodiscard]] HWND MenuWindow() const noexcept { return FMenuWindow; }
  // While the context menu is up: the merged menu (null otherwise).
  [[nodiscard]] TPopupMenu* MergedMenu() const noexcept { return FMergedMenu.get(); }

  TNotifyEvent OnRename;
  TOnContextMenuSelectEvent OnContextMenuSelect;

  // Asks the bound folder for the UI object of items (IShellFolder::GetUIObjectOf when empty):
  // replaceable so that tests can put a context menu of their own in the shell's place.
  using TGetUIObjectProc = std::function<HRESULT(IShellFolder* folder, HWND owner, UINT count, LPCITEMIDLIST* items,
                                                 REFIID iid, void** out)>;
  TGetUIObjectProc GetUIObjectProc;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  struct TBoundFolder;
  [[nodiscard]] TBoundFolder BindFolder(LPCITEMIDLIST list) const;
  void CommitFolder(TBoundFolder&& bound) noexcept;
  [[nodiscard]] bool PassesFilter() const;
  [[nodiscard]] bool SkippedAsNonFileSystem() const;
  [[nodiscard]] TShellSpecialFolder SpecialFolderOf(LPCITEMIDLIST list) const;
  void SelectInFolder(const std::wstring& name);
  // The shell's UI object for the current object or the names in MultiObjects (empties it).
  [[nodiscard]] TComPtr<IContextMenu> GetContextMenu();
  void MenuWndProc(TMessage& message);
  void CopyMenuItems(TMenuItem* source, TMenuItem* dest);

  std::wstring mutable FFolderPath;
  TIDList FFolderIDList;
  TComPtr<IShellFolder> FFolder;
  TIDList FObjectIDList;
  mutable TIDList FAbsObjectIDList;
  TComPtr<IEnumIDList> FEnum;
  bool FFileSystemOnly = false;
  std::unique_ptr<TFileNames> FMultiObjects;
  std::unique_ptr<TFileNames> FFilters;
  bool FLoaded = false;
  bool FShowErrorMessages = true;
  bool FShowContextMenuOnTop = false;

  // Context-menu state, only while PopupContextMenu runs.
  TComPtr<IContextMenu2> FContextMenu2;
  TComPtr<IContextMenu3> FContextMenu3;
  std::unique_ptr<TPopupMenu> FMergedMenu;
  HWND FMenuWindow = nullptr;
  int FCopiedCount = 0;  // entries the copied items put into the merged menu's handle
};

}  // namespace korv
