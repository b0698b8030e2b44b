// Reads a lighting list and a user lighting effect file: the name lists of every variant, the
// effect steps of the selected user effect, and the folder check of every "Guid".
//
// Input: two bytes (built-in mode count, SelectItem), then the lighting list text, optionally
// followed by kSeparator and the text of the effect file "effect.light" in the same folder.

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "profiles/basic_profiledata.h"
#include "profiles/json_file_store.h"
#include "profiles/light_list.h"
#include "support/temp_folder.h"

namespace {

using namespace norvik::profiles;

constexpr std::string_view kSeparator = "\n--effect--\n";
constexpr int kVariants = 4;

void Check(bool condition) {
  if (!condition) abort();
}

// A scratch folder for this process, removed when it exits.
const std::filesystem::path& Folder() {
  static const norvik::testing::TempFolder folder;
  return folder.path();
}

void Write(const std::filesystem::path& file, std::string_view text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// A path given for a guid must be a plain file of the folder named after the guid.
void CheckEffectPath(const std::string& guid) {
  const auto path = EffectFilePath(Folder(), guid);
  if (!path) return;
  Check(path->parent_path() == Folder());
  Check(path->filename().string() == guid + kLightEffectExtension);
  Check(guid.find('/') == std::string::npos && guid.find("..") == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int builtInModes = data[0];
  const std::uint8_t selectItem = data[1];
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::size_t split = text.find(kSeparator);
  const auto listFile = Folder() / "zintu_light.config";
  Write(listFile, text.substr(0, split));
  const auto effectFile = Folder() / "effect.light";
  if (split != std::string_view::npos) {
    Write(effectFile, text.substr(split + kSeparator.size()));
  } else {
    std::error_code ec;
    std::filesystem::remove(effectFile, ec);
  }

  const Json::Value document = JsonFileStore::ReadJson(listFile);
  for (int variant = -1; variant <= kVariants; ++variant) {
    ParseDefaultLightList(document, variant);
    for (const UserLightEffect& effect : ParseUserLightList(document, variant)) {
      CheckEffectPath(effect.Guid);
    }
  }
  ReadLightEffectFile(effectFile);

  CBasicProfiledata profile;
  profile.SetBuiltInModeCount(builtInModes);
  LightState state;
  state.SelectItem = selectItem;
  profile.SetLightInfo(state);
  profile.LoadLightingList(listFile);
  const auto before = profile.EffectStepsMirror();
  const auto steps = profile.GetEffectSteps();
  if (selectItem < builtInModes) Check(steps == before);
  return 0;
}
