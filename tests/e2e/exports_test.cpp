// The built plug-in, loaded from a vehicle folder through the system loader and driven through its
// exports as a host would (the scenarios run whole sessions so): hostile calls, files that are no
// regular files and settings files the user guards. Sessions over such files run in a child process
// under a deadline, so that a plug-in that blocks or reads forever fails the test instead of
// hanging it.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <limits>
#include <optional>

#include "platform/dynamic_library.h"
#include "state/records.h"
#include "support/temp_dir.h"

namespace tims {
namespace {

namespace fs = std::filesystem;
using tims::testing::TempDir;
using Slots = std::array<int32_t, 2 * kSlotCount>;  // panel, then sound

// The plug-in copied into a vehicle folder, so that it finds the settings there.
struct Plugin {
  explicit Plugin(const fs::path& folder) {
    const fs::path built = TIMS_PLUGIN_PATH;
    fs::copy_file(built, folder / built.filename(), fs::copy_options::overwrite_existing);
    library.open(folder / built.filename());
  }
  template <typename F>
  F* get(const char* name) const {
    return reinterpret_cast<F*>(library.symbol(name));
  }
  void start(int startCode) const {
    get<void()>("Load")();
    get<void(VehicleSpec)>("SetVehicleSpec")(VehicleSpec{8, 0, 0, 2, 0});
    get<void(int)>("TimsHostSetLocalMilliseconds")(123);
    get<void(int)>("Initialize")(startCode);
  }
  HandleSet frame(Slots& slots, int32_t time, float speed = 0.0f) const {
    const VehicleState state{0.0, speed, time, 300.0f, 780.0f, 0, 0, 0, 0.0f};
    return get<HandleSet(VehicleState, int*, int*)>("Elapse")(state, slots.data(),
                                                              slots.data() + kSlotCount);
  }
  void beacon(int32_t type, int32_t data) const {
    get<void(BeaconData)>("SetBeaconData")(BeaconData{type, 0, 0, data});
  }

