#include "ResultStore.h"

#include <algorithm>

#include "classlib/SysUtils.h"

namespace korv {

namespace {
const char* const kColumnCaptions[rcColumnCount] = {"Name", "Folder", "Type", "Size", "Date-Time"};
const std::string kEmpty;

std::string LocaleText(bool date, const SYSTEMTIME& st, LCID locale) {
  // Without LOCALE_USE_CP_ACP the 8-bit calls write the locale's own code page, which differs
  // from the ANSI code page the list shows whenever the user's locale and the system's do.
  char buf[128] = {};
  int n = date ? GetDateFormatA(locale, DATE_SHORTDATE | LOCALE_USE_CP_ACP, &st, nullptr, buf, sizeof buf)
               : GetTimeFormatA(locale, LOCALE_USE_CP_ACP, &st, nullptr, buf, sizeof buf);
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

std::string DateTimeText(const FILETIME& utc, LCID locale) {
  FILETIME local{};
  SYSTEMTIME st{};
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return {};
  std::string date = LocaleText(true, st, locale);
  std::string time = LocaleText(false, st, locale);
  if (date.empty()) return time;
  return time.empty() ? date : date + " " + time;
}

std::string FileTypeText(const std::string& name) {
  std::string ext = ExtractFileExt(name);
  return ext.empty() ? ext : ext.substr(1);
}

std::vector<TResultRow> ReadFolderRows(const std::string& folder, const TRowProgress& progress, int* leftOut) {
  const std::string dir = IncludeTrailingPathDelimiter(folder);
  // Read in UTF-16: the 8-bit search turns a character the code page cannot carry into "?" or
  // a best-fit look-alike, and such a row would name a missing or a different file.
  struct TFound {
    std::string Name;
    WIN32_FIND_DATAW Data;
  };
  std::vector<TFound> found;
  int skipped = 0;
  WIN32_FIND_DATAW data{};
  HANDLE search = FindFirstFileW((AnsiToWide(dir) + L"*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) {
    DWORD rc = GetLastError();
    if (rc != ERROR_FILE_NOT_FOUND && rc != ERROR_NO_MORE_FILES) RaiseLastOSError(rc);
  } else {
    // The search handle goes on every exit, a failed allocation on the way included.
    struct TSearchScope {
      HANDLE H;
      ~TSearchScope() { ::FindClose(H); }
    } scope{search};
    do {
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      std::string name = AnsiFileName(data.cFileName, data.cAlternateFileName);
      if (name.empty())
        ++skipped;
      else
        found.push_back(TFound{std::move(name), data});
    } while (FindNextFileW(search, &data));
    DWORD rc = GetLastError();
    if (rc != ERROR_NO_MORE_FILES) RaiseLastOSError(rc);
  }

  std::sort(found.begin(), found.end(),
            [](const TFound& a, const TFound& b) { return AnsiCompareText(a.Name, b.Name) < 0; });
  std::vector<TResultRow> rows;
  rows.reserve(found.size());
  const int total = static_cast<int>(found.size());
  for (const TFound& f : found) {
    TResultRow row;
    row.Name = f.Name;
    row.Folder = dir;
    row.Type = FileTypeText(f.Name);
    row.Bytes = static_cast<int64_t>((static_cast<uint64_t>(f.Data.nFileSizeHigh) << 32) | f.Data.nFileSizeLow);
    row.Size = ByteSizeText(row.Bytes);
    row.DateTime = DateTimeText(f.Data.ftLastWriteTime);
    rows.push_back(std::move(row));
    if (progress) progress(static_cast<int>(rows.size()), total);
  }
  if (leftOut) *leftOut = skipped;
  return rows;
}

}  // namespace korv
