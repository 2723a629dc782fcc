// The built module loads under the Windows loader and resolves all seven
// exports by their undecorated names.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(ModuleExports, AllSevenResolveByUndecoratedName) {
  HMODULE module = LoadLibraryW(AMBREL_MODULE_PATH);
  ASSERT_NE(module, nullptr) << "LoadLibraryW failed: " << GetLastError();
  for (const char* name : {"DVP_Init", "DVP_InitEx", "DVP_Uninit", "DVP_USBSafe", "DVP_IdentifyW",
                           "DVP_IdentifyFileW", "DVP_GetFileInfoFileW"}) {
    EXPECT_NE(GetProcAddress(module, name), nullptr) << name;
  }
  EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
