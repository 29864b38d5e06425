// A press on a selected row. Windows' system list runs a modal loop of its own inside
// WM_LBUTTONDOWN (Wine's returns at once): the drag gesture must come before the list sees the
// press, and the list must see the button's release exactly once.
#include <windows.h>

#include "DemoTestKit.h"
#include "ResultList.h"

namespace korv::test {
namespace {

// Records the presses and releases that reach the system list; plays the gesture, which may
// take the release out of the queue and may use the press (a drag).
class TRecordingList : public TResultList {
 public:
  using TResultList::TResultList;
  std::vector<UINT> Seen;
  bool TakeRelease = false, Drag = false, SawThePressFirst = true;
  void DefaultHandler(TMessage& m) override {
    if (m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONUP) Seen.push_back(m.Msg);
    TResultList::DefaultHandler(m);
  }
  void Gesture(TObject*, int, int, bool& handled) {
    SawThePressFirst = !Seen.empty();
    MSG m;
    if (TakeRelease) PeekMessageA(&m, Handle(), WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE);
    handled = Drag;
  }
};

class ResultListPress : public TFormTest {};

TEST_F(ResultListPress, MeetsTheGestureFirstAndTheListSeesOneRelease) {
  TForm* form = NewForm(40, 40, 400, 200);
  auto* list = NewComponent<TRecordingList>(form);
  list->SetParent(form);
  list->SetBounds(0, 0, 380, 160);
  list->SetRows(std::vector<TResultRow>(2));
  list->OnSelectedRowPress = TRowPressEvent(list, &TRecordingList::Gesture);
  form->Show();
  list->SetRowSelected(0, true);
  const TRect r = list->RowRect(0);
  const LPARAM at = MAKELPARAM(r.left + 10, (r.top + r.bottom) / 2);
  for (bool take : {false, true}) {
    list->Seen.clear();
    list->TakeRelease = take;
    PostMessageA(list->Handle(), WM_LBUTTONUP, 0, at);
    SendMessageA(list->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PumpPending();
    EXPECT_FALSE(list->SawThePressFirst);
    EXPECT_EQ(list->Seen, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP})) << "release taken: " << take;
  }
  list->Seen.clear();
  list->Drag = true;
  SendMessageA(list->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  EXPECT_TRUE(list->Seen.empty()) << "a press that became a drag reached the list";
}

}  // namespace
}  // namespace korv::test
