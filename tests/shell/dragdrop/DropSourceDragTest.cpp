// Real drags on real windows: the mouse is driven with SendInput from a driver thread that waits
// on events the code under test sets, from a source window onto a drop target window of the same
// process; and the gesture detector's rules under real input.
#include <windows.h>
// commctrl.h needs the types windows.h declares.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>

#include "DropSourceTestUtil.h"
#include "support/Sandbox.h"

namespace korv {
namespace {

using test::TAfterDrop;
using test::TDropSourceTest;
using test::TEvent;
using test::TInputDriver;
using test::TTestDropTarget;
using test::TTestWindow;

constexpr int kSourceX = 100, kTargetX = 600, kTop = 100, kSize = 300;
constexpr int kStartX = 250, kStartY = 250;
constexpr int kStep = 25;

// Counts the drag loop's feedback calls and signals the first one: the drag is on.
struct TFeedbackProbe {
  TEvent Started;
  std::atomic<int> Calls{0};
  void Handler(TObject*, int, bool&) {
    ++Calls;
    Started.Set();
  }
};

enum class TEnding { Drop, Escape, DropOnNothing };

// One drag from the source window: press at the start point, move in steps (paced by waiting for
// the drag to start) towards the goal until the drag runs and, for a drop on the target, the
// target was entered; then end it as asked.
class DropSourceDrag : public TDropSourceTest {
 protected:
  void SetUp() override {
    TDropSourceTest::SetUp();
    // Made once the file unit runs: the data formats take their formats from the registry.
    SourcePtr = std::unique_ptr<TDropFileSource>(NewComponent<TDropFileSource>(nullptr));
    Src().SetDragTypes(DragTypeBit(dtCopy) | DragTypeBit(dtMove) | DragTypeBit(dtLink));
    Src().OnFeedback = TFeedbackEvent(&Probe, &TFeedbackProbe::Handler);
    Src().OnAfterDrop = TAfterDropEvent(&After, &TAfterDrop::Handler);
    SourceWindow.OnButtonDown = [this](HWND h, POINT p) {
      Gesture = DetectDragGesture(h, p);
      if (Gesture) Result = Src().PerformDrag();
      Finished = true;
    };
  }

  bool Drag(TEnding ending) {
    if (!SourceWindow.Activate()) {
      ADD_FAILURE() << "the source window did not come to the foreground";
      return false;
    }
    const int goalX = ending == TEnding::DropOnNothing ? kStartX : kTargetX + kSize / 2;
    const int goalY = ending == TEnding::DropOnNothing ? kTop + kSize + 300 : kStartY;
    TInputDriver driver;
    bool ok = driver.Run([&](TInputDriver& d) {
      // Whatever happens, the button goes up at the end: a drag loop waiting for it would never end.
      struct TRelease {
        ~TRelease() { test::ReleaseMouseButtons(); }
      } release;
      if (!d.MoveTo(kStartX, kStartY) || !d.LeftDown()) return;
      if (!d.WaitFor(SourceWindow.ButtonDown.Handle(), test::kDeadlineMs, "the button press")) return;
      // Step towards the goal; once there, keep nudging the pointer by a pixel so the drag loop
      // keeps hearing from it. Each move waits (40 ms at most) for what is still missing: the drag
      // to start, then the target to be entered.
      auto reached = [&](int y) { return ending == TEnding::DropOnNothing ? y >= goalY : Target.Entered.IsSet(); };
      int x = kStartX, y = kStartY;
      bool nudge = false;
      const DWORD start = GetTickCount();
      while (!(Probe.Started.IsSet() && reached(y))) {
        if (GetTickCount() - start > test::kDeadlineMs) {
          d.Fail(Probe.Started.IsSet()
                     ? "the drag did not reach its goal"
                     : std::string("the drag did not start; gesture ended: ") + (Finished ? "yes" : "no"));
          return;
        }
        if (x != goalX || y != goalY) {
          x += (goalX > x) ? std::min(kStep, goalX - x) : 0;
          y += (goalY > y) ? std::min(kStep, goalY - y) : 0;
          if (!d.MoveTo(x, y)) return;
        } else {
          nudge = !nudge;
          if (!d.MoveTo(x + (nudge ? 1 : 0), y)) return;
        }
        HANDLE missing = Probe.Started.IsSet() ? Target.Entered.Handle() : Probe.Started.Handle();
        WaitForSingleObject(missing, 40);
      }
      if (ending == TEnding::Escape) {
        if (!d.Tap(VK_ESCAPE)) return;
        d.WaitFor(Target.Left.Handle(), test::kDeadlineMs, "DragLeave after Escape");
        d.LeftUp();
        return;
      }
      if (!d.LeftUp()) return;
      if (ending == TEnding::Drop) d.WaitFor(Target.Dropped.Handle(), test::kDeadlineMs, "the drop");
    });
    EXPECT_TRUE(ok) << driver.Error();
    EXPECT_TRUE(test::PumpUntil([&] { return Finished; })) << "the drag did not end";
    EXPECT_EQ(SourceWindow.Error, "");
    return ok && Finished;
  }

