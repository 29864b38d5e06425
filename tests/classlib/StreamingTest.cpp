// Component streaming: round trips, stored defaults, loading order and bad streams.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "classlib/Streaming.h"
#include "support/Sandbox.h"

namespace korv {
namespace {

enum TAlign { alNone, alTop, alClient };
const char* const kAlignNames[] = {"alNone", "alTop", "alClient"};
enum TOption { opBold = 1, opItalic = 2, opUnder = 4 };
const char* const kOptionNames[] = {"opBold", "opItalic", "opUnder"};

int gLive = 0;  // live test components: a failed read must leave none behind

// A sub-object with a binary block, as pictures carry their "Data".
class TSubObject : public TPersistent {
  KORV_CLASS(TSubObject, TPersistent)
 public:
  int Size() const { return FSize; }
  void SetSize(int v) { FSize = v; }
  unsigned Style() const { return FStyle; }
  void SetStyle(unsigned v) { FStyle = v; }
  std::vector<uint8_t> Data;
  void DefineProperties(TFiler* filer) override {
    filer->DefineBinaryProperty(
        "Data",
        [this](TStream& s) {
          Data.resize(static_cast<size_t>(s.Size()));
          s.ReadBuffer(Data.data(), static_cast<int32_t>(Data.size()));
        },
        [this](TStream& s) { s.WriteBuffer(Data.data(), static_cast<int32_t>(Data.size())); }, !Data.empty());
  }

 private:
  int FSize = 10;
  unsigned FStyle = 0;
};
const TPropInfo kSubProps[] = {
    KORV_PROP_INT(TSubObject, Size, 10),
    KORV_PROP_SET(TSubObject, Style, kOptionNames, 0),
};
KORV_DEFINE_PROPS(TSubObject, kSubProps);
KORV_DEFINE_CLASS(TSubObject, TPersistent, nullptr, &TSubObject_PropTable);

class TTestItem : public TCollectionItem {
  KORV_CLASS(TTestItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& v) { FCaption = v; }
  int Value() const { return FValue; }
  void SetValue(int v) { FValue = v; }
  TComponent* Target() const { return FTarget; }
  void SetTarget(TComponent* v) { FTarget = v; }

 private:
  std::string FCaption;
  int FValue = 0;
  TComponent* FTarget = nullptr;
};
const TPropInfo kItemProps[] = {
    KORV_PROP_STR_NODEFAULT(TTestItem, Caption),
    KORV_PROP_INT(TTestItem, Value, 0),
    KORV_PROP_COMPONENT(TTestItem, Target),
};
KORV_DEFINE_PROPS(TTestItem, kItemProps);
KORV_DEFINE_CLASS(TTestItem, TCollectionItem, &CreateCollectionItem<TTestItem>, &TTestItem_PropTable);

class TTestComp : public TComponent {
  KORV_CLASS(TTestComp, TComponent)
 public:
  explicit TTestComp(TComponent* owner) : TComponent(owner), FItems(this, TTestItem::StaticClass()) { ++gLive; }
  ~TTestComp() override {
    --gLive;
    DestroyComponents();
  }

