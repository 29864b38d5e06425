// The section reader: builds the skin manager's section table (one TsGeneralData per section)
// from a folder skin's INI text, from a stored skin, and from the manager's extra sections.
//
// Every reader is all or nothing: it works on its own copies and hands them over only when the
// whole source has been read. A value that must be an integer and is not raises EConvertError
// with the class library's message, and the caller's table and skin data are left as they were.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "skin/data/sMaskData.h"
#include "skin/data/sSkinData.h"

namespace korv {

class TsStoredSkin;
class TsStoredSkins;
class TMemIniFile;

// What the reader needs of a folder skin's INI file: its section names in file order, the entries
// of a section in file order, and the value of a key (trimmed), Default when the key is absent.
// Names compare case-insensitively; of two keys of one name the first counts.
class TacSkinIniSource {
 public:
  using TEntries = std::vector<std::pair<std::string, std::string>>;
  using TVisit = std::function<void(std::string_view key, std::string_view value)>;
  virtual ~TacSkinIniSource() = default;
  virtual void ReadSections(std::vector<std::string>& names) const = 0;
  virtual void ReadSectionValues(std::string_view section, TEntries& entries) const = 0;
  [[nodiscard]] virtual std::string ReadString(std::string_view section, std::string_view key,
                                               const std::string& def) const = 0;
  // Visit(key, value) for each entry ReadSectionValues gives, in its order; the views last for the
  // call only. By default through ReadSectionValues; a source may walk its entries in place.
  virtual void VisitSectionValues(std::string_view section, const TVisit& visit) const;
};

// The reader's view of the class library's memory INI file.
class TacMemIniSource final : public TacSkinIniSource {
 public:
  explicit TacMemIniSource(const TMemIniFile& ini) noexcept : Ini_(ini) {}
  void ReadSections(std::vector<std::string>& names) const override;
  void ReadSectionValues(std::string_view section, TEntries& entries) const override;
  [[nodiscard]] std::string ReadString(std::string_view section, std::string_view key,
                                       const std::string& def) const override;
  void VisitSectionValues(std::string_view section, const TVisit& visit) const override;

 private:
  const TMemIniFile& Ini_;
};

// Folder skin: the GLOBALINFO values into Data, and one record per section (file order; a section
// named twice is listed once and its first occurrence counts) into Table, replacing its content.
// Keys without a value of their own follow PARENTCLASS. A chain is followed at most as many steps
// as the file has sections, so one that comes back to a section it has visited ends, and the key
// takes its default.
void ReadFolderGenerals(const TacSkinIniSource& ini, TsSkinData& data, TsGeneralDataArray& table);

// Stored skin: the skin-wide values into Data and one record per general item into Table,
// replacing its content. No inheritance. An item with a bad number ends its own record only.
void ReadStoredGenerals(const TsStoredSkin& skin, TsSkinData& data, TsGeneralDataArray& table);

// The manager's extra sections, appended to Table: absent keys are copied from the record named by
// PARENTCLASS (searched in the whole table) or take their defaults.
void AppendCommonGenerals(const std::vector<std::string>& lines, TsGeneralDataArray& table);

// The whole reader step of a skin load: the folder skin when Folder is given, else the stored skin
// of that name (first of equal names); then the extra sections. Returns false, changing nothing,
// when there is no folder skin and no stored skin of that name.
struct TacGeneralsSources {
  const TacSkinIniSource* Folder = nullptr;
  const TsStoredSkins* Stored = nullptr;
  std::string SkinName;
  std::vector<std::string> CommonSections;
};
bool LoadAllGenerals(const TacGeneralsSources& src, TsSkinData& data, TsGeneralDataArray& table);

}  // namespace korv
