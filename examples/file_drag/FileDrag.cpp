// The files of a folder (the program's own, or one named on the command line) in a list that drags
// its selected files out to other programs and shows the shell's menu for them on a right click,
// on a skinned window. Everything is made in code.
// <windows.h> goes first: the other platform headers need it.
// clang-format off
#include <windows.h>
#include <shellapi.h>
#include <windowsx.h>
// clang-format on

#include <string>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/Startup.h"
#include "classlib/SysUtils.h"
#include "shell/browser/ShellBrowser.h"
#include "shell/dragdrop/DragDropFile.h"
#include "skin/controls/sPanel.h"
#include "skin/core/sSkinManager.h"
#include "skin/data/sSkinConvert.h"
#include "skin/forms/sSkinProvider.h"

namespace {

using namespace korv;

constexpr char kTitle[] = "Korvani example: file drag";

// The system list box with several rows selectable, one row per file.
class TFileList : public TWinControl {
  KORV_CLASS(TFileList, TWinControl)
 public:
  using TWinControl::TWinControl;

  void SetFiles(std::vector<std::string> paths) {
    FPaths = std::move(paths);
    if (HandleAllocated()) RecreateWnd();
  }
  [[nodiscard]] std::vector<std::string> SelectedPaths() {
    std::vector<std::string> paths;
    for (int row = 0; row < static_cast<int>(FPaths.size()); ++row)
      if (SendMessageA(Handle(), LB_GETSEL, static_cast<WPARAM>(row), 0) > 0)
        paths.push_back(FPaths[static_cast<size_t>(row)]);
    return paths;
  }

  // A left press on a selected row that leaves the drag rectangle.
  TNotifyEvent OnDragSelection;

 protected:
  void CreateParams(TCreateParams& p) override {
    TWinControl::CreateParams(p);
    CreateSubClass(p, "LISTBOX");
    p.Style |= LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS | WS_VSCROLL;
    p.ExStyle |= WS_EX_CLIENTEDGE;
  }
  void CreateWnd() override {
    TWinControl::CreateWnd();
    for (const std::string& path : FPaths)
      SendMessageA(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ExtractFileName(path).c_str()));
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_LBUTTONDOWN && !(m.WParam & (MK_SHIFT | MK_CONTROL)) && OnSelectedRow(m.LParam)) {
      const POINT at{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
      if (DetectDragGesture(Handle(), at)) {
        OnDragSelection(this);
        return;
      }
      // A click: the list gets the press, and the release the gesture took from the queue.
      TWinControl::WndProc(m);
      PostMessageA(Handle(), WM_LBUTTONUP, 0, m.LParam);
      return;
    }
    TWinControl::WndProc(m);
  }

 private:
  bool OnSelectedRow(LPARAM at) {
    const LRESULT hit = SendMessageA(Handle(), LB_ITEMFROMPOINT, 0, at);
    const int row = LOWORD(hit);
    return HIWORD(hit) == 0 && SendMessageA(Handle(), LB_GETSEL, static_cast<WPARAM>(row), 0) > 0;
  }

  std::vector<std::string> FPaths;
};
KORV_DEFINE_CLASS(TFileList, TWinControl, nullptr, nullptr);

class TMainWindow : public TForm {
  KORV_CLASS(TMainWindow, TForm)
 public:
  explicit TMainWindow(TComponent* owner) : TForm(owner) {
    SetCaption(kTitle);
    SetPosition(poScreenCenter);
    SetBounds(0, 0, 460, 360);

    FStatus = NewComponent<TsPanel>(this);
    FStatus->SetParent(this);
    FStatus->SetAlign(alBottom);
    FStatus->SetHeight(32);
    FStatus->SetCaption("Drag the selected files out, or right-click them");

    FList = NewComponent<TFileList>(this);
    FList->SetParent(this);
    FList->SetBounds(12, 12, 420, 260);
    FList->SetAnchors(akLeft | akTop | akRight | akBottom);
    FList->OnDragSelection = TNotifyEvent(this, &TMainWindow::DragSelection);
    FList->OnMouseDown = TMouseEvent(this, &TMainWindow::ListMouseDown);

    // Every effect is offered: a plain drag copies, Shift moves and Alt links, as the target
    // chooses.
    FSource = NewComponent<TDropFileSource>(this);
    FSource->SetDragTypes(DragTypeBit(dtCopy) | DragTypeBit(dtMove) | DragTypeBit(dtLink));
    FShell = NewComponent<TShellBrowser>(this);

    auto* skins = NewComponent<TsSkinManager>(this);
    ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, *skins->InternalSkins());
    NewComponent<TsSkinProvider>(this);
    skins->SetSkinName(skins->InternalSkins()->Items(0)->Name());
  }

  void ListFolder(const std::string& folder) {
    FFolder = IncludeTrailingPathDelimiter(folder);
    std::vector<std::string> paths;
    TSearchRec rec;
    if (FindFirst(FFolder + "*.*", 0, rec) == 0) {
      do paths.push_back(FFolder + rec.Name);
      while (FindNext(rec) == 0);
    }
    FindClose(rec);
    FList->SetFiles(std::move(paths));
  }

 private:
  void DragSelection(TObject*) {
    FSource->Files()->Clear();
    for (const std::string& path : FList->SelectedPaths()) FSource->Files()->Add(path);
    const TDragResult result = FSource->PerformDrag();
    FStatus->SetCaption(result == drDropCopy   ? "Copied"
                        : result == drDropMove ? "Moved"
                        : result == drDropLink ? "Linked"
                                               : "Not dropped");
  }
  void ListMouseDown(TObject*, TMouseButton button, TShiftState, int x, int y) {
    if (button != mbRight) return;
    std::vector<std::string> paths = FList->SelectedPaths();
    if (paths.empty()) return;
    FShell->SetFolder(AnsiToWide(FFolder));
    for (const std::string& path : paths) FShell->MultiObjects()->Add(AnsiToWide(path));
    (void)FShell->PopupContextMenu(FList->ClientToScreen(Point(x, y)), nullptr);
  }

  TsPanel* FStatus = nullptr;
  TFileList* FList = nullptr;
  TDropFileSource* FSource = nullptr;
  TShellBrowser* FShell = nullptr;
  std::string FFolder;
};
KORV_DEFINE_CLASS(TMainWindow, TForm, nullptr, nullptr);

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    korv::TLibraryStartup startup;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::string folder = argv && argc > 1 ? korv::WideToAnsi(argv[1]) : korv::ExeFolder();
    LocalFree(argv);
    TMainWindow* window = nullptr;
    korv::Application->SetTitle(kTitle);
    korv::Application->CreateForm(window);
    window->ListFolder(folder);
    korv::Application->Run();
  } catch (const korv::Exception& e) {
    MessageBoxA(nullptr, e.Message().c_str(), kTitle, MB_OK | MB_ICONERROR);
    return 1;
  }
  return 0;
}
