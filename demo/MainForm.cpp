#include "MainForm.h"

#include <memory>

#include "AboutBox.h"
#include "classlib/SysUtils.h"
#include "shell/browser/ShellBrowser.h"
#include "shell/dragdrop/DragDropFile.h"
#include "widgets/TFlatButtonUnit.h"
#include "widgets/TFlatGaugeUnit.h"
#include "widgets/TFlatSplitterUnit.h"

namespace korv {

KORV_DEFINE_CLASS(TForm1, TForm, nullptr, nullptr);

namespace {
constexpr int kButtonBarHeight = 36;
constexpr int kListHeight = 270;
constexpr int kSplitterHeight = 6;
constexpr int kStatusHeight = 28;
constexpr int kGaugeWidth = 220;

TFlatButton* NewButton(TForm1* form, TWinControl* parent, const char* caption, int left, TNotifyEvent onClick) {
  auto* b = NewComponent<TFlatButton>(form);
  b->SetParent(parent);
  b->SetBounds(left, 6, 84, 24);
  b->SetCaption(caption);
  b->OnClick = onClick;
  return b;
}
}  // namespace

std::string FolderStatusText(int count, const std::string& folder, int leftOut) {
  std::string text = Format("%d %s in %s", count, count == 1 ? "file" : "files", folder);
  if (leftOut > 0)
    text += Format("; %d not listed: the system's code page cannot write %s", leftOut,
                   leftOut == 1 ? "its name" : "their names");
  return text;
}

TForm1::TForm1(TComponent* owner) : TForm(owner) {
  SetName("Form1");
  SetPosition(poScreenCenter);
  // The caption and bounds, the skin manager and the skin provider. The manager is read inside
  // the class library's loading bracket: a skin that fails to load leaves the form unskinned.
  ReadStoredForm(this, kMainFormResource);

  // Top to bottom: button bar, list, splitter, detail panel; the status line at the bottom.
  ButtonBar = NewComponent<TPanel>(this);
  ButtonBar->SetName("ButtonBar");
  ButtonBar->SetParent(this);
  ButtonBar->SetBevelOuter(bvNone);
  ButtonBar->SetCaption("");
  ButtonBar->SetBounds(0, 0, Width(), kButtonBarHeight);
  ButtonBar->SetAlign(alTop);
  RefreshButton = NewButton(this, ButtonBar, "&Refresh", 8, TNotifyEvent(this, &TForm1::RefreshButtonClick));
  RefreshButton->SetName("RefreshButton");
  CloseButton = NewButton(this, ButtonBar, "&Close", 100, TNotifyEvent(this, &TForm1::CloseButtonClick));
  CloseButton->SetName("CloseButton");
  AboutButton = NewButton(this, ButtonBar, "&About...", 192, TNotifyEvent(this, &TForm1::AboutButtonClick));
  AboutButton->SetName("AboutButton");

  StatusPanel = NewComponent<TPanel>(this);
  StatusPanel->SetName("StatusPanel");
  StatusPanel->SetParent(this);
  StatusPanel->SetBevelOuter(bvNone);
  StatusPanel->SetAlignment(taLeftJustify);
  StatusPanel->SetBorderWidth(4);
  StatusPanel->SetCaption("");
  StatusPanel->SetBounds(0, 500, Width(), kStatusHeight);
  StatusPanel->SetAlign(alBottom);

  FlatGauge1 = NewComponent<TFlatGauge>(this);
  FlatGauge1->SetName("FlatGauge1");
  FlatGauge1->SetParent(StatusPanel);
  FlatGauge1->SetBounds(0, 0, kGaugeWidth, kStatusHeight);
  FlatGauge1->SetAlign(alRight);
  FlatGauge1->SetProgress(0);

  ListView1 = NewComponent<TResultList>(this);
  ListView1->SetName("ListView1");
  ListView1->SetParent(this);
  ListView1->SetBounds(0, kButtonBarHeight, Width(), kListHeight);
  ListView1->SetAlign(alTop);
  ListView1->OnMouseDown = TMouseEvent(this, &TForm1::ListView1MouseDown);
  ListView1->OnSelectedRowPress = TRowPressEvent(this, &TForm1::ListView1SelectedRowPress);
  ListView1->OnSelectionChange = TNotifyEvent(this, &TForm1::ListView1SelectionChange);

  FlatSplitter1 = NewComponent<TFlatSplitter>(this);
  FlatSplitter1->SetName("FlatSplitter1");
  FlatSplitter1->SetParent(this);
  FlatSplitter1->SetAlign(alTop);
  FlatSplitter1->SetBounds(0, kButtonBarHeight + kListHeight, Width(), kSplitterHeight);
  // It moves up and down: the north-south split cursor, not the default left-right one.
  FlatSplitter1->SetCursor(crVSplit);

  DetailPanel = NewComponent<TPanel>(this);
  DetailPanel->SetName("DetailPanel");
  DetailPanel->SetParent(this);
  DetailPanel->SetBevelOuter(bvLowered);
  DetailPanel->SetBounds(0, kButtonBarHeight + kListHeight + kSplitterHeight, Width(), 100);
  DetailPanel->SetAlign(alClient);

  // Its shell dialogs are owned by this window, as when it is read with the form.
  ShellBrowser1 = NewComponent<TShellBrowser>(this);
  ShellBrowser1->SetName("ShellBrowser1");

  // Every effect is offered: a plain drag copies, Shift moves and Alt links, as the target
  // chooses. No drag image, no asynchronous transfer.
  DropFileSource1 = NewComponent<TDropFileSource>(this);
  DropFileSource1->SetName("DropFileSource1");
  DropFileSource1->SetDragTypes(DragTypeBit(dtCopy) | DragTypeBit(dtMove) | DragTypeBit(dtLink));
  DropFileSource1->SetImageIndex(0);
  DropFileSource1->SetShowImage(false);
  DropFileSource1->SetImageHotSpotX(16);
  DropFileSource1->SetImageHotSpotY(16);
  DropFileSource1->SetAllowAsyncTransfer(false);

  ListView1SelectionChange(ListView1);
}

TForm1::~TForm1() = default;

void TForm1::ListFolder(const std::string& folder) {
  const std::string dir = IncludeTrailingPathDelimiter(folder);
  FlatGauge1->SetProgress(0);
  int leftOut = 0;
  std::vector<TResultRow> rows = ReadFolderRows(
      dir, [this](int done, int total) { FlatGauge1->SetProgress(total > 0 ? done * 100 / total : 100); }, &leftOut);
  FFolder = dir;
  const int count = static_cast<int>(rows.size());
  ListView1->SetRows(std::move(rows));
  FlatGauge1->SetProgress(FlatGauge1->MaxValue());
  StatusPanel->SetCaption(FolderStatusText(count, FFolder, leftOut));
}

std::string TForm1::SelectionSummary() {
  if (ListView1->RowCount() == 0) return "No files";
  std::vector<int> rows;
  if (ListView1->HandleAllocated()) rows = ListView1->SelectedRows();
  if (rows.empty()) return Format("%d files, none selected", ListView1->RowCount());
  int64_t bytes = 0;
  for (int r : rows) bytes += ListView1->Rows()[static_cast<size_t>(r)].Bytes;
  return Format("%d of %d files selected, %s", static_cast<int>(rows.size()), ListView1->RowCount(),
                ByteSizeText(bytes));
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TForm1::ListView1MouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
  if (Button == mbRight) ShowContextMenu(X, Y);
}

void TForm1::ListView1SelectedRowPress(TObject*, int X, int Y, bool& Handled) {
  // A press on a selected row: when the pointer leaves the drag rectangle, the selected files
  // are dragged out; otherwise the press goes on to the list as a click.
  if (!DetectDragGesture(ListView1->Handle(), POINT{X, Y})) return;
  Handled = true;
  DragSelectedRows();
}

void TForm1::ListView1SelectionChange(TObject*) { DetailPanel->SetCaption(SelectionSummary()); }

void TForm1::RefreshButtonClick(TObject*) {
  if (!FFolder.empty()) ListFolder(FFolder);
}

void TForm1::CloseButtonClick(TObject*) { Close(); }

void TForm1::AboutButtonClick(TObject*) {
  std::unique_ptr<TAboutBox> box(NewComponent<TAboutBox>(nullptr));
  (void)box->ShowModal();
}

void TForm1::DragSelectedRows() {
  TStrings* files = DropFileSource1->Files();
  files->Clear();
  for (const std::string& path : ListView1->SelectedPaths()) files->Add(path);
  // The outcome is of no further use here: the files are the target's business now.
  (void)DropFileSource1->PerformDrag();
}

void TForm1::ShowContextMenu(int x, int y) {
  std::vector<std::string> paths = ListView1->SelectedPaths();
  if (paths.empty()) return;
  // The files all live in the listed folder: bind it, and name each file by its full path.
  ShellBrowser1->SetFolder(AnsiToWide(FFolder));
  TFileNames* names = ShellBrowser1->MultiObjects();
  names->Clear();
  for (const std::string& p : paths) names->Add(AnsiToWide(p));
  // The chosen verb is of no further use here.
  (void)ShellBrowser1->PopupContextMenu(ListView1->ClientToScreen(Point(x, y)), nullptr);
}

}  // namespace korv