  platform::DynamicLibrary library;
};

TEST(PluginLibrary, SurvivesCallsOutOfOrderAndHostileArguments) {
  TempDir dir;
  const Plugin plugin(dir.path());
  ASSERT_TRUE(plugin.library.isOpen()) << plugin.library.errorText();
  Slots slots{};
  // A frame, beacons and a driver call before Load; runs started twice and loaded twice.
  plugin.frame(slots, 1000, 50.0f);
  plugin.beacon(1000, INT32_MAX);
  plugin.beacon(1001, -1);
  plugin.get<void(int)>("SetBrake")(INT32_MIN);
  plugin.get<void(int)>("Initialize")(0);
  plugin.get<void(int)>("Initialize")(0);
  plugin.get<void()>("Load")();
  plugin.get<void()>("Load")();
  VehicleState wild{};
  wild.time = INT32_MIN;
  wild.speed = std::numeric_limits<float>::quiet_NaN();
  wild.current = std::numeric_limits<float>::infinity();
  wild.location = -std::numeric_limits<double>::infinity();
  wild.bcPressure = std::numeric_limits<float>::max();
  const auto elapse = plugin.get<HandleSet(VehicleState, int*, int*)>("Elapse");
  elapse(wild, slots.data(), slots.data() + kSlotCount);
  elapse(wild, nullptr, nullptr);
  for (int type : {8, 100, 101, 102, 105, 106, 111, 113, 120, 130, 1000, 1001}) {
    for (int data : {INT32_MIN, -1, 0, 999999999, INT32_MAX}) {
      plugin.beacon(type, data);
      plugin.frame(slots, 2000);
    }
  }
  EXPECT_EQ(plugin.get<int()>("GetPluginVersion")(), 131072);  // still answering
}

// Load, a run, card 0A.csv of entry 0 inserted, three seconds of frames; the slots after the last
// frame, or nothing when the session failed, blocked or ran out of memory in its child process.
std::optional<Slots> sessionInChild(const fs::path& folder) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return std::nullopt;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeEnds[0]);
#if !defined(__SANITIZE_ADDRESS__)
    const rlimit memory{rlim_t{2} << 30, rlim_t{2} << 30};  // a reader that never ends stops here
    ::setrlimit(RLIMIT_AS, &memory);
#endif
    Slots slots{};
    bool ran = false;
    try {
      const Plugin plugin(folder);
      if ((ran = plugin.library.isOpen())) {
        plugin.start(0);
        for (int t = 0; t <= 3000; t += 20) {
          if (t == 100) plugin.beacon(1000, 0);
          plugin.frame(slots, 36000000 + t);
        }
      }
    } catch (...) {  // the child must not run on into the test framework
    }
    const bool sent = ran && ::write(pipeEnds[1], slots.data(), sizeof slots) == sizeof slots;
    ::_exit(sent ? 0 : 1);
  }
  ::close(pipeEnds[1]);
  Slots slots{};
  std::size_t got = 0;
  pollfd wait{pipeEnds[0], POLLIN, 0};
  while (got < sizeof(slots) && ::poll(&wait, 1, 10000) > 0) {
    const ssize_t n =
        ::read(pipeEnds[0], reinterpret_cast<char*>(slots.data()) + got, sizeof slots - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(pipeEnds[0]);
  if (got < sizeof slots) ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (got < sizeof slots || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return slots;
}

constexpr const char* kCard =
    "3,1234M\n7,90,A,93000,93030,2\n7,120,B,94000,94030,1\n7,60,C,95000\n";

// A vehicle folder whose card list names cards/ for entry 0; the fallback folder holds the same
// card, so a missing list still finds one.
void writeVehicle(const TempDir& dir) {
  dir.write("TIMS_ICCard.ini", "[ICCard]\n0=cards\n");
  dir.write("cards/0A.csv", kCard);
  dir.write("default/0/0A.csv", kCard);
}

TEST(BadFiles, ReadAsMissingWithoutBlockingAndALargeCardLoadsToItsLastLine) {
  TempDir regular;
  writeVehicle(regular);
  const auto withCard = sessionInChild(regular.path());
  ASSERT_TRUE(withCard);
  for (const char* path : {"cards/0A.csv", "TIMS_ICCard.ini", "TIMS_Spec.ini"}) {
    for (int kind : {0, 1, 2}) {  // FIFO, link to /dev/zero, folder
      SCOPED_TRACE(std::string(path) + " kind " + std::to_string(kind));
      TempDir missing, bad;
      writeVehicle(missing);
      writeVehicle(bad);
      fs::remove(missing.path() / path);
      fs::remove(bad.path() / path);
      if (kind == 0) ::mkfifo((bad.path() / path).c_str(), 0644);
      if (kind == 1) fs::create_symlink("/dev/zero", bad.path() / path);
      if (kind == 2) fs::create_directory(bad.path() / path);
      const auto expected = sessionInChild(missing.path());
      ASSERT_TRUE(expected);
      EXPECT_EQ(sessionInChild(bad.path()), expected);
    }
  }
  // The comparisons can tell a loaded card: without the card file the monitor differs.
  TempDir noCard;
  writeVehicle(noCard);
  fs::remove(noCard.path() / "cards/0A.csv");
  EXPECT_NE(sessionInChild(noCard.path()), withCard);
  // Three read chunks of comment lines before the records, the train number last of all.
  TempDir large;
  writeVehicle(large);
  std::string text(3 << 20, 'x');
  for (std::size_t i = 99; i < text.size(); i += 100) text[i] = '\n';
  text += "\n7,90,A,93000,93030,2\n7,120,B,94000,94030,1\n7,60,C,95000\n3,1234M";
  large.write("cards/0A.csv", text);
  EXPECT_EQ(sessionInChild(large.path()), withCard);
}

// The write-back of missing defaults meets a file the user guards.
TEST(SettingsWriteBack, KeepsTheUsersFile) {
  constexpr const char* kSettings = "[Disp]\nHVMeterindex=80\n";
  struct Row {
    const char* name;
    mode_t mode;
    bool throughLink, written;
  };
  for (const Row& row :
       {Row{"read-only", 0444, false, false}, Row{"group-readable", 0640, false, true},
        Row{"behind a link", 0644, true, true}}) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    writeVehicle(dir);
    const fs::path file =
        dir.write(row.throughLink ? "shared/spec.ini" : "TIMS_Spec.ini", kSettings);
    if (row.throughLink) fs::create_symlink("shared/spec.ini", dir.path() / "TIMS_Spec.ini");
    fs::permissions(file, static_cast<fs::perms>(row.mode));
    const auto slots = sessionInChild(dir.path());
    ASSERT_TRUE(slots);
    EXPECT_EQ((*slots)[80], 1600);  // the file's own value is used either way
    const std::string now = dir.read(fs::relative(file, dir.path()));
    EXPECT_EQ(now.find("EnableCSpd=1") != std::string::npos, row.written) << now;
    EXPECT_EQ(now.rfind(kSettings, 0), 0u);
    struct stat info {};
    ::stat(file.c_str(), &info);
    EXPECT_EQ(info.st_mode & 07777, row.mode);
    EXPECT_EQ(fs::is_symlink(dir.path() / "TIMS_Spec.ini"), row.throughLink);
    for (const auto& entry : fs::directory_iterator(file.parent_path())) {
      EXPECT_EQ(entry.path().native().find(".tmp-"), std::string::npos);  // nothing left beside
    }
  }
}

}  // namespace
}  // namespace tims
