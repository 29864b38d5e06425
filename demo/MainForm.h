// The demo's main window: a bar of flat buttons, the result list with the files of one folder,
// a flat splitter between the list and a panel that sums up the selection, and a status line
// with a flat gauge. The selected rows drag out as files and show the shell's context menu on a
// right click.
//
// The form's stored description gives it its caption and bounds, the skin manager holding the
// project's stored skin and the skin provider that paints the window from it; the demo's code
// never touches either. The other components are placed in code, owned by the form, and every
// handler is a method of it, bound by the form. A button opens the modal "About ..." dialog.
#pragma once

#include <string>

#include "DemoForms.h"
#include "ResultList.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"

namespace korv {

class TDropFileSource;
class TFlatButton;
class TFlatGauge;
class TFlatSplitter;
class TShellBrowser;

// The status line of a listing: the number of files in the folder, and how many were left out
// because the system's code page cannot write their names (and they have no short name).
[[nodiscard]] std::string FolderStatusText(int count, const std::string& folder, int leftOut);

class TForm1 : public TForm {
  KORV_CLASS(TForm1, TForm)
 public:
  explicit TForm1(TComponent* owner);
  ~TForm1() override;

  // Lists the files of folder (raises EOSError when it cannot be read; the list is then left as
  // it was).
  void ListFolder(const std::string& folder);
  // The folder listed, ending with "\" (empty before the first ListFolder).
  [[nodiscard]] const std::string& Folder() const noexcept { return FFolder; }

  // The components, as the form places them.
  TPanel* ButtonBar = nullptr;
  TFlatButton* RefreshButton = nullptr;
  TFlatButton* CloseButton = nullptr;
  TFlatButton* AboutButton = nullptr;
  TResultList* ListView1 = nullptr;
  TFlatSplitter* FlatSplitter1 = nullptr;
  TPanel* DetailPanel = nullptr;
  TPanel* StatusPanel = nullptr;
  TFlatGauge* FlatGauge1 = nullptr;
  TShellBrowser* ShellBrowser1 = nullptr;
  TDropFileSource* DropFileSource1 = nullptr;

  // Event handlers.
  void ListView1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void ListView1SelectedRowPress(TObject* Sender, int X, int Y, bool& Handled);
  void ListView1SelectionChange(TObject* Sender);
  void RefreshButtonClick(TObject* Sender);
  void CloseButtonClick(TObject* Sender);
  // Shows the "About ..." dialog modally.
  void AboutButtonClick(TObject* Sender);

  // The summary the detail panel shows for the current selection.
  [[nodiscard]] std::string SelectionSummary();

 private:
  // Drags the selected rows out as files.
  void DragSelectedRows();
  // The shell's context menu for the selected rows at a point of the list.
  void ShowContextMenu(int x, int y);

  std::string FFolder;
};

}  // namespace korv
