#include "emulator/emulated_device.h"

#include <algorithm>
#include <string>

#include "emulator/hex_text.h"

namespace norvik::emulator {

namespace {

namespace f = command_field;

// The key map of one bank can never be larger than the bank's address range.
constexpr std::size_t kMaxKeySlots = kKeyMapBankSize / 3;
constexpr std::size_t kLightMemorySize = 0x10000;  // the whole 16-bit offset range
constexpr std::size_t kMaxFrameSize = 1024;

// The commands that change what the state file keeps as the device's memories (the config
// flag included: a host that dies mid-configuration leaves the device in it).
bool ChangesMemory(FirmwareCommand command) {
  switch (command) {
    case FirmwareCommand::BeginConfig:
    case FirmwareCommand::EndConfig:
    case FirmwareCommand::WriteMemory:
    case FirmwareCommand::WriteKeyMap:
    case FirmwareCommand::WriteLightBlock:
    case FirmwareCommand::WriteMacroData:
    case FirmwareCommand::WriteShootData:
    case FirmwareCommand::EnterSoftwareLighting:
      return true;
    default:
      return false;
  }
}

std::uint16_t OffsetOf(const CommandReport& r) {
  return static_cast<std::uint16_t>(r[f::kOffsetLow] | r[f::kOffsetHigh] << 8);
}

// Reads length bytes at offset of memory into the reply, or refuses when out of range.
std::uint8_t ReadInto(CommandReport& reply, std::span<const std::uint8_t> memory,
                      std::size_t offset, std::size_t length) {
  if (offset + length > memory.size()) return kStatusRefused;
  std::copy_n(memory.begin() + static_cast<std::ptrdiff_t>(offset), length,
              reply.begin() + f::kData);
  return kStatusOk;
}

std::uint8_t WriteFrom(const CommandReport& request, std::span<std::uint8_t> memory,
                       std::size_t offset, std::size_t length) {
  if (offset + length > memory.size()) return kStatusRefused;
  std::copy_n(request.begin() + f::kData, length,
              memory.begin() + static_cast<std::ptrdiff_t>(offset));
  return kStatusOk;
}

bool ReadHexMember(const Json::Value& state, const char* name, std::size_t size,
                   std::vector<std::uint8_t>& out) {
  const Json::Value& v = state[name];
  if (!v.isString()) return false;
  auto bytes = FromHex(v.asString());
  if (!bytes || bytes->size() != size) return false;
  out = std::move(*bytes);
  return true;
}

}  // namespace

CommandDevice::CommandDevice(EmulatedProduct product, EmulatedIdentity identity,
                             std::vector<EmulatedInterface> interfaces, Layout layout)
    : EmulatedDevice(product, std::move(identity), std::move(interfaces)),
      factory_(std::move(layout)) {
  ResetLocked();
}

CommandReport CommandDevice::MakeReply(const CommandReport& request, std::uint8_t status) {
  CommandReport reply{};
  reply[f::kReportId] = kCommandReportId;
  reply[f::kCommand] = request[f::kCommand];
  reply[f::kLength] = request[f::kLength];
  reply[f::kOffsetLow] = request[f::kOffsetLow];
  reply[f::kOffsetHigh] = request[f::kOffsetHigh];
  reply[f::kStatus] = status;
  return reply;
}

std::size_t CommandDevice::KeySlotsLocked() const {
  return std::min<std::size_t>(info_[info_field::kKeySlots], kMaxKeySlots);
}

void CommandDevice::ApplyInfoLocked(std::span<const std::uint8_t, kInfoBlockSize> info) {
  const std::size_t old_bank = KeySlotsLocked() * 3;
  const std::size_t banks = static_cast<std::size_t>(std::max(1, factory_.keymap_banks));
  std::copy(info.begin(), info.end(), info_.begin());
  const std::size_t new_bank = KeySlotsLocked() * 3;
  std::vector<std::uint8_t> keymap(banks * new_bank, 0);
  if (!keymap_.empty()) {
    for (std::size_t b = 0; b < banks; ++b) {
      const std::size_t n = std::min(old_bank, new_bank);
      std::copy_n(keymap_.begin() + static_cast<std::ptrdiff_t>(b * old_bank), n,
                  keymap.begin() + static_cast<std::ptrdiff_t>(b * new_bank));
    }
  }
  keymap_ = std::move(keymap);
  keytable_.resize(KeySlotsLocked(), 0);
  macros_.resize(std::size_t{info_[info_field::kMacroUnits]} * kMacroUnitBytes, 0);
}

void CommandDevice::ResetLocked() {
  keymap_.clear();
  info_.fill(0);
  ApplyInfoLocked(factory_.info);
  std::fill(keymap_.begin(), keymap_.end(), 0);
  std::copy_n(factory_.keymap.begin(), std::min(factory_.keymap.size(), KeySlotsLocked() * 3),
              keymap_.begin());
  keytable_.assign(KeySlotsLocked(), 0);
  std::copy_n(factory_.keytable.begin(), std::min(factory_.keytable.size(), keytable_.size()),
              keytable_.begin());
  std::fill(macros_.begin(), macros_.end(), 0);
  settings_ = factory_.settings;
  shoot_.assign(factory_.shoot_capacity, 0);
  status_ = factory_.status;
  light_memory_.clear();
  light_written_.clear();
  frame_.clear();
  frame_count_ = 0;
  in_config_ = false;
  begin_count_ = 0;
  end_count_ = 0;
  software_lighting_ = false;
  last_answered_command_ = 0;
}

CommandReport CommandDevice::ExecuteLocked(const CommandReport& request) {
  const std::uint8_t code = request[f::kCommand];
  const std::size_t length = request[f::kLength];
  const std::size_t offset = OffsetOf(request);
  const bool known =
      std::any_of(factory_.commands.begin(), factory_.commands.end(),
                  [&](FirmwareCommand c) { return static_cast<std::uint8_t>(c) == code; });
  if (!known || length > kCommandPayloadMax) return MakeReply(request, kStatusError);

  CommandReport reply = MakeReply(request, kStatusOk);
  std::uint8_t status = kStatusOk;
  switch (static_cast<FirmwareCommand>(code)) {
    case FirmwareCommand::BeginConfig:
      in_config_ = true;
      ++begin_count_;
      break;
    case FirmwareCommand::EndConfig:
      in_config_ = false;
      ++end_count_;
      break;
    case FirmwareCommand::ReadDeviceInfo:
      status = ReadInto(reply, info_, offset, length);
      break;
    case FirmwareCommand::ReadMemory:
      status = ReadInto(reply, settings_, offset, length);
      break;
    case FirmwareCommand::WriteMemory:
      status = WriteFrom(request, settings_, offset, length);
      break;
    case FirmwareCommand::ReadKeyMap:
    case FirmwareCommand::WriteKeyMap: {
      // The offset's high part selects the bank; each bank holds slots × 3 bytes.
      const std::size_t bank = offset / kKeyMapBankSize;
      const std::size_t position = offset % kKeyMapBankSize;
      const std::size_t bank_size = KeySlotsLocked() * 3;
      if (bank >= static_cast<std::size_t>(factory_.keymap_banks) ||
          position + length > bank_size) {
        status = kStatusRefused;
      } else {
        std::span<std::uint8_t> bank_bytes(keymap_.data() + bank * bank_size, bank_size);
        status = code == static_cast<std::uint8_t>(FirmwareCommand::ReadKeyMap)
                     ? ReadInto(reply, bank_bytes, position, length)
                     : WriteFrom(request, bank_bytes, position, length);
      }
      break;
    }
    case FirmwareCommand::WriteLightBlock:
      if (offset + length > kLightMemorySize) {
        status = kStatusRefused;
      } else {
        if (light_memory_.empty()) {
          light_memory_.assign(kLightMemorySize, 0);
          light_written_.assign(kLightMemorySize, false);
        }
        status = WriteFrom(request, light_memory_, offset, length);
        std::fill_n(light_written_.begin() + static_cast<std::ptrdiff_t>(offset), length, true);
      }
      break;
    case FirmwareCommand::SendLightFrame:
      if (offset + length > kMaxFrameSize) {
        status = kStatusRefused;
      } else {
        // A chunk at offset 0 starts the next frame.
        if (offset == 0) {
          ++frame_count_;
          frame_.clear();
        }
        if (frame_.size() < offset + length) frame_.resize(offset + length, 0);
        status = WriteFrom(request, frame_, offset, length);
      }
      break;
    case FirmwareCommand::WriteMacroData:
      status = WriteFrom(request, macros_, offset, length);
      break;
    case FirmwareCommand::WriteShootData:
      status = WriteFrom(request, shoot_, offset, length);
      break;
    case FirmwareCommand::ReadBlock:
      status = ReadInto(reply, status_, offset, length);
      break;
    case FirmwareCommand::ReadKeyTable:
      status = ReadInto(reply, keytable_, offset, length);
      break;
    case FirmwareCommand::EnterSoftwareLighting:
      software_lighting_ = true;
      break;
    case FirmwareCommand::QueryReceiverLink:
      reply[f::kData] = kReceiverLinkUp;
      break;
  }
  if (status != kStatusOk) return MakeReply(request, status);
  if (code == static_cast<std::uint8_t>(FirmwareCommand::SendLightFrame)) {
    MarkTrafficLocked();
  } else if (ChangesMemory(static_cast<FirmwareCommand>(code))) {
    MarkMemoryChangedLocked();
  }
  return reply;
}

CommandReport CommandDevice::AnswerLocked(const CommandReport& request, RequestRecord& /*record*/) {
  return ExecuteLocked(request);
}

void CommandDevice::OnOutputReport(const PortAddress& target, std::span<const std::uint8_t> report,
                                   ReportPipe /*pipe*/, RequestRecord& record) {
  if (target.interface_number != kVendorInterface || target.collection != kCommandCollection ||
      report.size() != kCommandReportSize || report[0] != kCommandReportId) {
    record.outcome = RequestOutcome::OutputReport;
    return;
  }
  CommandReport request{};
  std::copy(report.begin(), report.end(), request.begin());
  const std::uint8_t code = request[f::kCommand];

  const FaultInjector::RequestFault fault = Faults().OnCommandRequest(code);
  if (fault.drop) {
    record.outcome = RequestOutcome::Dropped;
    return;
  }
  for (int i = 0; i < fault.stale_replies; ++i) {
    // Left over from an earlier exchange: answers another command, never the unreachable
    // code, which means something else to the host.
    std::uint8_t stale = last_answered_command_;
    if (stale == 0 || stale == code || stale == kReceiverUnreachable) {
      stale = code == static_cast<std::uint8_t>(FirmwareCommand::ReadDeviceInfo)
                  ? static_cast<std::uint8_t>(FirmwareCommand::ReadMemory)
                  : static_cast<std::uint8_t>(FirmwareCommand::ReadDeviceInfo);
    }
    CommandReport old = MakeCommandRequest(stale, 0, 0);
    CommandReport stale_reply = MakeReply(old, kStatusOk);
    SealCommandReport(stale_reply);
    EmitInputLocked(kVendorInterface, stale_reply);
  }

  CommandReport reply;
  record.outcome = RequestOutcome::Answered;
  const std::uint16_t sum = CommandChecksum(request);
  if (request[f::kChecksumLow] != (sum & 0xFF) || request[f::kChecksumHigh] != (sum >> 8)) {
    reply = MakeReply(request, kStatusError);
  } else if (fault.status) {
    reply = MakeReply(request, *fault.status);
  } else {
    reply = AnswerLocked(request, record);
  }
  SealCommandReport(reply);
  record.status = reply[f::kStatus];
  last_answered_command_ = reply[f::kCommand];
  EmitInputLocked(kVendorInterface, reply);
}

std::vector<CommandReport> CommandDevice::Exchange(std::span<const std::uint8_t> request) {
  std::vector<std::vector<std::uint8_t>> produced;
  {
    std::lock_guard lock(mutex_);
    if (request.size() != kCommandReportSize || request[0] != kCommandReportId) return {};
    capture_ = &produced;
    RequestRecord record;
    record.sequence = ++request_count_;
    record.received = std::chrono::steady_clock::now();
    record.interface_number = kVendorInterface;
    record.collection = kCommandCollection;
    record.report.assign(request.begin(), request.end());
    OnOutputReport(PortAddress{kVendorInterface, kCommandCollection}, request,
                   ReportPipe::Interrupt, record);
    log_.push_back(std::move(record));
    while (log_.size() > kRequestLogLimit) log_.pop_front();
    capture_ = nullptr;
  }
  std::vector<CommandReport> replies;
  for (const auto& bytes : produced) {
    CommandReport r{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), r.size()), r.begin());
    replies.push_back(r);
  }
  return replies;
}

