// The demo program's application manifest: in its resources, valid for the system, and naming the
// version 6 common controls, the Windows versions it supports and its DPI behaviour.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "classlib/SysUtils.h"

namespace korv::test {
namespace {

TEST(DemoManifest, TheProgramCarriesAValidManifestForTheVersion6CommonControls) {
  // The program: the build puts it in demo/ beside tests/. Its manifest is resource 1 of type 24.
  const std::string program = ExpandFileName(ExeFolder() + "..\\demo\\korvani_demo.exe");
  HMODULE exe = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr) << program;
  std::string text;
  if (HRSRC res = FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)))
    text.assign(static_cast<const char*>(LockResource(LoadResource(exe, res))), SizeofResource(exe, res));
  FreeLibrary(exe);
  ASSERT_FALSE(text.empty());
  ACTCTXA ctx{};
  ctx.cbSize = sizeof ctx, ctx.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  ctx.lpSource = program.c_str(), ctx.lpResourceName = MAKEINTRESOURCEA(1);
  HANDLE context = CreateActCtxA(&ctx);  // well formed, its dependency found
  EXPECT_NE(context, INVALID_HANDLE_VALUE);
  ReleaseActCtx(context);
  const std::string identity = text.substr(text.find("<dependentAssembly>"));
  for (const char* part :
       {"name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"", "publicKeyToken=\"6595b64144ccf1df\""})
    EXPECT_LT(identity.find(part), identity.find("/>")) << part;
  // Windows 7, 8, 8.1, and 10 and 11; DPI unaware.
  for (const char* part : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
                           ">false</dpiAware>", ">unaware</dpiAwareness>"})
    EXPECT_NE(text.find(part), std::string::npos) << part;
}

}  // namespace
}  // namespace korv::test