  int Count() const { return FCount; }
  void SetCount(int v) {
    FCount = v;
    SetterStates.push_back(ComponentState());
  }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool v) { FEnabled = v; }
  double Ratio() const { return FRatio; }
  void SetRatio(double v) { FRatio = v; }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& v) { FCaption = v; }
  const std::wstring& Hint() const { return FHint; }
  void SetHint(const std::wstring& v) { FHint = v; }
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign v) { FAlign = v; }
  unsigned Options() const { return FOptions; }
  void SetOptions(unsigned v) { FOptions = v; }
  TSubObject* Font() const { return const_cast<TSubObject*>(&FFont); }
  TOwnedCollection* Items() const { return const_cast<TOwnedCollection*>(&FItems); }
  TStringList* Lines() const { return const_cast<TStringList*>(&FLines); }
  TTestComp* Link() const { return FLink; }
  void SetLink(TTestComp* v) {
    if (FLink) FLink->RemoveFreeNotification(this);
    FLink = v;
    if (v) v->FreeNotification(this);
  }

  void Loaded() override {
    TComponent::Loaded();
    ++LoadedCount;
    // Everything of the stream exists and references are resolved before any Loaded.
    LinkAtLoaded = FLink;
    OwnerCountAtLoaded = Owner() ? Owner()->ComponentCount() : ComponentCount();
  }
  void SetParentComponent(TComponent* p) override { Parent = p; }
  void GetChildren(std::vector<TComponent*>& out) const override {
    // Components of the root nest inside the component that is their parent.
    const TComponent* root = Owner() ? Owner() : this;
    for (int i = 0; i < root->ComponentCount(); ++i) {
      auto* c = dynamic_cast<TTestComp*>(root->Components(i));
      if (c && (c->Parent == this || (!c->Parent && this == root))) out.push_back(c);
    }
  }

  TComponent* Parent = nullptr;
  int LoadedCount = 0;
  TTestComp* LinkAtLoaded = nullptr;
  int OwnerCountAtLoaded = -1;
  std::vector<TComponentState> SetterStates;

 protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op == TOperation::opRemove && c == FLink) FLink = nullptr;
  }

 private:
  int FCount = 0;
  bool FEnabled = true;
  double FRatio = 1.0;
  std::string FCaption;
  std::wstring FHint;
  TAlign FAlign = alNone;
  unsigned FOptions = 0;
  TSubObject FFont;
  TOwnedCollection FItems;
  TStringList FLines;
  TTestComp* FLink = nullptr;
};
const TPropInfo kCompProps[] = {
    KORV_PROP_INT(TTestComp, Count, 0),
    KORV_PROP_BOOL(TTestComp, Enabled, true),
    KORV_PROP_FLOAT(TTestComp, Ratio, 1.0),
    KORV_PROP_STR(TTestComp, Caption, ""),
    KORV_PROP_WSTR(TTestComp, Hint, ""),
    KORV_PROP_ENUM(TTestComp, Align, kAlignNames, alNone),
    KORV_PROP_SET(TTestComp, Options, kOptionNames, 0),
    KORV_PROP_OBJECT(TTestComp, Font),
    KORV_PROP_COLLECTION(TTestComp, Items),
    KORV_PROP_OBJECT(TTestComp, Lines),
    KORV_PROP_COMPONENT(TTestComp, Link),
};
KORV_DEFINE_PROPS(TTestComp, kCompProps);
KORV_DEFINE_CLASS(TTestComp, TComponent, &CreateComponent<TTestComp>, &TTestComp_PropTable);

// A class whose stream carries a property the test component does not know.
class TWiderComp : public TTestComp {
  KORV_CLASS(TWiderComp, TTestComp)
 public:
  using TTestComp::TTestComp;
  int Extra() const { return 5; }
  void SetExtra(int) {}
  int Secret() const { return FSecret; }
  void SetSecret(int v) { FSecret = v; }
  bool SecretStored() const { return KeepSecret; }
  bool KeepSecret = false;

 private:
  int FSecret = 0;
};
const TPropInfo kWiderProps[] = {
    KORV_PROP_INT(TWiderComp, Extra, 0),
    KORV_PROP_STORED(KORV_PROP_INT(TWiderComp, Secret, 0), TWiderComp, SecretStored),
};
KORV_DEFINE_PROPS(TWiderComp, kWiderProps);
KORV_DEFINE_CLASS(TWiderComp, TTestComp, &CreateComponent<TWiderComp>, &TWiderComp_PropTable);

class StreamingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterClass(TTestComp::StaticClass());
    RegisterClass(TWiderComp::StaticClass());
    RegisterClass(TComponent::StaticClass());
    live0 = gLive;
  }
  void TearDown() override { EXPECT_EQ(gLive, live0) << "components leaked or freed twice"; }
  int live0 = 0;

  // Form1 { Count Caption Hint Align Options Font Items Lines; Panel1 { Button1 } Label1 }
  static void Build(TTestComp& form) {
    form.SetName("Form1");
    form.SetCount(-7);
    form.SetEnabled(false);
    form.SetRatio(0.1);
    form.SetCaption("Main \"window\"");
    form.SetHint(L"\u00e9t\u00e9 \u4e2d");
    form.SetAlign(alClient);
    form.SetOptions(opBold | opUnder);
    form.Font()->SetSize(12);
    form.Font()->SetStyle(opItalic);
    form.Font()->Data = {0, 1, 2, 255};
    form.Lines()->SetText("one\ntwo\n\nfour");
    auto* panel = NewComponent<TTestComp>(&form);
    panel->SetName("Panel1");
    panel->SetAlign(alTop);
    auto* button = NewComponent<TTestComp>(&form);
    button->SetName("Button1");
    button->Parent = panel;
    button->SetCaption("OK");
    auto* label = NewComponent<TTestComp>(&form);
    label->SetName("Label1");
    label->SetLink(button);
    panel->SetLink(label);  // a forward reference: Label1 is read after Panel1
    auto* a = static_cast<TTestItem*>(form.Items()->Add());
    a->SetCaption("first");
    a->SetValue(3);
    a->SetTarget(label);
    static_cast<TTestItem*>(form.Items()->Add())->SetCaption("");
  }

  static std::vector<uint8_t> Bytes(TComponent* c) { return ComponentToBytes(c); }
};

TEST_F(StreamingTest, RoundTripKeepsEveryProperty) {
  std::vector<uint8_t> data;
  {
    const std::unique_ptr<TTestComp> formPtr(NewComponent<TTestComp>(nullptr));
    TTestComp& form = *formPtr;
    Build(form);
    data = Bytes(&form);
  }
  const std::unique_ptr<TTestComp> formPtr(NewComponent<TTestComp>(nullptr));
  TTestComp& form = *formPtr;
  ReadComponentFromMemory(data.data(), data.size(), &form);
  EXPECT_EQ(form.Name(), "Form1");
  EXPECT_EQ(form.Count(), -7);
  EXPECT_FALSE(form.Enabled());
  EXPECT_EQ(form.Ratio(), 0.1);
  EXPECT_EQ(form.Caption(), "Main \"window\"");
  EXPECT_EQ(form.Hint(), L"\u00e9t\u00e9 \u4e2d");
  EXPECT_EQ(form.Align(), alClient);
  EXPECT_EQ(form.Options(), unsigned{opBold | opUnder});
  EXPECT_EQ(form.Font()->Size(), 12);
  EXPECT_EQ(form.Font()->Style(), unsigned{opItalic});
  EXPECT_EQ(form.Font()->Data, (std::vector<uint8_t>{0, 1, 2, 255}));
  EXPECT_EQ(form.Lines()->Text(), "one\r\ntwo\r\n\r\nfour\r\n");
  ASSERT_EQ(form.Items()->Count(), 2);
  auto* item = static_cast<TTestItem*>(form.Items()->GetItem(0));
  EXPECT_EQ(item->Caption(), "first");
  EXPECT_EQ(item->Value(), 3);
  EXPECT_EQ(static_cast<TTestItem*>(form.Items()->GetItem(1))->Caption(), "");

  ASSERT_EQ(form.ComponentCount(), 3);
  auto* panel = dynamic_cast<TTestComp*>(form.FindComponent("Panel1"));
  auto* button = dynamic_cast<TTestComp*>(form.FindComponent("Button1"));
  auto* label = dynamic_cast<TTestComp*>(form.FindComponent("Label1"));
  ASSERT_TRUE(panel && button && label);
  EXPECT_EQ(panel->Align(), alTop);
  EXPECT_EQ(button->Caption(), "OK");
  EXPECT_EQ(button->Parent, panel);  // nested record: the parent is set from the stream
  EXPECT_EQ(label->Parent, &form);
  EXPECT_EQ(label->Link(), button);
  EXPECT_EQ(panel->Link(), label);
  EXPECT_EQ(item->Target(), label);
  EXPECT_EQ(button->Owner(), &form);

  // Loaded once each, after the whole stream, with references already resolved.
  for (TTestComp* c : {&form, panel, button, label}) {
    EXPECT_EQ(c->LoadedCount, 1) << c->Name();
    EXPECT_EQ(c->ComponentState() & (csLoading | csReading), 0u);
  }
  EXPECT_EQ(label->LinkAtLoaded, button);
  EXPECT_EQ(panel->OwnerCountAtLoaded, 3);
  // Setters ran while loading and reading.
  ASSERT_FALSE(form.SetterStates.empty());
  EXPECT_EQ(form.SetterStates.back() & (csLoading | csReading), unsigned{csLoading | csReading});

  // Writing what was read gives the same bytes.
  EXPECT_EQ(Bytes(&form), data);
}

