// The plug-in DLL as a host sees it: loaded by the Windows loader from a folder whose path is
// longer than the old 260-character limit, called through its exports with records by value.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>

#include "platform/dynamic_library.h"
#include "plugin/export_decl.h"
#include "plugin/records.h"
#include "support/temp_dir.h"

namespace tims {
namespace {

namespace fs = std::filesystem;

fs::path programDirectory() {
  std::wstring name(32768, L'\0');
  name.resize(GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size())));
  return fs::path(name).parent_path();
}

fs::path builtDll() {
  return programDirectory() / TIMS_DLL_RELATIVE;
}

std::string readText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Removes a folder tree through the system's long-path form: the C runtime's file functions stop
// at 260 characters.
void removeTree(const std::wstring& path) {
  const std::wstring longForm = L"\\\\?\\" + path;
  WIN32_FIND_DATAW entry{};
  const HANDLE search = FindFirstFileW((longForm + L"\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(child);
      } else {
        DeleteFileW((L"\\\\?\\" + child).c_str());
      }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
  }
  RemoveDirectoryW(longForm.c_str());
}

using VoidFn = void(TIMS_CALL*)();
using IntFn = void(TIMS_CALL*)(int);
using VersionFn = int(TIMS_CALL*)();
using SpecFn = void(TIMS_CALL*)(VehicleSpec);
using ElapseFn = HandleSet(TIMS_CALL*)(VehicleState, int*, int*);
using BeaconFn = void(TIMS_CALL*)(BeaconData);

template <typename Fn>
Fn exportOf(const platform::DynamicLibrary& library, const char* name) {
  return reinterpret_cast<Fn>(library.symbol(name));
}

class PluginDll : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(builtDll())) << builtDll();
    // Two nested folders of 150 characters: the DLL's path is well over 260 characters.
    folder_ = dir_.path() / std::string(150, 'v') / std::string(150, 'w');
    fs::create_directories(folder_);
    fs::copy_file(builtDll(), folder_ / builtDll().filename());
    ASSERT_TRUE(library_.open(folder_ / builtDll().filename())) << library_.errorText();
  }

  void TearDown() override {
    library_.close();
    removeTree((dir_.path() / std::string(150, 'v')).native());
  }

  testing::TempDir dir_;
  fs::path folder_;
  platform::DynamicLibrary library_;
};

TEST_F(PluginDll, ExportsEveryHostFunctionByItsPlainName) {
  for (const char* name :
       {"Load", "Dispose", "GetPluginVersion", "SetVehicleSpec", "Initialize", "Elapse", "SetPower",
        "SetBrake", "SetReverser", "KeyDown", "KeyUp", "HornBlow", "DoorOpen", "DoorClose",
        "SetSignal", "SetBeaconData", "TimsHostSetKeyState", "TimsHostSetLocalMilliseconds"}) {
    EXPECT_NE(library_.symbol(name), nullptr) << name;
  }
  EXPECT_EQ(library_.symbol("Elapse@48"), nullptr);
  EXPECT_EQ(exportOf<VersionFn>(library_, "GetPluginVersion")(), 131072);
}

TEST_F(PluginDll, FindsItsSettingsBesideItselfAndTakesRecordsByValue) {
  exportOf<VoidFn>(library_, "Load")();
  VehicleSpec spec{8, -1, -1, 3, -1};
  exportOf<SpecFn>(library_, "SetVehicleSpec")(spec);
  exportOf<IntFn>(library_, "Initialize")(0);

  // The default write-back proves the DLL found its own folder through the long path.
  const std::string settings = readText(folder_ / "TIMS_Spec.ini");
  EXPECT_NE(settings.find("[CSpd]"), std::string::npos);
  EXPECT_NE(settings.find("EnableCSpd=1"), std::string::npos);

  int panel[kSlotCount] = {};
  int sound[kSlotCount] = {};
  VehicleState state{1234.5, 0.0f, 36000000, 0.0f, 0.0f, 0xDEADBEEF, 0xDEADBEEF, 0xDEADBEEF, 0.0f};
  const auto elapse = exportOf<ElapseFn>(library_, "Elapse");
  HandleSet handles = elapse(state, panel, sound);
  EXPECT_EQ(handles.brake, 9);  // start code 0: the emergency notch, brakeNotches + 1
  EXPECT_EQ(handles.power, 0);
  EXPECT_EQ(handles.reverser, 1);
  EXPECT_EQ(handles.constantSpeed, 0);

  exportOf<IntFn>(library_, "Initialize")(-1);
  exportOf<IntFn>(library_, "SetPower")(3);
  exportOf<IntFn>(library_, "SetReverser")(-1);
  state.time += 16;
  handles = elapse(state, panel, sound);
  EXPECT_EQ(handles.brake, 3);  // start code -1: the spec's start notch
  EXPECT_EQ(handles.power, 3);
  EXPECT_EQ(handles.reverser, -1);

  // Calls with arguments that are not read, and a beacon by value, leave the handles alone.
  exportOf<IntFn>(library_, "KeyUp")(5);
  exportOf<IntFn>(library_, "SetSignal")(2);
  exportOf<BeaconFn>(library_, "SetBeaconData")(BeaconData{-12345, 0xFFFFFFFF, 0xFFFFFFFF, 7});
  exportOf<VoidFn>(library_, "Dispose")();
  state.time += 16;
  handles = elapse(state, panel, sound);
  EXPECT_EQ(handles.power, 3);
  EXPECT_EQ(handles.reverser, -1);
}

TEST(DynamicLibraryWin32, ExplainsALibraryThatCannotBeLoaded) {
  platform::DynamicLibrary library;
  EXPECT_FALSE(library.open(L"C:\\no\\such\\plugin.dll"));
  EXPECT_FALSE(library.isOpen());
  EXPECT_NE(library.errorText().find("(error 126)"), std::string::npos) << library.errorText();
  EXPECT_EQ(library.symbol("Load"), nullptr);
}

}  // namespace
}  // namespace tims