std::array<std::uint8_t, kInfoBlockSize> CommandDevice::InfoBlock() const {
  std::lock_guard lock(Mutex());
  return info_;
}

void CommandDevice::SetInfoBlock(std::span<const std::uint8_t, kInfoBlockSize> info) {
  std::lock_guard lock(Mutex());
  ApplyInfoLocked(info);
  MarkMemoryChangedLocked();
}

std::vector<std::uint8_t> CommandDevice::SettingsMemory() const {
  std::lock_guard lock(Mutex());
  return settings_;
}

bool CommandDevice::WriteSettingsMemory(std::size_t address, std::span<const std::uint8_t> bytes) {
  std::lock_guard lock(Mutex());
  if (address > settings_.size() || bytes.size() > settings_.size() - address) return false;
  std::copy(bytes.begin(), bytes.end(), settings_.begin() + static_cast<std::ptrdiff_t>(address));
  MarkMemoryChangedLocked();
  return true;
}

void CommandDevice::SetSettingsByteLocked(std::size_t address, std::uint8_t value) {
  if (address < settings_.size()) settings_[address] = value;
  MarkMemoryChangedLocked();
}

std::vector<std::uint8_t> CommandDevice::KeyMap(int bank) const {
  std::lock_guard lock(Mutex());
  if (bank < 0 || bank >= factory_.keymap_banks) return {};
  const std::size_t size = KeySlotsLocked() * 3;
  const auto first = keymap_.begin() + static_cast<std::ptrdiff_t>(bank * size);
  return {first, first + static_cast<std::ptrdiff_t>(size)};
}