TEST_F(StreamingTest, AFileReadsAsAMemoryBlockDoesAndIsLeftAtTheEndOfTheComponent) {
  const std::unique_ptr<TTestComp> formPtr(NewComponent<TTestComp>(nullptr));
  TTestComp& form = *formPtr;
  Build(form);
  std::vector<uint8_t> data = Bytes(&form);
  std::string bytes(data.begin(), data.end());
  test::TSandbox box;
  const std::string whole = box.File("whole.bin", bytes + "tail"), cut = box.File("cut.bin", bytes.substr(0, 90));
  TFileStream file(whole, fmOpenRead);
  const std::unique_ptr<TTestComp> aPtr(NewComponent<TTestComp>(nullptr));
  const std::unique_ptr<TTestComp> bPtr(NewComponent<TTestComp>(nullptr));
  TTestComp& a = *aPtr;
  TTestComp& b = *bPtr;
  ReadComponent(file, &a);
  EXPECT_EQ(file.Position(), static_cast<int64_t>(data.size()));
  EXPECT_EQ(Bytes(&a), data);  // every property, sub-object, collection and child as written
  TFileStream shortFile(cut, fmOpenRead);
  EXPECT_THROW(ReadComponent(shortFile, &b), EReadError);
  EXPECT_EQ(b.ComponentCount(), 0);
}

TEST_F(StreamingTest, PropertiesAreFoundInAnyOrderAndCaseAtTheStreamsPosition) {
  TMemoryStream m;
  TWriter w(m);
  w.WriteStr("caption");  // after Count in the table, and spelt in another case
  w.WriteString("late");
  w.WriteStr("Count");
  w.WriteInteger(4);
  w.WriteValue(TValueType::vaNull);
  const std::unique_ptr<TTestComp> targetPtr(NewComponent<TTestComp>(nullptr));
  TTestComp& target = *targetPtr;
  TReader r(m);
  m.SetPosition(0);  // moved behind the reader's back: it reads from there
  r.ReadProperties(&target);
  EXPECT_EQ(target.Caption(), "late");
  EXPECT_EQ(target.Count(), 4);
  EXPECT_EQ(m.Position(), m.Size());
  EXPECT_THROW(r.ReadInteger(), EReadError);
}

TEST_F(StreamingTest, DefaultsAreNotWritten) {
  const std::unique_ptr<TTestComp> plainPtr(NewComponent<TTestComp>(nullptr));
  TTestComp& plain = *plainPtr;
  plain.SetName("P");
  auto data = Bytes(&plain);
  // Signature, class, name, the collection (always written), end of properties, end of children.
  std::vector<uint8_t> want = {'K', 'R', 'F', '1', 9,   'T', 'T', 'e', 's', 't', 'C', 'o', 'm',
                               'p', 1,   'P', 5,   'I', 't', 'e', 'm', 's', 11,  0,   0,   0};
  EXPECT_EQ(data, want);

  // A value equal to its default is skipped, a different one written.
  plain.SetEnabled(false);
  auto withFlag = Bytes(&plain);
  std::string text(withFlag.begin(), withFlag.end());
  EXPECT_NE(text.find("Enabled"), std::string::npos);
  EXPECT_EQ(text.find("Count"), std::string::npos);
  EXPECT_EQ(text.find("Font"), std::string::npos);  // a sub-object with only defaults is left out
}

TEST_F(StreamingTest, StoredFunctionDecidesAndStreamMembersWork) {
  const std::unique_ptr<TWiderComp> wPtr(NewComponent<TWiderComp>(nullptr));
  TWiderComp& w = *wPtr;
  w.SetName("W");
  w.SetSecret(9);
  TMemoryStream m;
  m.WriteComponent(&w);
  std::string text(static_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
  EXPECT_EQ(text.find("Secret"), std::string::npos);
  w.KeepSecret = true;
  m.Clear();
  m.WriteComponent(&w);
  m.SetPosition(0);
  TComponent* made = m.ReadComponent(nullptr);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->ClassType(), TWiderComp::StaticClass());
  EXPECT_EQ(static_cast<TWiderComp*>(made)->Secret(), 9);
  EXPECT_EQ(made->Name(), "W");
  delete made;
}

