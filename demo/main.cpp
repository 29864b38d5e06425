// The demo program: the main window with the result list of one folder (named on the command
// line, or a folder of sample files the demo writes under the temporary folder).
#include <windows.h>

#include <memory>
#include <string>

#include "DemoSetup.h"
#include "MainForm.h"
#include "classlib/Forms.h"
#include "classlib/Startup.h"
#include "classlib/SysUtils.h"

namespace {

void ShowError(const std::string& text) {
  MessageBoxA(nullptr, text.c_str(), korv::kDemoTitle, MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

int RunDemo() {
  using namespace korv;
  TDemoArgs args = ParseDemoArgs(CommandLineArgs());
  if (!args.Error.empty()) {
    ShowError(args.Error);
    return 2;
  }

  // The sample folder outlives the window that lists it: the start-up object, made after it,
  // frees the forms first when it goes.
  std::unique_ptr<TSampleFolder> samples;
  try {
    TLibraryStartup startup;
    if (args.Folder.empty()) {
      samples = std::make_unique<TSampleFolder>();
      args.Folder = samples->Path();
    }
    Application->SetTitle(kDemoTitle);
    TForm1* form = nullptr;
    Application->CreateForm(form);
    form->ListFolder(args.Folder);
    Application->Run();
  } catch (const Exception& e) {
    // Also a unit that could not start (the shell's message).
    ShowError(e.Message());
    return 1;
  }
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    return RunDemo();
  } catch (const std::exception& e) {
    ShowError(e.what());
    return 1;
  }
}