int CommandDevice::KeyMapBanks() const {
  return factory_.keymap_banks;
}

std::vector<std::uint8_t> CommandDevice::KeyTable() const {
  std::lock_guard lock(Mutex());
  return keytable_;
}

std::vector<std::uint8_t> CommandDevice::MacroMemory() const {
  std::lock_guard lock(Mutex());
  return macros_;
}

std::vector<std::uint8_t> CommandDevice::ShootMemory() const {
  std::lock_guard lock(Mutex());
  return shoot_;
}

std::vector<std::uint8_t> CommandDevice::StatusBlock() const {
  std::lock_guard lock(Mutex());
  return status_;
}

void CommandDevice::SetStatusBlock(std::span<const std::uint8_t> status) {
  std::lock_guard lock(Mutex());
  std::fill(status_.begin(), status_.end(), 0);
  std::copy_n(status.begin(), std::min(status.size(), status_.size()), status_.begin());
  MarkMemoryChangedLocked();
}

std::map<std::uint32_t, std::vector<std::uint8_t>> CommandDevice::LightBlockRuns() const {
  std::lock_guard lock(Mutex());
  std::map<std::uint32_t, std::vector<std::uint8_t>> runs;
  std::size_t i = 0;
  while (i < light_written_.size()) {
    if (!light_written_[i]) {
      ++i;
      continue;
    }
    const std::size_t start = i;
    while (i < light_written_.size() && light_written_[i]) ++i;
    runs.emplace(
        static_cast<std::uint32_t>(start),
        std::vector<std::uint8_t>(light_memory_.begin() + static_cast<std::ptrdiff_t>(start),
                                  light_memory_.begin() + static_cast<std::ptrdiff_t>(i)));
  }
  return runs;
}