TEST_F(StreamingTest, RootCreatedByClassNameAndFreedOnFailure) {
  const std::unique_ptr<TTestComp> formPtr(NewComponent<TTestComp>(nullptr));
  TTestComp& form = *formPtr;
  Build(form);
  auto data = Bytes(&form);
  const std::unique_ptr<TComponent> ownerPtr(NewComponent<TComponent>(nullptr));
  TComponent& owner = *ownerPtr;
  TComponent* made = ReadComponentFromMemory(data.data(), data.size(), nullptr, &owner);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->ClassType(), TTestComp::StaticClass());
  EXPECT_EQ(made->Owner(), &owner);
  EXPECT_EQ(made->ComponentCount(), 3);
  delete made;
  data.resize(data.size() - 1);
  EXPECT_THROW(ReadComponentFromMemory(data.data(), data.size(), nullptr, &owner), EReadError);
  EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST_F(StreamingTest, EveryTruncationFailsCleanly) {
  const std::unique_ptr<TTestComp> formPtr(NewComponent<TTestComp>(nullptr));
  TTestComp& form = *formPtr;
  Build(form);
  auto data = Bytes(&form);
  for (size_t n = 0; n < data.size(); ++n) {
    const std::unique_ptr<TTestComp> targetPtr(NewComponent<TTestComp>(nullptr));
    TTestComp& target = *targetPtr;
    try {
      ReadComponentFromMemory(data.data(), n, &target);
      ADD_FAILURE() << "prefix " << n << " was accepted";
    } catch (const EFilerError&) {
    }
    EXPECT_EQ(target.ComponentCount(), 0) << n;
    EXPECT_EQ(target.ComponentState() & (csLoading | csReading), 0u) << n;
    EXPECT_EQ(target.LoadedCount, 0) << n;
  }
}

TEST_F(StreamingTest, CorruptedBytesNeverCrashOrLeak) {
  const std::unique_ptr<TTestComp> formPtr(NewComponent<TTestComp>(nullptr));
  TTestComp& form = *formPtr;
  Build(form);
  auto data = Bytes(&form);
  unsigned seed = 99;
  int failures = 0;
  for (int round = 0; round < 3000; ++round) {
    auto bad = data;
    for (int k = 0; k < 1 + round % 3; ++k) {
      seed = seed * 1103515245 + 12345;
      size_t at = (seed >> 8) % bad.size();
      seed = seed * 1103515245 + 12345;
      bad[at] = static_cast<uint8_t>(seed >> 16);
    }
    const std::unique_ptr<TTestComp> targetPtr(NewComponent<TTestComp>(nullptr));
    TTestComp& target = *targetPtr;
    try {
      ReadComponentFromMemory(bad.data(), bad.size(), &target);
    } catch (const EFilerError&) {
      ++failures;
      EXPECT_EQ(target.ComponentCount(), 0);
      EXPECT_EQ(target.ComponentState() & (csLoading | csReading), 0u);
    }
  }
  EXPECT_GT(failures, 0);
}

TEST_F(StreamingTest, UnknownPropertyNamesTheComponentAndProperty) {
  const std::unique_ptr<TWiderComp> widePtr(NewComponent<TWiderComp>(nullptr));
  TWiderComp& wide = *widePtr;
  wide.SetName("Form1");
  auto* child = NewComponent<TWiderComp>(&wide);
  child->SetName("Edit1");
  auto data = Bytes(&wide);
  // Change the stored class names to the narrower class: "Extra" is then unknown.
  std::string s(data.begin(), data.end());
  for (size_t p; (p = s.find(std::string("\x0ATWiderComp", 11))) != std::string::npos;)
    s.replace(p, 11, std::string("\x09TTestComp", 10));
  const std::unique_ptr<TTestComp> targetPtr(NewComponent<TTestComp>(nullptr));
  TTestComp& target = *targetPtr;
  try {
    ReadComponentFromMemory(s.data(), s.size(), &target);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Error reading Form1.Extra: Property Extra does not exist");
  }
}

