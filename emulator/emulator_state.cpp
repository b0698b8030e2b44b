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
  doc["version"] = kStateFormatVersion;
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

std::optional<RestoredDevices> DevicesOfStateDocument(const Json::Value& document) {
  if (!document.isObject() || !document["version"].isInt() ||
      document["version"].asInt() != kStateFormatVersion || !document["devices"].isArray()) {
    return std::nullopt;
  }
  RestoredDevices restored;
  for (const auto& entry : document["devices"]) {
    if (!entry.isObject() || !entry["product"].isString() || !entry["plugged"].isBool()) {
      return std::nullopt;
    }
    auto product = ProductFromName(entry["product"].asString());
    if (!product) return std::nullopt;
    auto device = MakeEmulatedDevice(*product);
    if (!device || !device->RestoreState(entry)) return std::nullopt;
    restored.emplace_back(std::move(device), entry["plugged"].asBool());
  }
  return restored;
}

bool ApplyEmulatorStateDocument(EmulatedBus& bus, const Json::Value& document) {
  auto restored = DevicesOfStateDocument(document);
  if (!restored) return false;
  bus.Clear();
  for (auto& [device, plugged] : *restored) bus.Attach(std::move(device), plugged);
  return true;
}

std::optional<Json::Value> ParseEmulatorStateText(std::string_view text) {
  Json::CharReaderBuilder builder;
  builder["collectComments"] = false;
  builder["stackLimit"] = 64;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value document;
  std::string errors;
  try {
    // The reader throws on some malformed input (nesting past the stack limit).
    if (!reader->parse(text.data(), text.data() + text.size(), &document, &errors)) {
      return std::nullopt;
    }
  } catch (const Json::Exception&) {
    return std::nullopt;
  }
  return document;
}

bool WriteEmulatorStateDocument(const Json::Value& document, const std::filesystem::path& path) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = " ";
  const std::string text = Json::writeString(builder, document) + "\n";
  if (!WriteAtomically(path, text)) {
    DebugTraceF("emulator: state file %s not written", path.c_str());
    return false;
  }
  return true;
}

bool SaveEmulatorState(const EmulatedBus& bus, const std::filesystem::path& path) {
  return WriteEmulatorStateDocument(EmulatorStateDocument(bus), path);
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

  const auto document = ParseEmulatorStateText(text.str());
  const bool applied = document && ApplyEmulatorStateDocument(bus, *document);
  if (!applied) {
    DebugTraceF("emulator: state file %s is damaged, starting from factory state", path.c_str());
    return StateLoadResult::Damaged;
  }
  return StateLoadResult::Loaded;
}

}  // namespace norvik::emulator
