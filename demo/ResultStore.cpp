#include "ResultStore.h"

#include <algorithm>

#include "classlib/SysUtils.h"

namespace korv {

namespace {
const char* const kColumnCaptions[rcColumnCount] = {"Name", "Folder", "Type", "Size", "Date-Time"};
const std::string kEmpty;

std::string LocaleText(bool date, const SYSTEMTIME& st) {
  char buf[128] = {};
  int n = date ? GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, sizeof buf)
               : GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, buf, sizeof buf);
  return n > 0 ? std::string(buf) : std::string();
}
}  // namespace

const char* ResultColumnCaption(int column) noexcept {
  return column >= 0 && column < rcColumnCount ? kColumnCaptions[column] : "";
}

const std::string& ResultColumnText(const TResultRow& row, int column) noexcept {
  switch (column) {
    case rcName:
      return row.Name;
    case rcFolder:
      return row.Folder;
    case rcType:
      return row.Type;
    case rcSize:
      return row.Size;
    case rcDateTime:
      return row.DateTime;
    default:
      return kEmpty;
  }
}

std::string ByteSizeText(int64_t bytes) {
  constexpr int64_t KB = 1024, MB = 1048576, GB = 1073741824;
  if (bytes < 0) bytes = 0;
  const double b = static_cast<double>(bytes);
  if (bytes < KB) return Format("%.0n Bytes", b);
  if (bytes < MB) return Format("%.2n KB", b / KB);
  if (bytes < GB) return Format("%.2n MB", b / MB);
  return Format("%.2n GB", b / GB);
}

std::string DateTimeText(const FILETIME& utc) {
  FILETIME local{};
  SYSTEMTIME st{};
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return {};
  std::string date = LocaleText(true, st);
  std::string time = LocaleText(false, st);
  if (date.empty()) return time;
  return time.empty() ? date : date + " " + time;
}

std::string FileTypeText(const std::string& name) {
  std::string ext = ExtractFileExt(name);
  return ext.empty() ? ext : ext.substr(1);
}

std::vector<TResultRow> ReadFolderRows(const std::string& folder, const TRowProgress& progress) {
  const std::string dir = IncludeTrailingPathDelimiter(folder);
  std::vector<TSearchRec> found;
  TSearchRec rec;
  DWORD rc = FindFirst(dir + "*", faAnyFile, rec);
  if (rc != 0 && rc != ERROR_FILE_NOT_FOUND && rc != ERROR_NO_MORE_FILES) RaiseLastOSError(rc);
  {
    // The search handle goes on every exit, a failed allocation on the way included.
    struct TSearchScope {
      TSearchRec& Rec;
      ~TSearchScope() { FindClose(Rec); }
    } search{rec};
    while (rc == 0) {
      if (!(rec.Attr & faDirectory)) found.push_back(rec);
      rc = FindNext(rec);
    }
  }
  if (rc != ERROR_NO_MORE_FILES && rc != ERROR_FILE_NOT_FOUND) RaiseLastOSError(rc);

  std::sort(found.begin(), found.end(),
            [](const TSearchRec& a, const TSearchRec& b) { return AnsiCompareText(a.Name, b.Name) < 0; });
  std::vector<TResultRow> rows;
  rows.reserve(found.size());
  const int total = static_cast<int>(found.size());
  for (const TSearchRec& f : found) {
    TResultRow row;
    row.Name = f.Name;
    row.Folder = dir;
    row.Type = FileTypeText(f.Name);
    row.Bytes = f.Size;
    row.Size = ByteSizeText(f.Size);
    row.DateTime = DateTimeText(f.FindData.ftLastWriteTime);
    rows.push_back(std::move(row));
    if (progress) progress(static_cast<int>(rows.size()), total);
  }
  return rows;
}

}  // namespace korv
