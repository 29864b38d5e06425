// A skinned main window made in code: a main menu, a popup menu on a right click, a skinned
// panel with a flat button on it, and more content than the window shows, so that the form
// scrolls with the skin's scroll bars. The skin is the library's own stored skin, linked into
// every program that links the skin library.
#include <windows.h>

#include <string>

#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "classlib/Startup.h"
#include "classlib/SysUtils.h"
#include "skin/controls/sPanel.h"
#include "skin/core/sSkinManager.h"
#include "skin/data/sSkinConvert.h"
#include "skin/forms/sSkinProvider.h"
#include "widgets/TFlatButtonUnit.h"

namespace {

using namespace korv;

constexpr char kTitle[] = "Korvani example: skinned form";

class TMainWindow : public TForm {
  KORV_CLASS(TMainWindow, TForm)
 public:
  explicit TMainWindow(TComponent* owner) : TForm(owner) {
    SetCaption(kTitle);
    SetPosition(poScreenCenter);
    SetBounds(0, 0, 480, 320);

    auto* menu = NewComponent<TMainMenu>(this);
    TMenuItem* file = AddItem(menu->Items(), "&File", nullptr);
    AddItem(file, "&Say hello", &TMainWindow::HelloClick);
    AddItem(file, "-", nullptr);
    AddItem(file, "E&xit", &TMainWindow::ExitClick);
    TMenuItem* view = AddItem(menu->Items(), "&View", nullptr);
    AddItem(view, "Scroll to the &end", &TMainWindow::EndClick);
    SetMenu(menu);

    auto* popup = NewComponent<TPopupMenu>(this);
    AddItem(popup->Items(), "&Say hello", &TMainWindow::HelloClick);
    AddItem(popup->Items(), "Scroll to the &top", &TMainWindow::TopClick);
    AddItem(popup->Items(), "-", nullptr);
    AddItem(popup->Items(), "E&xit", &TMainWindow::ExitClick);
    SetPopupMenu(popup);

    FPanel = NewComponent<TsPanel>(this);
    FPanel->SetParent(this);
    FPanel->SetBounds(16, 16, 300, 120);
    FPanel->SetCaption("A skinned panel");
    auto* button = NewComponent<TFlatButton>(this);
    button->SetParent(FPanel);
    button->SetBounds(12, 80, 110, 26);
    button->SetCaption("&Say hello");
    button->OnClick = TNotifyEvent(this, &TMainWindow::HelloClick);

    // Far below the window's bottom: the form scrolls to reach it.
    auto* last = NewComponent<TsPanel>(this);
    last->SetParent(this);
    last->SetBounds(16, 720, 300, 60);
    last->SetCaption("The end of the form");

    // The skin: the stored skin into a manager, a provider that paints this form from it.
    auto* skins = NewComponent<TsSkinManager>(this);
    ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, *skins->InternalSkins());
    NewComponent<TsSkinProvider>(this);
    skins->SetSkinName(skins->InternalSkins()->Items(0)->Name());
  }

 private:
  using THandler = void (TMainWindow::*)(TObject*);
  TMenuItem* AddItem(TMenuItem* parent, const char* caption, THandler handler) {
    auto* item = NewComponent<TMenuItem>(this);
    item->SetCaption(caption);
    if (handler) item->OnClick = TNotifyEvent(this, handler);
    parent->Add(item);
    return item;
  }
  void HelloClick(TObject*) { FPanel->SetCaption(Format("Hello, %d times", ++FHellos)); }
  void EndClick(TObject*) { VertScrollBar()->SetPosition(VertScrollBar()->ScrollRange()); }
  void TopClick(TObject*) { VertScrollBar()->SetPosition(0); }
  void ExitClick(TObject*) { Close(); }

  TsPanel* FPanel = nullptr;
  int FHellos = 0;
};
KORV_DEFINE_CLASS(TMainWindow, TForm, nullptr, nullptr);

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    korv::TLibraryStartup startup;
    TMainWindow* window = nullptr;
    korv::Application->SetTitle(kTitle);
    korv::Application->CreateForm(window);
    korv::Application->Run();
  } catch (const korv::Exception& e) {
    MessageBoxA(nullptr, e.Message().c_str(), kTitle, MB_OK | MB_ICONERROR);
    return 1;
  }
  return 0;
}
