// The rows behind the result list: one row per file with its name, folder, type, size text and
// date-time, read from a folder on disk. The list shows them on demand (owner data).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace korv {

struct TResultRow {
  std::string Name;      // file name with its extension
  std::string Folder;    // the folder, ending with "\"
  std::string Type;      // the extension without its dot ("" when none)
  std::string Size;      // ByteSizeText of Bytes
  std::string DateTime;  // last write time as local date and time texts
  int64_t Bytes = 0;

  [[nodiscard]] std::string FullPath() const { return Folder + Name; }
};

// The result list's columns, in order.
enum TResultColumn : int { rcName, rcFolder, rcType, rcSize, rcDateTime, rcColumnCount };
// The caption of a column.
[[nodiscard]] const char* ResultColumnCaption(int column) noexcept;
// The text of a row's column ("" for a column out of range).
[[nodiscard]] const std::string& ResultColumnText(const TResultRow& row, int column) noexcept;

// "%.0n Bytes" below 1024, "%.2n KB" below 1048576, "%.2n MB" below 1073741824, else "%.2n GB"
// (thousands grouped with ",", "." as the decimal separator). Negative sizes read as 0.
[[nodiscard]] std::string ByteSizeText(int64_t bytes);

// A file time (UTC) as the short date and time texts of a locale (the user's by default) in
// local time: "<date> <time>", in the ANSI code page like every text of the list.
[[nodiscard]] std::string DateTimeText(const FILETIME& utc, LCID locale = LOCALE_USER_DEFAULT);

// The type column of a file name: the extension without its dot.
[[nodiscard]] std::string FileTypeText(const std::string& name);

// Called once per row read, with the number of rows read so far and the total.
using TRowProgress = std::function<void(int done, int total)>;

// The files (not folders) directly inside folder, sorted by name without regard to case. A file
// whose name the code page cannot carry is listed by its short (8.3) name, or left out when it
// has none the code page carries; leftOut (when given) receives how many were left out.
// Raises EOSError when the folder cannot be read.
[[nodiscard]] std::vector<TResultRow> ReadFolderRows(const std::string& folder, const TRowProgress& progress = {},
                                                     int* leftOut = nullptr);

}  // namespace korv
