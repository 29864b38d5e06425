// Forms and controls written with the component streaming and read back: published bounds,
// captions and colours, and controls nested in windowed controls keep their parents.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Streaming.h"

namespace korv {
namespace {

TEST(ControlsStreaming, NestedPanelsKeepTheirParentsAndProperties) {
  RegisterClass(TPanel::StaticClass());
  TMemoryStream stream;
  TRect alignedInner{};
  {
    auto form = std::unique_ptr<TForm>(NewComponent<TForm>(nullptr));
    form->SetName("Form1");
    auto* outer = NewComponent<TPanel>(form.get());
    outer->SetName("Outer");
    outer->SetParent(form.get());
    outer->SetBounds(10, 20, 200, 150);
    outer->SetCaption("outer");
    outer->SetColor(0x123456);
    auto* inner = NewComponent<TPanel>(form.get());
    inner->SetName("Inner");
    inner->SetParent(outer);
    inner->SetBounds(5, 6, 70, 40);
    inner->SetAlign(alBottom);
    alignedInner = inner->BoundsRect();
    WriteComponent(stream, form.get());
  }
  stream.SetPosition(0);
  auto copy = std::unique_ptr<TForm>(NewComponent<TForm>(nullptr));
  ReadComponent(stream, copy.get());

  auto* outer = dynamic_cast<TPanel*>(copy->FindComponent("Outer"));
  auto* inner = dynamic_cast<TPanel*>(copy->FindComponent("Inner"));
  ASSERT_NE(outer, nullptr);
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(outer->Parent(), copy.get());
  EXPECT_EQ(inner->Parent(), outer);
  EXPECT_EQ(outer->Left(), 10);
  EXPECT_EQ(outer->Top(), 20);
  EXPECT_EQ(outer->Width(), 200);
  EXPECT_EQ(outer->Height(), 150);
  EXPECT_EQ(outer->Caption(), "outer");
  EXPECT_EQ(outer->Color(), static_cast<TColor>(0x123456));
  EXPECT_FALSE(outer->ParentColor());
  EXPECT_EQ(inner->Align(), alBottom);
  // Aligned again after reading, to the same place as in the original.
  EXPECT_EQ(inner->BoundsRect().left, alignedInner.left);
  EXPECT_EQ(inner->BoundsRect().top, alignedInner.top);
  EXPECT_EQ(inner->BoundsRect().right, alignedInner.right);
  EXPECT_EQ(inner->BoundsRect().bottom, alignedInner.bottom);
  UnRegisterClass(TPanel::StaticClass());
}

// A panel whose memory is poisoned and kept when it is deleted, so that a later write through a
// stale pointer shows up in the bytes.
std::vector<std::pair<void*, size_t>> gKeptBlocks;
class TKeptPanel : public TPanel {
  KORV_CLASS(TKeptPanel, TPanel)
 public:
  explicit TKeptPanel(TComponent* owner) : TPanel(owner) {}
  static void operator delete(void* p, size_t n) {
    std::memset(p, 0xDD, n);
    gKeptBlocks.emplace_back(p, n);
  }
};
KORV_DEFINE_CLASS(TKeptPanel, TPanel, &CreateComponent<TKeptPanel>, nullptr);

TEST(ControlsStreaming, AFailedReadTouchesNoComponentItFreed) {
  RegisterClass(TPanel::StaticClass());
  RegisterClass(TKeptPanel::StaticClass());
  TMemoryStream stream;
  {
    auto form = std::unique_ptr<TForm>(NewComponent<TForm>(nullptr));
    form->SetName("Form1");
    auto* outer = NewComponent<TPanel>(form.get());
    outer->SetName("Outer");
    outer->SetParent(form.get());
    auto* inner = NewComponent<TKeptPanel>(form.get());
    inner->SetName("Inner");
    inner->SetParent(outer);
    WriteComponent(stream, form.get());
  }
  for (auto& [p, n] : gKeptBlocks) ::operator delete(p);
  gKeptBlocks.clear();

  // The reading form already has Inner; the stream puts it into a new Outer and then breaks off.
  auto copy = std::unique_ptr<TForm>(NewComponent<TForm>(nullptr));
  auto* inner = NewComponent<TKeptPanel>(copy.get());
  inner->SetName("Inner");
  inner->SetParent(copy.get());
  std::vector<uint8_t> bytes(static_cast<const uint8_t*>(stream.Memory()),
                             static_cast<const uint8_t*>(stream.Memory()) + stream.Size() - 1);
  EXPECT_THROW(ReadComponentFromMemory(bytes.data(), bytes.size(), copy.get()), EReadError);

  // Outer was taken back, and Inner went with it as its child control; nothing wrote to it after.
  EXPECT_EQ(copy->FindComponent("Outer"), nullptr);
  EXPECT_EQ(copy->FindComponent("Inner"), nullptr);
  EXPECT_FALSE(copy->HasState(csLoading | csReading));
  ASSERT_EQ(gKeptBlocks.size(), 1u);
  const auto* b = static_cast<const unsigned char*>(gKeptBlocks[0].first);
  size_t touched = 0;
  for (size_t i = 0; i < gKeptBlocks[0].second; ++i) touched += b[i] != 0xDD;
  EXPECT_EQ(touched, 0u);
  for (auto& [p, n] : gKeptBlocks) ::operator delete(p);
  gKeptBlocks.clear();
  UnRegisterClass(TKeptPanel::StaticClass());
  UnRegisterClass(TPanel::StaticClass());
}

}  // namespace
}  // namespace korv
