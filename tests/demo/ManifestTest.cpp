// The demo program's application manifest: in its resources, taken by the system as a valid
// manifest, and naming the version 6 common controls, the versions of Windows it supports and
// its DPI behaviour.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "classlib/SysUtils.h"

namespace korv::test {
namespace {

// The program's path: the build puts it in demo/ beside tests/.
std::string ProgramFile() { return ExpandFileName(ExeFolder() + "..\\demo\\korvani_demo.exe"); }

// The text of the program's manifest resource (resource 1 of type RT_MANIFEST), empty without one.
std::string ManifestOf(const std::string& program) {
  HMODULE exe = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!exe) return {};
  std::string text;
  if (HRSRC res = FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)))
    if (const void* bytes = LockResource(LoadResource(exe, res)))
      text.assign(static_cast<const char*>(bytes), SizeofResource(exe, res));
  FreeLibrary(exe);
  return text;
}

// The element that starts with open (up to its closing ">"), or empty.
std::string ElementOf(const std::string& text, const std::string& open, size_t from = 0) {
  const size_t at = text.find(open, from);
  if (at == std::string::npos) return {};
  const size_t end = text.find('>', at);
  return end == std::string::npos ? std::string{} : text.substr(at, end - at + 1);
}

TEST(DemoManifest, TheProgramCarriesAValidManifestForTheVersion6CommonControls) {
  const std::string program = ProgramFile();
  const std::string text = ManifestOf(program);
  ASSERT_FALSE(text.empty()) << program;
  // The system makes an activation context of it: well formed, and its dependency found.
  ACTCTXA ctx{};
  ctx.cbSize = sizeof ctx;
  ctx.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  ctx.lpSource = program.c_str();
  ctx.lpResourceName = MAKEINTRESOURCEA(1);
  HANDLE context = CreateActCtxA(&ctx);
  EXPECT_NE(context, INVALID_HANDLE_VALUE) << GetLastError();
  if (context != INVALID_HANDLE_VALUE) ReleaseActCtx(context);

  const size_t dependency = text.find("<dependentAssembly>");
  const std::string identity = ElementOf(text, "<assemblyIdentity", dependency);
  ASSERT_NE(dependency, std::string::npos);
  EXPECT_NE(identity.find("name=\"Microsoft.Windows.Common-Controls\""), std::string::npos) << identity;
  EXPECT_NE(identity.find("version=\"6.0.0.0\""), std::string::npos) << identity;
  EXPECT_NE(identity.find("publicKeyToken=\"6595b64144ccf1df\""), std::string::npos) << identity;
  // Windows 7, 8, 8.1, and 10 and 11.
  for (const char* os : {"35138b9a-5d96-4fbd-8e2d-a2440225f93a", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
                         "1f676c76-80e1-4239-95bb-83d0f6d0da78", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
    EXPECT_NE(text.find(std::string("<supportedOS Id=\"{") + os + "}\"/>"), std::string::npos) << os;
  EXPECT_NE(text.find(">false</dpiAware>"), std::string::npos);
  EXPECT_NE(text.find(">unaware</dpiAwareness>"), std::string::npos);
}

}  // namespace
}  // namespace korv::test
