#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace tims::platform {
namespace {

constexpr int kLinkHops = 40;  // the system's own limit on links in a row

bool meansMissing(int code) {
  return code == ENOENT || code == ENOTDIR;
}

// A FIFO opened without O_NONBLOCK waits for a writer; a regular file ignores the flag.
int openForReading(const std::string& path) {
  // The system would read a name with a NUL in it as a shorter name: no such file.
  if (path.find('\0') != std::string::npos) {
    errno = ENOENT;
    return -1;
  }
  return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

// The path a chain of links ends at (the path itself when it is no link). The end need not
// exist: writing to a link to a missing file creates that file.
std::optional<std::filesystem::path> followLinks(std::filesystem::path path) {
  for (int hop = 0; hop < kLinkHops; ++hop) {
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error))) return path;
    const std::filesystem::path target = std::filesystem::read_symlink(path, error);
    if (error) return std::nullopt;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return std::nullopt;
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// A new file beside `target` that no one else uses; its name is left in `name`.
int createBeside(const std::filesystem::path& target, mode_t mode, std::string& name) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = target.native() + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

RegularFileReader::RegularFileReader(const std::filesystem::path& path) : handle_(-1) {
  const int fd = openForReading(path.native());
  if (fd < 0) {
    opened_ = meansMissing(errno) ? Opened::missing : Opened::refused;
    return;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    opened_ = Opened::refused;
    return;
  }
  handle_ = fd;
  opened_ = Opened::yes;
}

RegularFileReader::~RegularFileReader() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

std::size_t RegularFileReader::read(char* buffer, std::size_t size) {
  if (handle_ < 0 || failed_) return 0;
  for (;;) {
    const ssize_t got = ::read(static_cast<int>(handle_), buffer, size);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno == EINTR) continue;
    failed_ = true;
    return 0;
  }
}

bool replaceRegularFile(const std::filesystem::path& path, std::string_view bytes) {
  const std::string& name = path.native();
  if (name.empty() || name.find('\0') != std::string::npos) return false;  // see openForReading
  const auto target = followLinks(path);
  if (!target) return false;

  // New files get the usual permissions (0666 less the process's mask); a replaced file's are
  // copied onto its successor below.
  mode_t mode = 0666;
  struct stat info {};
  bool replacing = false;
  const int existing = openForReading(target->native());
  if (existing >= 0) {
    const bool usable = ::fstat(existing, &info) == 0 && S_ISREG(info.st_mode);
    ::close(existing);
    if (!usable) return false;
    // Read-only as a user means it (no owner write permission, as the Windows attribute maps
    // here), even for a process that the system would let write.
    if ((info.st_mode & S_IWUSR) == 0 || ::access(target->c_str(), W_OK) != 0) return false;
    mode = 0600;
    replacing = true;
  } else if (!meansMissing(errno)) {
    return false;
  }

  std::string temporary;
  const int fd = createBeside(*target, mode, temporary);
  if (fd < 0) return false;
  bool written = writeAll(fd, bytes);
  if (written && replacing) {
    // Giving a file away needs privileges; keep at least the group where that is allowed. The
    // owner goes first, since a change of owner clears set-id bits.
    if (::fchown(fd, info.st_uid, info.st_gid) != 0) {
      [[maybe_unused]] const int groupOnly = ::fchown(fd, static_cast<uid_t>(-1), info.st_gid);
    }
    written = ::fchmod(fd, info.st_mode & 07777) == 0;
  }
  written = written && ::fsync(fd) == 0;
  written = ::close(fd) == 0 && written;
  if (written && ::rename(temporary.c_str(), target->c_str()) == 0) return true;
  ::unlink(temporary.c_str());
  return false;
}

}  // namespace tims::platform
