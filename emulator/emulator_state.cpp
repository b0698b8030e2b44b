#include "emulator/emulator_state.h"

#include <unistd.h>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>

#include <json/reader.h>
#include <json/writer.h>

#include "base/debug_trace.h"

namespace norvik::emulator {

namespace {

constexpr int kFormatVersion = 1;
// Larger than any honest state file (all memories of a dozen devices); a bigger file is
// treated as damaged rather than read into memory.
constexpr std::uintmax_t kMaxStateFileBytes = 16u << 20;

bool WriteAtomically(const std::filesystem::path& path, const std::string& bytes) {
  std::error_code ec;
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  const std::filesystem::path temp =
      folder / (path.filename().string() + ".tmp" + std::to_string(::getpid()));
  {
    std::FILE* file = std::fopen(temp.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                         std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
      std::filesystem::remove(temp, ec);
      return false;
    }
  }
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    return false;
  }
  return true;
}

}  // namespace

Json::Value EmulatorStateDocument(const EmulatedBus& bus) {
  Json::Value doc(Json::objectValue);
  doc["version"] = kFormatVersion;
  Json::Value devices(Json::arrayValue);
  for (DeviceId id : bus.Devices()) {
    auto device = bus.Device(id);
    if (!device) continue;
    Json::Value entry = device->SaveState();
    entry["id"] = id;
    entry["plugged"] = bus.IsPlugged(id);
    devices.append(entry);
  }
  doc["devices"] = devices;
  return doc;
}

bool ApplyEmulatorStateDocument(EmulatedBus& bus, const Json::Value& document) {
  if (!document.isObject() || !document["version"].isInt() ||
      document["version"].asInt() != kFormatVersion || !document["devices"].isArray()) {
    return false;
  }
  std::vector<std::pair<std::shared_ptr<EmulatedDevice>, bool>> restored;
  for (const auto& entry : document["devices"]) {
    if (!entry.isObject() || !entry["product"].isString() || !entry["plugged"].isBool()) {
      return false;
    }
    auto product = ProductFromName(entry["product"].asString());
    if (!product) return false;
    auto device = MakeEmulatedDevice(*product);
    if (!device || !device->RestoreState(entry)) return false;
    restored.emplace_back(std::move(device), entry["plugged"].asBool());
  }
  bus.Clear();
  for (auto& [device, plugged] : restored) bus.Attach(std::move(device), plugged);
  return true;
}

bool SaveEmulatorState(const EmulatedBus& bus, const std::filesystem::path& path) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = " ";
  const std::string text = Json::writeString(builder, EmulatorStateDocument(bus)) + "\n";
  if (!WriteAtomically(path, text)) {
    DebugTraceF("emulator: state file %s not written", path.c_str());
    return false;
  }
  return true;
}

StateLoadResult LoadEmulatorState(EmulatedBus& bus, const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return StateLoadResult::Missing;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size > kMaxStateFileBytes) return StateLoadResult::Damaged;
  std::ifstream in(path, std::ios::binary);
  if (!in) return StateLoadResult::Damaged;
  std::ostringstream text;
  text << in.rdbuf();
  if (!in.good() && !in.eof()) return StateLoadResult::Damaged;

  Json::CharReaderBuilder builder;
  builder["collectComments"] = false;
  builder["stackLimit"] = 64;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  const std::string content = text.str();
  Json::Value document;
  std::string errors;
  bool applied = false;
  try {
    // The reader throws on some malformed input (nesting past the stack limit).
    applied = reader->parse(content.data(), content.data() + content.size(), &document, &errors) &&
              ApplyEmulatorStateDocument(bus, document);
  } catch (const Json::Exception&) {
    applied = false;
  }
  if (!applied) {
    DebugTraceF("emulator: state file %s is damaged, starting from factory state", path.c_str());
    return StateLoadResult::Damaged;
  }
  return StateLoadResult::Loaded;
}

}  // namespace norvik::emulator
