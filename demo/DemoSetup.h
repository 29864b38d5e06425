// What the demo needs before its window opens: the folder to list (from the command line, or a
// folder of sample files it writes itself under the temporary folder).
#pragma once

#include <string>
#include <vector>

namespace korv {

// The folder named on the command line, as a full path ending with "\"; empty when none was
// named. Error is set (and Folder empty) when the arguments cannot be used.
struct TDemoArgs {
  std::string Folder;
  std::string Error;
};
// Args are the arguments after the program's name.
[[nodiscard]] TDemoArgs ParseDemoArgs(const std::vector<std::wstring>& args);
// The arguments of this process after the program's name.
[[nodiscard]] std::vector<std::wstring> CommandLineArgs();

// A folder of a few small text files under the temporary folder. The destructor deletes the
// files it wrote (only those) and then the folder when nothing else was put in it.
class TSampleFolder {
 public:
  // Raises EOSError when the folder or a file cannot be written.
  TSampleFolder();
  ~TSampleFolder();
  TSampleFolder(const TSampleFolder&) = delete;
  TSampleFolder& operator=(const TSampleFolder&) = delete;

  // The folder, ending with "\".
  [[nodiscard]] const std::string& Path() const noexcept { return FPath; }
  // The file names written, in the order they were written.
  [[nodiscard]] const std::vector<std::string>& Files() const noexcept { return FFiles; }

 private:
  void Remove() noexcept;
  std::string FPath;
  std::vector<std::string> FFiles;
};

}  // namespace korv