std::vector<std::uint8_t> CommandDevice::LightBlockBytes(std::uint32_t offset,
                                                         std::size_t length) const {
  std::lock_guard lock(Mutex());
  std::vector<std::uint8_t> bytes(length, 0);
  for (std::size_t i = 0; i < length && offset + i < light_memory_.size(); ++i) {
    bytes[i] = light_memory_[offset + i];
  }
  return bytes;
}

std::vector<std::uint8_t> CommandDevice::LastLightFrame() const {
  std::lock_guard lock(Mutex());
  return frame_;
}

std::uint64_t CommandDevice::LightFrameCount() const {
  std::lock_guard lock(Mutex());
  return frame_count_;
}

bool CommandDevice::InConfig() const {
  std::lock_guard lock(Mutex());
  return in_config_;
}

std::uint64_t CommandDevice::ConfigBeginCount() const {
  std::lock_guard lock(Mutex());
  return begin_count_;
}

std::uint64_t CommandDevice::ConfigEndCount() const {
  std::lock_guard lock(Mutex());
  return end_count_;
}

bool CommandDevice::SoftwareLighting() const {
  std::lock_guard lock(Mutex());
  return software_lighting_;
}

void CommandDevice::InjectConsumerUsageLocked(std::uint16_t usage, bool release_after) {
  const std::uint8_t report[] = {kConsumerReportId, static_cast<std::uint8_t>(usage & 0xFF),
                                 static_cast<std::uint8_t>(usage >> 8)};
  EmitInputLocked(kVendorInterface, report);
  if (release_after) {
    const std::uint8_t release[] = {kConsumerReportId, 0, 0};
    EmitInputLocked(kVendorInterface, release);
  }
}

