#include "settings/spec_keys.h"

namespace tims {

int32_t readSpecKey(const std::filesystem::path& file, const SpecKey& key, SpecSettingsSink* sink) {
  if (!sink) return platform::readProfileInt(file, key.section, key.name, key.fallback);
  SpecSettingsSink::Read read{&key, 0, {}};
  read.value = platform::readProfileInt(file, key.section, key.name, key.fallback, &read.lookup);
  sink->reads.push_back(std::move(read));
  return sink->reads.back().value;
}

}  // namespace tims
