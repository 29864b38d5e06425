// TResultList: the result list, a system list view ("SysListView32") in report mode with
// multi-selection, sub-classed as a windowed control. It shows the rows of a result store on
// demand (owner data) in the columns name, folder, type, size and date-time.
//
// Mouse buttons reach the system list first (selection, focus), then the control's mouse events,
// so a mouse-down handler sees the selection the press made. The one exception is a left press
// on a selected row without Shift or Ctrl, which may start a drag: it goes to
// OnSelectedRowPress before the system list sees it (see there).
#pragma once

// <windows.h> goes first: the other platform headers need it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <string>
#include <vector>

#include "ResultStore.h"
#include "classlib/Controls.h"

namespace korv {

// A left press on a selected row: the handler sets Handled when it used the press (a drag ran).
using TRowPressEvent = TMethod<void(TObject* Sender, int X, int Y, bool& Handled)>;

class TResultList : public TWinControl {
  KORV_CLASS(TResultList, TWinControl)
 public:
  explicit TResultList(TComponent* owner);
  ~TResultList() override;

  // The rows shown; replacing them clears the selection.
  [[nodiscard]] const std::vector<TResultRow>& Rows() const noexcept { return FRows; }
  void SetRows(std::vector<TResultRow> rows);
  [[nodiscard]] int RowCount() const noexcept { return static_cast<int>(FRows.size()); }

  // The row under a client point, or -1.
  [[nodiscard]] int RowAt(int x, int y);
  // The rectangle of a row (client coordinates; the whole row across every column).
  [[nodiscard]] TRect RowRect(int row);
  [[nodiscard]] bool RowSelected(int row);
  void SetRowSelected(int row, bool selected);
  // The selected rows in ascending order.
  [[nodiscard]] std::vector<int> SelectedRows();
  [[nodiscard]] int SelCount();
  // Full paths of the selected rows, in row order.
  [[nodiscard]] std::vector<std::string> SelectedPaths();

  // Fired when the selection changes (any row, any number of rows).
  TNotifyEvent OnSelectionChange;
  // Fired by a left press (or double click) on a selected row without Shift or Ctrl, before the
  // system list sees the press: on Windows the list runs a modal loop of its own inside the
  // press until the button is released or the pointer moves (Wine's returns at once), so a drag
  // gesture looked for after it would start late and after the list had seen the release. A
  // press the handler used never reaches the list; any other goes on as usual, and when the
  // handler's gesture took the button's release out of the queue the release goes back to the
  // list.
  TRowPressEvent OnSelectedRowPress;

  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

 private:
  // True when the press went to OnSelectedRowPress and was used there.
  bool SelectedRowPress(TMessage& m);
  void CNNotify(TMessage& m);
  void FillDispInfo(NMLVDISPINFOA& info);
  void FillDispInfo(NMLVDISPINFOW& info);
  void SelectionChanged();

  std::vector<TResultRow> FRows;
};

}  // namespace korv