void CommandDevice::InjectConsumerUsage(std::uint16_t usage, bool release_after) {
  {
    std::lock_guard lock(Mutex());
    InjectConsumerUsageLocked(usage, release_after);
  }
  NotifyInput();
}

void CommandDevice::InjectSyncRequest() {
  InjectConsumerUsage(kUsageSyncRequest);
}

void CommandDevice::InjectKeyPress(std::uint8_t slot) {
  InjectConsumerUsage(static_cast<std::uint16_t>(kUsageKeyPressBase + slot));
}

void CommandDevice::InjectKeyRelease(std::uint8_t slot) {
  InjectConsumerUsage(static_cast<std::uint16_t>(kUsageKeyReleaseBase + slot));
}

void CommandDevice::DumpLocked(Json::Value& out) const {
  out["info"] = ToHex(info_);
  out["settings"] = ToHex(settings_);
  out["keymap"] = ToHex(keymap_);
  out["keymapbanks"] = factory_.keymap_banks;
  out["keytable"] = ToHex(keytable_);
  out["macros"] = ToHex(macros_);
  out["shoot"] = ToHex(shoot_);
  out["status"] = ToHex(status_);
  Json::Value blocks(Json::objectValue);
  std::size_t i = 0;
  while (i < light_written_.size()) {
    if (!light_written_[i]) {
      ++i;
      continue;
    }
    const std::size_t start = i;
    while (i < light_written_.size() && light_written_[i]) ++i;
    blocks[std::to_string(start)] = ToHex(std::span(light_memory_).subspan(start, i - start));
  }
  out["lightblocks"] = blocks;
  out["frames"] = Json::UInt64(frame_count_);
  out["lastframe"] = ToHex(frame_);
  out["inconfig"] = in_config_;
  out["softwarelighting"] = software_lighting_;
}

