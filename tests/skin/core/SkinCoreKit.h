// What the skin core's tests share: forms that record the skin commands they receive, skins built
// in code, picture passes that give a skin hand-made images, and a fixture that checks the
// process-wide skin state after each test.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "classlib/Forms.h"
#include "skin/core/sMessages.h"
#include "skin/core/sSkinManager.h"
#include "support/GuiTest.h"

namespace korv::test {

// One skin command as a form received it, with the process-wide flags at that moment.
struct TSkinCmd {
  WORD Command;
  LPARAM Manager;
  bool SkinChanging;
  bool NewSkinSending;
};

// A form that records the skin commands reaching its window. Accepted() lists those a form
// bound to Manager (nullptr: the default manager) acts on: commands 1, 2, 3 and 16 of that
// manager, and every other command.
class TRecordingForm : public TForm {
  KORV_CLASS(TRecordingForm, TForm)
 public:
  explicit TRecordingForm(TComponent* owner) : TForm(owner) {}
  void Dispatch(TMessage& m) override;
  [[nodiscard]] std::vector<WORD> Commands() const;
  [[nodiscard]] std::vector<WORD> Accepted() const;
  TsSkinManager* Manager = nullptr;
  std::vector<TSkinCmd> Received;
};

// An image of a section, as the picture passes make them.
[[nodiscard]] TsMaskData Image(const std::string& section, const std::string& key, TacImgType type = itisaBorder,
                               int borderWidth = 0);

// Picture passes whose image pass runs OnMasks (which may add images, or throw as a failing
// pass does).
class TTestPasses : public TacSkinLoadPasses {
 public:
  void LoadAllMasks(TsSkinManager& sm) override {
    TacSkinLoadPasses::LoadAllMasks(sm);
    if (OnMasks) OnMasks(sm);
  }
  std::function<void(TsSkinManager&)> OnMasks;
};

// A stored skin with sections in order, each "NAME" or "NAME>PARENT".
TsStoredSkin* AddStoredSkin(TsSkinManager& sm, const std::string& name, const std::vector<std::string>& sections);

class TSkinCoreTest : public TFormTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A recording form owned by the application, so that broadcasts reach it.
  TRecordingForm* NewRecordingForm(TsSkinManager* manager = nullptr);
  // A manager freed at the end of the test (a test that frees it removes it from Managers_).
  TsSkinManager* NewManager();

  TTestPasses Passes;
  std::vector<TsSkinManager*> Managers_;

 private:
  TacSkinLoadPasses* SavedPasses_ = nullptr;
};

}  // namespace korv::test