TEST_F(StreamingTest, BadValuesGiveClearErrors) {
  auto expectError = [&](const std::function<void(TWriter&)>& props, const std::string& message) {
    TMemoryStream m;
    TWriter w(m);
    m.WriteBuffer(kFilerSignature, 4);
    w.WriteStr("TTestComp");
    w.WriteStr("F");
    props(w);
    w.WriteValue(TValueType::vaNull);
    w.WriteValue(TValueType::vaNull);
    const std::unique_ptr<TTestComp> targetPtr(NewComponent<TTestComp>(nullptr));
    TTestComp& target = *targetPtr;
    m.SetPosition(0);
    try {
      ReadComponent(m, &target);
      ADD_FAILURE() << "accepted: " << message;
    } catch (const EFilerError& e) {
      EXPECT_EQ(e.Message(), message);
    }
    EXPECT_EQ(target.ComponentCount(), 0);
  };
  expectError(
      [](TWriter& w) {
        w.WriteStr("Align");
        w.WriteIdent("alBottom");
      },
      "Error reading F.Align: Invalid property value");
  expectError(
      [](TWriter& w) {
        w.WriteStr("Count");
        w.WriteString("12");
      },
      "Error reading F.Count: Invalid property value");
  expectError(
      [](TWriter& w) {
        w.WriteStr("Count");
        w.WriteInteger(1);
        w.WriteStr("count");
        w.WriteInteger(2);
      },
      "Error reading F.count: Property count is given twice");
  expectError(
      [](TWriter& w) {
        w.WriteStr("Link");
        w.WriteIdent("Nobody");
      },
      "Error reading F.Link: Component Nobody not found");
  expectError(
      [](TWriter& w) {
        w.WriteStr("Font");
        w.WriteValue(TValueType::vaObject);
        w.WriteStr("Bogus");
        w.WriteInteger(1);
        w.WriteValue(TValueType::vaNull);
      },
      "Error reading F.Font.Bogus: Property Bogus does not exist");
  expectError(
      [](TWriter& w) {
        w.WriteValue(TValueType::vaNull);  // end of properties
        w.WriteStr("TNoSuchClass");
        w.WriteStr("X");
      },
      "Class TNoSuchClass not found");
  // A reference of the wrong class: Link takes a TTestComp.
  expectError(
      [](TWriter& w) {
        w.WriteStr("Link");
        w.WriteIdent("Plain");
        w.WriteValue(TValueType::vaNull);
        w.WriteStr("TComponent");
        w.WriteStr("Plain");
        w.WriteValue(TValueType::vaNull);
        w.WriteValue(TValueType::vaNull);
      },
      "Error reading F.Link: Invalid property value");
}

TEST_F(StreamingTest, WrongRootAndSignature) {
  const std::unique_ptr<TTestComp> formPtr(NewComponent<TTestComp>(nullptr));
  TTestComp& form = *formPtr;
  form.SetName("Form1");
  auto data = Bytes(&form);
  const std::unique_ptr<TComponent> otherPtr(NewComponent<TComponent>(nullptr));
  TComponent& other = *otherPtr;
  EXPECT_THROW(ReadComponentFromMemory(data.data(), data.size(), &other), EReadError);
  EXPECT_EQ(other.ComponentState(), 0u);
  data[0] = 'X';
  const std::unique_ptr<TTestComp> targetPtr(NewComponent<TTestComp>(nullptr));
  TTestComp& target = *targetPtr;
  try {
    ReadComponentFromMemory(data.data(), data.size(), &target);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Invalid stream format");
  }
}

TEST_F(StreamingTest, DeepNestingIsRefused) {
  TMemoryStream m;
  TWriter w(m);
  m.WriteBuffer(kFilerSignature, 4);
  w.WriteStr("TTestComp");
  w.WriteStr("Root");
  w.WriteValue(TValueType::vaNull);
  for (int i = 0; i < 5000; ++i) {
    w.WriteStr("TTestComp");
    w.WriteStr("");
    w.WriteValue(TValueType::vaNull);
  }
  m.SetPosition(0);
  const std::unique_ptr<TTestComp> targetPtr(NewComponent<TTestComp>(nullptr));
  TTestComp& target = *targetPtr;
  EXPECT_THROW(ReadComponent(m, &target), EReadError);
  EXPECT_EQ(target.ComponentCount(), 0);
}

