// Forms and controls written with the component streaming and read back: published bounds,
// captions and colours, and controls nested in windowed controls keep their parents.
#include <gtest/gtest.h>

#include <memory>

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
    auto form = std::make_unique<TForm>(nullptr);
    form->SetName("Form1");
    auto* outer = new TPanel(form.get());
    outer->SetName("Outer");
    outer->SetParent(form.get());
    outer->SetBounds(10, 20, 200, 150);
    outer->SetCaption("outer");
    outer->SetColor(0x123456);
    auto* inner = new TPanel(form.get());
    inner->SetName("Inner");
    inner->SetParent(outer);
    inner->SetBounds(5, 6, 70, 40);
    inner->SetAlign(alBottom);
    alignedInner = inner->BoundsRect();
    WriteComponent(stream, form.get());
  }
  stream.SetPosition(0);
  auto copy = std::make_unique<TForm>(nullptr);
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

}  // namespace
}  // namespace korv