void CommandDevice::SaveExtraLocked(Json::Value& /*out*/) const {}

bool CommandDevice::RestoreLocked(const Json::Value& state) {
  std::vector<std::uint8_t> info;
  if (!ReadHexMember(state, "info", kInfoBlockSize, info)) return false;
  const std::size_t slots = std::min<std::size_t>(info[info_field::kKeySlots], kMaxKeySlots);
  const std::size_t banks = static_cast<std::size_t>(factory_.keymap_banks);
  std::vector<std::uint8_t> settings, keymap, keytable, macros, shoot, status, frame;
  if (!ReadHexMember(state, "settings", factory_.settings.size(), settings) ||
      !ReadHexMember(state, "keymap", banks * slots * 3, keymap) ||
      !ReadHexMember(state, "keytable", slots, keytable) ||
      !ReadHexMember(state, "macros", std::size_t{info[info_field::kMacroUnits]} * kMacroUnitBytes,
                     macros) ||
      !ReadHexMember(state, "shoot", factory_.shoot_capacity, shoot) ||
      !ReadHexMember(state, "status", factory_.status.size(), status)) {
    return false;
  }
  const Json::Value& frames = state["frames"];
  const Json::Value& last = state["lastframe"];
  const Json::Value& blocks = state["lightblocks"];
  if (!frames.isUInt64() || !last.isString() || !blocks.isObject()) return false;
  auto frame_bytes = FromHex(last.asString());
  if (!frame_bytes || frame_bytes->size() > kMaxFrameSize) return false;
  std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> runs;
  for (const auto& name : blocks.getMemberNames()) {
    if (name.empty() || name.size() > 5 ||
        !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return false;
    }
    const std::size_t start = std::stoul(name);
    const Json::Value& hex = blocks[name];
    if (!hex.isString()) return false;
    auto bytes = FromHex(hex.asString());
    if (!bytes || start >= kLightMemorySize || bytes->size() > kLightMemorySize - start) {
      return false;
    }
    runs.emplace_back(start, std::move(*bytes));
  }
  const Json::Value& in_config = state["inconfig"];
  const Json::Value& software = state["softwarelighting"];
  if (!in_config.isBool() || !software.isBool()) return false;

  // Everything checked: apply.
  std::array<std::uint8_t, kInfoBlockSize> info_block{};
  std::copy(info.begin(), info.end(), info_block.begin());
  keymap_.clear();
  info_.fill(0);
  ApplyInfoLocked(info_block);
  keymap_ = std::move(keymap);
  keytable_ = std::move(keytable);
  macros_ = std::move(macros);
  settings_ = std::move(settings);
  shoot_ = std::move(shoot);
  status_ = std::move(status);
  light_memory_.clear();
  light_written_.clear();
  if (!runs.empty()) {
    light_memory_.assign(kLightMemorySize, 0);
    light_written_.assign(kLightMemorySize, false);
    for (const auto& [start, bytes] : runs) {
      std::copy(bytes.begin(), bytes.end(),
                light_memory_.begin() + static_cast<std::ptrdiff_t>(start));
      std::fill_n(light_written_.begin() + static_cast<std::ptrdiff_t>(start), bytes.size(), true);
    }
  }
  frame_ = std::move(*frame_bytes);
  frame_count_ = frames.asUInt64();
  in_config_ = in_config.asBool();
  software_lighting_ = software.asBool();
  return true;
}

}  // namespace norvik::emulator