  void TearDown() override {
    SourcePtr.reset();
    TDropSourceTest::TearDown();
  }

  std::unique_ptr<TDropFileSource> SourcePtr;
  TDropFileSource& Src() { return *SourcePtr; }
  TTestDropTarget Target;
  TTestWindow SourceWindow{kSourceX, kTop, kSize, kSize};
  TTestWindow TargetWindow{kTargetX, kTop, kSize, kSize, &Target};
  TFeedbackProbe Probe;
  TAfterDrop After;
  bool Gesture = false, Finished = false;
  TDragResult Result = drUnknown;
};

TEST_F(DropSourceDrag, FilesArriveInEveryFormatAndTheTargetsCopyComesBack) {
  test::TSandbox folder;
  std::vector<std::string> files{folder.File("alpha.txt", "a"), folder.File("beta.bin", "bb"),
                                 folder.File("sub\\gamma", "ccc")};
  files.pop_back();  // two files of one folder, as a multi-selection of the result list gives
  for (const auto& f : files) Src().Files()->Add(f);
  Target.PerformedEffect = DROPEFFECT_COPY;
  Target.DropEffect = DROPEFFECT_COPY;
  const LONG targetRefs = Target.Ref;  // the registration's
  ASSERT_TRUE(Drag(TEnding::Drop));
  EXPECT_EQ(Target.Ref, targetRefs);

  EXPECT_TRUE(Gesture);
  EXPECT_EQ(Result, drDropCopy);
  EXPECT_EQ(After.Calls, 1);
  EXPECT_EQ(After.Result, drDropCopy);
  EXPECT_GT(Probe.Calls.load(), 0);
  // The target saw the offered effects and the formats in the offered order, each for both media.
  EXPECT_EQ(Target.Enters, 1);
  EXPECT_EQ(Target.EnterAllowed, DWORD{DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK});
  EXPECT_GE(Target.EnterPoint.x, kTargetX);
  EXPECT_LT(Target.EnterPoint.x, kTargetX + kSize);
  EXPECT_EQ(Target.EnterPoint.y, kStartY);
  EXPECT_EQ(Target.EnterFormats.Names,
            (std::vector<std::string>{"InShellDragLoop", "Preferred DropEffect", "CF_HDROP", "Shell IDList Array",
                                      "FileNameW", "FileName", "FileNameMapW", "FileNameMap"}));
  for (const FORMATETC& fe : Target.EnterFormats.Formats) EXPECT_EQ(fe.tymed, DWORD{TYMED_HGLOBAL | TYMED_ISTREAM});
  // The files, as the platform's own readers see them.
  EXPECT_EQ(Target.HDropResult, S_OK);
  EXPECT_EQ(Target.HDrop, files);
  EXPECT_TRUE(test::SamePaths(Target.ShellIDList, files)) << Target.ShellIDList.size();
  EXPECT_EQ(Target.FileNameW, files[0]);
  EXPECT_EQ(Target.Drops, 1);
  // The feedback the target wrote reached the source.
  EXPECT_EQ(Target.SetDataResult, S_OK);
  EXPECT_EQ(Src().GetPerformedDropEffect(), DWORD{DROPEFFECT_COPY});
  EXPECT_FALSE(Src().GetInShellDragLoop());
  // Every reference the platform took came back.
  EXPECT_EQ(Src().OutstandingReferences(), 0);
}

TEST_F(DropSourceDrag, ATargetThatMovedTheFilesItselfGivesAnOptimizedMove) {
  test::TSandbox folder;
  Src().Files()->Add(folder.File("moved.txt"));
  Target.OverEffect = DROPEFFECT_MOVE;
  Target.PerformedEffect = DROPEFFECT_MOVE;
  Target.DropEffect = DROPEFFECT_NONE;
  ASSERT_TRUE(Drag(TEnding::Drop));
  EXPECT_EQ(Result, drDropMove);
  ASSERT_EQ(After.Calls, 1);
  EXPECT_TRUE(After.Optimized);
  EXPECT_EQ(Src().FeedbackEffect(), DWORD{DROPEFFECT_MOVE});
  EXPECT_EQ(Src().OutstandingReferences(), 0);
}

TEST_F(DropSourceDrag, EscapeCancelsTheDrag) {
  test::TSandbox folder;
  Src().Files()->Add(folder.File("kept.txt"));
  ASSERT_TRUE(Drag(TEnding::Escape));
  EXPECT_EQ(Result, drCancel);
  EXPECT_EQ(Target.Drops, 0);
  EXPECT_GE(Target.Leaves, 1);
  EXPECT_EQ(After.Result, drCancel);
  EXPECT_EQ(Src().GetPerformedDropEffect(), 0u);
  EXPECT_EQ(Src().OutstandingReferences(), 0);
}

TEST_F(DropSourceDrag, ADropOnNothingCancels) {
  test::TSandbox folder;
  Src().Files()->Add(folder.File("nowhere.txt"));
  ASSERT_TRUE(Drag(TEnding::DropOnNothing));
  EXPECT_EQ(Result, drCancel);
  EXPECT_EQ(Target.Enters, 0);
  EXPECT_EQ(Src().FeedbackEffect(), DWORD{DROPEFFECT_NONE});
  EXPECT_EQ(Src().OutstandingReferences(), 0);
}

TEST_F(DropSourceDrag, TheImageListDrawsTheDragImageAtThePointer) {
  test::TSandbox folder;
  Src().Files()->Add(folder.File("pictured.txt"));
  const std::unique_ptr<TComponent> ownerPtr(NewComponent<TComponent>(nullptr));
  TComponent& owner = *ownerPtr;
  auto* images = NewComponent<TImageList>(&owner, 32, 32);
  TBitmap bmp;
  bmp.SetSize(32, 32);
  const TColor colour = TColor(0x0000C0);  // dark red
  bmp.Canvas()->Brush()->SetColor(colour);
  bmp.Canvas()->FillRect(TRect{0, 0, 32, 32});
  images->Add(&bmp, nullptr);
  Src().SetImages(images);
  Src().SetShowImage(true);
  // The platform's drag-image object cannot take a bitmap here, so the image list shows the image.
  bool listImage = false, helper = true;
  COLORREF seen = CLR_INVALID;
  POINT spot{};
  Target.OnOver = [&](POINTL pt) {
    POINT hot{};
    listImage = ImageList_GetDragImage(nullptr, &hot) != nullptr;
    helper = Src().DragSourceHelper() != nullptr;
    // The image's centre: the pointer minus the hot spot plus half the image.
    spot = POINT{pt.x - hot.x + 16, pt.y - hot.y + 16};
    HDC screen = GetDC(nullptr);
    seen = GetPixel(screen, spot.x, spot.y);
    ReleaseDC(nullptr, screen);
  };
  ASSERT_TRUE(Drag(TEnding::Drop));
  EXPECT_EQ(Result, drDropCopy);
  EXPECT_TRUE(listImage);
  EXPECT_FALSE(helper);
  // On the target's white face the (possibly blended) red image shows as red.
  const COLORREF face = GetSysColor(COLOR_WINDOW);
  ASSERT_NE(seen, CLR_INVALID);
  EXPECT_NE(seen, face);
  EXPECT_GT(int(GetRValue(seen)), int(GetGValue(seen)) + 64);
  EXPECT_GT(int(GetRValue(seen)), int(GetBValue(seen)) + 64);
  // Gone with the drag: the face is back.
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetPixel(screen, spot.x, spot.y), face);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(ImageList_GetDragImage(nullptr, nullptr), nullptr);
  EXPECT_EQ(Src().DragSourceHelper(), nullptr);
  EXPECT_EQ(Src().OutstandingReferences(), 0);
}

}  // namespace
}  // namespace korv