TEST_F(StreamingTest, HugeLengthsAreRefusedBeforeAllocating) {
  TMemoryStream m;
  TWriter w(m);
  m.WriteBuffer(kFilerSignature, 4);
  w.WriteStr("TTestComp");
  w.WriteStr("F");
  w.WriteStr("Caption");
  w.WriteValue(TValueType::vaString);
  uint32_t huge = 0xFFFFFFF0u;
  m.WriteBuffer(&huge, 4);
  m.SetPosition(0);
  const std::unique_ptr<TTestComp> targetPtr(NewComponent<TTestComp>(nullptr));
  TTestComp& target = *targetPtr;
  try {
    ReadComponent(m, &target);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Error reading F.Caption: Stream read error");
  }
}

TEST_F(StreamingTest, ExistingComponentsOfTheRootAreFilledInPlace) {
  const std::unique_ptr<TTestComp> formPtr(NewComponent<TTestComp>(nullptr));
  TTestComp& form = *formPtr;
  Build(form);
  auto data = Bytes(&form);
  const std::unique_ptr<TTestComp> targetPtr(NewComponent<TTestComp>(nullptr));
  TTestComp& target = *targetPtr;
  auto* pre = NewComponent<TTestComp>(&target);
  pre->SetName("Button1");
  ReadComponentFromMemory(data.data(), data.size(), &target);
  EXPECT_EQ(target.ComponentCount(), 3);
  EXPECT_EQ(target.FindComponent("Button1"), pre);
  EXPECT_EQ(pre->Caption(), "OK");
  EXPECT_EQ(pre->LoadedCount, 1);
}

TEST_F(StreamingTest, ReadFromAnRcdataResourceOfTheModule) {
  const std::unique_ptr<TTestComp> targetPtr(NewComponent<TTestComp>(nullptr));
  TTestComp& target = *targetPtr;
  ReadComponentResource(GetModuleHandleA(nullptr), "TESTSTREAM", &target);
  EXPECT_EQ(target.Name(), "F");
  EXPECT_EQ(target.Count(), 5);
  EXPECT_EQ(target.LoadedCount, 1);
  TResourceStream res(GetModuleHandleA(nullptr), "TESTSTREAM", MAKEINTRESOURCEA(10));
  EXPECT_EQ(res.Size(), 29);
  EXPECT_THROW(res.Write("x", 1), EStreamError);
  EXPECT_THROW(res.SetSize(3), EStreamError);
  EXPECT_THROW(ReadComponentResource(GetModuleHandleA(nullptr), "NOSTREAM", &target), EResNotFound);
}

TEST_F(StreamingTest, ResourceFileHoldsTheStreamAsRcdata) {
  const std::unique_ptr<TTestComp> formPtr(NewComponent<TTestComp>(nullptr));
  TTestComp& form = *formPtr;
  Build(form);
  char path[MAX_PATH];
  GetTempFileNameA(GetTempDir().c_str(), "krs", 0, path);
  WriteComponentResFile(path, "Form1", &form);
  TMemoryStream res;
  res.LoadFromFile(path);
  DeleteFile(path);
  auto* p = static_cast<const uint8_t*>(res.Memory());
  auto u32 = [&](size_t at) {
    uint32_t v;
    std::memcpy(&v, p + at, 4);
    return v;
  };
  ASSERT_GE(res.Size(), 64);
  EXPECT_EQ(u32(0), 0u);
  EXPECT_EQ(u32(4), 32u);
  uint32_t size = u32(32), header = u32(36);
  EXPECT_EQ(u32(40), 0x000AFFFFu);  // type RT_RCDATA by number
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(p + 44)), L"FORM1");
  auto data = Bytes(&form);
  ASSERT_EQ(size, data.size());
  EXPECT_EQ(std::memcmp(p + 32 + header, data.data(), size), 0);
}

}  // namespace
}  // namespace korv
