// Writes the stored descriptions of the demo's forms, as a form designer would store them: the
// main window with its skin manager (the project's stored skin inside it) and its skin
// provider, and the dialog with its provider.
//
//   korv_demo_form_writer SKINSFOLDER MAINFORM.BIN ABOUTBOX.BIN
//
// SKINSFOLDER holds the folder skin "Korvani" the stored skin was made from: the manager picks
// its skin there, so that SkinName keeps the folder's name (a stored skin's name carries
// " (internal)"); the skin directory is then set to the folder the program looks in, which does
// not exist beside it, so the program loads the first stored skin.
#include <iostream>

#include "DemoForms.h"
#include "classlib/Forms.h"
#include "classlib/Startup.h"
#include "classlib/Streaming.h"
#include "classlib/SysUtils.h"
#include "skin/core/sSkinManager.h"
#include "skin/data/sSkinConvert.h"
#include "skin/forms/sSkinProvider.h"

namespace {

using namespace korv;

// Stand-ins for the program's form classes: a stored description names its form's class, and
// the program reads it only into a form of that class. Nothing else of theirs is stored.
class TForm1 : public TForm {
  KORV_CLASS(TForm1, TForm)
 public:
  using TForm::TForm;
};
KORV_DEFINE_CLASS(TForm1, TForm, nullptr, nullptr);
class TAboutBox : public TForm {
  KORV_CLASS(TAboutBox, TForm)
 public:
  using TForm::TForm;
};
KORV_DEFINE_CLASS(TAboutBox, TForm, nullptr, nullptr);

// Every form carries one provider named sSkinProvider1, stored with these values.
void AddProvider(TForm& form, TsBorderIcons icons) {
  auto* p = NewComponent<TsSkinProvider>(&form);
  p->SetName("sSkinProvider1");
  p->SetCaptionAlignment(taCenter);
  p->SkinData()->SetSkinSection("FORM");
  p->SetMakeSkinMenu(false);
  p->SetShowAppIcon(false);
  p->SetUseGlobalColor(false);
  p->SetBorderIcons(icons);
}

void WriteForm(TForm& form, const std::string& path) {
  TMemoryStream bytes;
  std::vector<uint8_t> data = ComponentToBytes(&form);
  bytes.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
  bytes.SaveToFile(path);
  std::cout << form.Name() << ": " << data.size() << " bytes\n";
}

void WriteMainForm(const std::string& skinsFolder, const std::string& path) {
  std::unique_ptr<TForm> form(NewComponent<TForm1>(nullptr));
  form->SetName("Form1");
  form->SetCaption(kDemoTitle);
  form->SetBounds(0, 0, 780, 560);

  auto* sm = NewComponent<TsSkinManager>(form.get());
  sm->SetName("sSkinManager1");
  // The provider is in place (and configured) before the skin loads, so that nothing of the skin
  // reaches the form's own stored values.
  AddProvider(*form, kDefaultProviderIcons);  // the main window keeps every caption button
  ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, *sm->InternalSkins());
  if (sm->InternalSkins()->Count() != 1) throw Exception("the program's stored skin is missing");
  sm->SetSkinnedPopups(false);
  sm->MenuSupport()->SetIcoLineSkin("ICOLINE");
  sm->SetSkinDirectory(ExcludeTrailingPathDelimiter(skinsFolder));
  sm->SetSkinName(kDemoSkinName);
  if (!sm->Active() || sm->SkinName() != kDemoSkinName)
    throw Exception(Format("no folder skin \"%s\" in %s", kDemoSkinName, skinsFolder));
  sm->SetSkinDirectory(kDemoSkinDirectory);
  WriteForm(*form, path);
}

void WriteAboutBox(const std::string& path) {
  std::unique_ptr<TForm> form(NewComponent<TAboutBox>(nullptr));
  form->SetName("AboutBox");
  form->SetCaption(kAboutTitle);
  form->SetBounds(0, 0, 320, 150);
  AddProvider(*form, 0);  // the dialogs show no caption buttons
  WriteForm(*form, path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: korv_demo_form_writer SKINSFOLDER MAINFORM.BIN ABOUTBOX.BIN\n";
    return 2;
  }
  try {
    TLibraryStartup startup;
    WriteMainForm(argv[1], argv[2]);
    WriteAboutBox(argv[3]);
  } catch (const Exception& e) {
    std::cerr << "korv_demo_form_writer: " << e.ClassName() << ": " << e.Message() << "\n";
    return 1;
  }
  return 0;
}
