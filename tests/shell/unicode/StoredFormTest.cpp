// Wide string lists as stored sub-objects of components.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "UnicodeTestSupport.h"
#include "classlib/Streaming.h"
#include "shell/unicode/TntClasses.h"

namespace korv {

// Writes the legacy properties that only old form data carries, to see them read back.
class TLegacyWriterList : public TTntStringList {
  KORV_CLASS(TLegacyWriterList, TTntStringList)
 public:
  std::function<void(TFiler*)> Extra;
  void DefineProperties(TFiler* filer) override {
    if (Extra) Extra(filer);
  }
};
KORV_DEFINE_CLASS(TLegacyWriterList, TTntStringList, nullptr, nullptr);

class TListHolder : public TComponent {
  KORV_CLASS(TListHolder, TComponent)
 public:
  explicit TListHolder(TComponent* owner) : TComponent(owner) {}
  [[nodiscard]] TTntStringList* Items() const { return FItems; }
  void UseItems(TTntStringList* items) { FItems = items; }

 private:
  TTntStringList FOwnItems;
  TTntStringList* FItems = &FOwnItems;
};
const TPropInfo kHolderProps[] = {KORV_PROP_OBJECT(TListHolder, Items)};
KORV_DEFINE_PROPS(TListHolder, kHolderProps);
KORV_DEFINE_CLASS(TListHolder, TComponent, &CreateComponent<TListHolder>, &TListHolder_PropTable);

namespace {

using W = std::vector<std::wstring>;
using test::Lines;

TEST(StoredFormTest, StringsRoundTripAsWideStrings) {
  const std::unique_ptr<TListHolder> srcPtr(NewComponent<TListHolder>(nullptr));
  TListHolder& src = *srcPtr;
  src.Items()->Add(L"\x0434\x0430");
  src.Items()->Add(L"");
  src.Items()->Add(L"\x263A plain");
  const auto bytes = ComponentToBytes(&src);
  const std::unique_ptr<TListHolder> dstPtr(NewComponent<TListHolder>(nullptr));
  TListHolder& dst = *dstPtr;
  dst.Items()->Add(L"replaced");
  ReadComponentFromMemory(bytes.data(), bytes.size(), &dst);
  EXPECT_EQ(Lines(*dst.Items()), Lines(*src.Items()));
}

TEST(StoredFormTest, EmptyListsWriteNothing) {
  const std::unique_ptr<TListHolder> emptyPtr(NewComponent<TListHolder>(nullptr));
  TListHolder& empty = *emptyPtr;
  const std::unique_ptr<TListHolder> filledPtr(NewComponent<TListHolder>(nullptr));
  TListHolder& filled = *filledPtr;
  filled.Items()->Add(L"x");
  const auto a = ComponentToBytes(&empty);
  const auto b = ComponentToBytes(&filled);
  EXPECT_LT(a.size(), b.size());
  const std::string text(a.begin(), a.end());
  EXPECT_EQ(text.find("Strings"), std::string::npos);
  const std::string filledText(b.begin(), b.end());
  EXPECT_NE(filledText.find("Strings"), std::string::npos);
  EXPECT_EQ(filledText.find("AnsiStrings"), std::string::npos);  // the 8-bit view is never written
}

// Reads data written by a list that defines the given properties instead of "Strings".
W ReadBack(const std::function<void(TFiler*)>& writeLegacy, const W& before = {}) {
  TLegacyWriterList legacy;
  legacy.Extra = writeLegacy;
  const std::unique_ptr<TListHolder> srcPtr(NewComponent<TListHolder>(nullptr));
  TListHolder& src = *srcPtr;
  src.UseItems(&legacy);
  const auto bytes = ComponentToBytes(&src);
  const std::unique_ptr<TListHolder> dstPtr(NewComponent<TListHolder>(nullptr));
  TListHolder& dst = *dstPtr;
  for (const auto& s : before) dst.Items()->Add(s);
  ReadComponentFromMemory(bytes.data(), bytes.size(), &dst);
  return Lines(*dst.Items());
}

TEST(StoredFormTest, SingleValuesBecomeTheWholeText) {
  EXPECT_EQ(ReadBack([](TFiler* f) {
              f->DefineProperty(
                  "Strings", nullptr, [](TWriter& w) { w.WriteString("a\r\nb"); }, true);
            }),
            (W{L"a", L"b"}));
  EXPECT_EQ(ReadBack([](TFiler* f) {
              f->DefineProperty(
                  "WideStrings", nullptr, [](TWriter& w) { w.WriteWideString(L"\x263A\nz"); }, true);
            }),
            (W{L"\x263A", L"z"}));
}

TEST(StoredFormTest, ListsMayMixEightBitAndWideValues) {
  EXPECT_EQ(ReadBack(
                [](TFiler* f) {
                  f->DefineProperty(
                      "WideStrings", nullptr,
                      [](TWriter& w) {
                        w.WriteListBegin();
                        w.WriteString("caf\xE9");
                        w.WriteWideString(L"\x0434");
                        w.WriteListEnd();
                      },
                      true);
                },
                {L"old"}),
            (W{AnsiToWideCP("caf\xE9", CP_ACP), L"\x0434"}));
}

TEST(StoredFormTest, Utf8ItemsAreTakenOnlyIntoAnEmptyList) {
  auto writeUtf8 = [](TFiler* f) {
    f->DefineProperty(
        "WideStringsW", nullptr,
        [](TWriter& w) {
          w.WriteListBegin();
          w.WriteString("caf\xC3\xA9");
          w.WriteString("\xE2\x98\xBA");
          w.WriteListEnd();
        },
        true);
  };
  EXPECT_EQ(ReadBack(writeUtf8), (W{L"caf\x00E9", L"\x263A"}));
  EXPECT_EQ(ReadBack(writeUtf8, {L"kept"}), (W{L"kept"}));
}

TEST(StoredFormTest, Utf7ValuesAreSkipped) {
  EXPECT_EQ(ReadBack(
                [](TFiler* f) {
                  f->DefineProperty(
                      "WideStrings_UTF7", nullptr,
                      [](TWriter& w) {
                        w.WriteListBegin();
                        w.WriteString("+Jjo-");
                        w.WriteListEnd();
                      },
                      true);
                  f->DefineProperty(
                      "Strings", nullptr,
                      [](TWriter& w) {
                        w.WriteListBegin();
                        w.WriteWideString(L"after");
                        w.WriteListEnd();
                      },
                      true);
                },
                {L"old"}),
            (W{L"after"}));
}

TEST(StoredFormTest, BadValuesFailTheRead) {
  TLegacyWriterList legacy;
  legacy.Extra = [](TFiler* f) {
    f->DefineProperty(
        "Strings", nullptr,
        [](TWriter& w) {
          w.WriteListBegin();
          w.WriteInteger(5);
          w.WriteListEnd();
        },
        true);
  };
  const std::unique_ptr<TListHolder> srcPtr(NewComponent<TListHolder>(nullptr));
  TListHolder& src = *srcPtr;
  src.UseItems(&legacy);
  const auto bytes = ComponentToBytes(&src);
  const std::unique_ptr<TListHolder> dstPtr(NewComponent<TListHolder>(nullptr));
  TListHolder& dst = *dstPtr;
  EXPECT_THROW(ReadComponentFromMemory(bytes.data(), bytes.size(), &dst), EReadError);
  EXPECT_EQ(dst.Items()->UpdateCount(), 0);
}

}  // namespace
}  // namespace korv
