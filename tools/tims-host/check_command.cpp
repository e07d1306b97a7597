#include "tims-host/check_command.h"

#include <filesystem>

#include "tims-host/vehicle_check.h"

namespace tims::host {
namespace {

constexpr const char* kCheckUsage =
    "usage: tims-host check [FOLDER] [--json] [--explain]\n"
    "  FOLDER     the plug-in's folder (default: the current folder), or its library file\n"
    "  --json     the findings as a JSON array\n"
    "  --explain  first the settings and card list as the plug-in reads them\n";

}  // namespace

std::string VehicleCheck::shown(const std::filesystem::path& path) const {
  const std::filesystem::path relative = path.lexically_relative(folder);
  const bool inside = !relative.empty() && *relative.begin() != "..";
  return utf8Of(inside ? relative : path);
}

void VehicleCheck::add(const std::filesystem::path& file, std::size_t line, std::size_t column,
                       Severity severity, std::string_view code, std::string message) {
  findings.add({shown(file), line, column, severity, std::string(code), std::move(message)});
}

int runCheckCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
  bool json = false;
  bool explain = false;
  std::filesystem::path target = ".";
  bool targetGiven = false;
  for (const std::string& arg : args) {
    if (arg == "--json") {
      json = true;
    } else if (arg == "--explain") {
      explain = true;
    } else if (arg == "--help") {
      out << kCheckUsage;
      return 0;
    } else if (!arg.starts_with("--") && !targetGiven) {
      target = std::filesystem::path(arg);  // the command line is in the system code page
      targetGiven = true;
    } else {
      err << "tims-host check: unexpected '" << arg << "'\n" << kCheckUsage;
      return 2;
    }
  }
  if (json && explain) {
    err << "tims-host check: --explain prints tables, --json an array; choose one\n";
    return 2;
  }
  std::error_code error;
  // A library file stands for the folder it lies in, where it looks for its files.
  if (std::filesystem::is_regular_file(target, error)) target = target.parent_path();
  if (target.empty()) target = ".";
  VehicleCheck check;
  check.folder = std::filesystem::absolute(target, error).lexically_normal();
  std::filesystem::directory_iterator probe(check.folder, error);
  if (error) {
    err << "tims-host check: cannot read the folder " << utf8Of(target) << ": " << error.message()
        << "\n";
    return 2;
  }
  check.explain = explain ? &out : nullptr;
  checkSpecSettings(check);
  checkCardList(check);
  if (json) {
    printFindingsJson(check.findings, out);
  } else {
    printFindings(check.findings, out);
  }
  return check.findings.count(Severity::error) == 0 ? 0 : 1;
}

}  // namespace tims::host
