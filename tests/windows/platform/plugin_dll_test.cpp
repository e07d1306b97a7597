// The plug-in DLL as a host sees it: loaded by the Windows loader from a folder whose path is
// longer than the old 260-character limit, called through its exports with records by value.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/dynamic_library.h"
#include "plugin/export_decl.h"
#include "state/records.h"
#include "support/temp_dir.h"

namespace tims {
namespace {

namespace fs = std::filesystem;

template <typename Function>
Function exportOf(const platform::DynamicLibrary& library, const char* name) {
  return reinterpret_cast<Function>(library.symbol(name));
}

TEST(PluginDll, FindsItsSettingsBesideItselfOnALongPathAndTakesRecordsByValue) {
  std::wstring self(32768, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  const fs::path built = fs::path(self).parent_path() / TIMS_DLL_RELATIVE;
  tims::testing::TempDir dir;
  // Two nested folders of 150 characters: the DLL's path is well over 260 characters.
  const fs::path top = dir.path() / std::string(150, 'v'), folder = top / std::string(150, 'w');
  fs::create_directories(folder);
  fs::copy_file(built, folder / built.filename());
  platform::DynamicLibrary library;
  ASSERT_TRUE(library.open(folder / built.filename())) << library.errorText();
  EXPECT_EQ(exportOf<int(TIMS_CALL*)()>(library, "GetPluginVersion")(), 131072);
  exportOf<void(TIMS_CALL*)()>(library, "Load")();
  exportOf<void(TIMS_CALL*)(VehicleSpec)>(library, "SetVehicleSpec")({8, -1, -1, 3, -1});
  const auto initialize = exportOf<void(TIMS_CALL*)(int)>(library, "Initialize");
  initialize(0);
  // The default write-back lands beside the DLL: it found its own folder through the long path.
  EXPECT_TRUE(fs::exists(folder / "TIMS_Spec.ini"));

  int panel[kSlotCount] = {}, sound[kSlotCount] = {};
  VehicleState state{1234.5, 0.0f, 36000000, 0.0f, 0.0f, 0xDEADBEEF, 0xDEADBEEF, 0xDEADBEEF, 0.0f};
  const auto elapse = exportOf<HandleSet(TIMS_CALL*)(VehicleState, int*, int*)>(library, "Elapse");
  const auto frame = [&] {
    state.time += 16;
    const HandleSet h = elapse(state, panel, sound);
    return std::tuple(h.brake, h.power, h.reverser, h.constantSpeed);
  };
  EXPECT_EQ(frame(), std::tuple(9, 0, 1, 0));  // start code 0: the emergency notch, 8 + 1
  initialize(-1);
  exportOf<void(TIMS_CALL*)(int)>(library, "SetPower")(3);
  exportOf<void(TIMS_CALL*)(BeaconData)>(library, "SetBeaconData")({-12345, ~0u, ~0u, 7});
  EXPECT_EQ(frame(), std::tuple(3, 3, 1, 0));  // start code -1: the spec's start notch
  exportOf<void(TIMS_CALL*)()>(library, "Dispose")();
  library.close();
  // The C runtime's file functions stop at 260 characters; the system's take the long-path form.
  for (const fs::path& made : {folder / built.filename(), folder / "TIMS_Spec.ini", folder, top}) {
    const std::wstring longForm = L"\\\\?\\" + made.native();
    made.has_extension() ? DeleteFileW(longForm.c_str()) : RemoveDirectoryW(longForm.c_str());
  }
}

TEST(PluginDll, ALibraryThatCannotBeLoadedIsExplained) {
  platform::DynamicLibrary library;
  EXPECT_FALSE(library.open(L"C:\\no\\such\\plugin.dll"));
  EXPECT_NE(library.errorText().find("(error 126)"), std::string::npos) << library.errorText();
}

}  // namespace
}  // namespace tims
