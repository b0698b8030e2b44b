#pragma once
// The firmware of the emulated peripherals. EmulatedDevice is one USB device as the host sees
// it: identity, HID interfaces with their report descriptors, input report delivery to every
// open reader, a request log and fault injection. CommandDevice adds the 64-byte command
// protocol with the device memories; the per-product classes below set their sizes and
// factory contents and add what only they do (radio link, headset output reports).
//
// Every public member is thread-safe; one lock per device guards its firmware state, so a
// test may inspect memories while a driver talks to the device on another thread.

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <json/value.h>

#include "emulator/fault_injection.h"
#include "emulator/firmware_protocol.h"

namespace norvik::emulator {

// The emulated products, numbered as the device kinds of the interface table.
enum class EmulatedProduct : std::uint8_t {
  Keyboard = 1,        // 0x0C45:0x8508
  MouseCable = 2,      // 0x3938:0x1253
  MousePad = 3,        // 0x320F:0x1004
  MouseReceiver = 6,   // 0x3938:0x1254
  Headset = 7,         // 0x0C76:0x1630
  SecondKeyboard = 9,  // 0x320F:0x5001
};
inline constexpr std::array<EmulatedProduct, 6> kAllProducts = {
    EmulatedProduct::Keyboard,      EmulatedProduct::SecondKeyboard, EmulatedProduct::MouseCable,
    EmulatedProduct::MouseReceiver, EmulatedProduct::MousePad,       EmulatedProduct::Headset};

// Short stable names used by the state file and the command line: "keyboard", "keyboard2",
// "mouse", "receiver", "mousepad", "headset".
std::string_view ProductName(EmulatedProduct product);
std::optional<EmulatedProduct> ProductFromName(std::string_view name);

struct EmulatedIdentity {
  std::uint16_t vendor_id = 0;
  std::uint16_t product_id = 0;
  std::uint16_t version = 0;
  std::string manufacturer;
  std::string product;
};

// One report of a collection: its id (0 when the interface uses none) and its length with the
// id byte.
struct EmulatedReport {
  std::uint8_t id = 0;
  std::size_t size = 0;
};

// One top-level collection of an interface, as its report descriptor declares it.
struct EmulatedCollection {
  int number = 0;  // 1-based, descriptor order
  std::uint16_t usage_page = 0;
  std::uint16_t usage = 0;
  std::vector<EmulatedReport> inputs;
  std::vector<EmulatedReport> outputs;
};

struct EmulatedInterface {
  int number = 0;
  std::vector<std::uint8_t> report_descriptor;
  std::vector<EmulatedCollection> collections;
  bool uses_report_ids = false;
};

// Where a host-side port is attached: one collection, or (collection 0) the whole interface as
// a hidraw node sees it.
struct PortAddress {
  int interface_number = 0;
  int collection = 0;
};

enum class ReportPipe : std::uint8_t { Interrupt, Control };

// What became of one output report the device received.
enum class RequestOutcome : std::uint8_t {
  Answered,      // a command request, answered with `status`
  Dropped,       // a command request swallowed by an injected fault
  Unreachable,   // a request through a receiver whose link is down
  OutputReport,  // a plain output report (LEDs, headset colours), kept but not answered
};

struct RequestRecord {
  std::uint64_t sequence = 0;  // counts output reports since construction or factory reset
  int interface_number = 0;
  int collection = 0;
  ReportPipe pipe = ReportPipe::Interrupt;
  std::vector<std::uint8_t> report;  // as received, report id first
  RequestOutcome outcome = RequestOutcome::OutputReport;
  std::uint8_t status = 0;                           // reply status byte for Answered
  std::chrono::steady_clock::time_point received{};  // when the device took it
};

// An open reader/writer of one port (an open handle). Opaque outside the device.
class DevicePort;

class EmulatedDevice {
 public:
  virtual ~EmulatedDevice();
  EmulatedDevice(const EmulatedDevice&) = delete;
  EmulatedDevice& operator=(const EmulatedDevice&) = delete;

  EmulatedProduct Product() const { return product_; }
  const EmulatedIdentity& Identity() const { return identity_; }
  // Fixed at construction.
  const std::vector<EmulatedInterface>& Interfaces() const { return interfaces_; }
  const EmulatedInterface* FindInterface(int interface_number) const;
  const EmulatedCollection* FindCollection(int interface_number, int collection) const;

  bool IsPlugged() const;
  FaultInjector& Faults() { return faults_; }

  // The request log keeps the most recent kRequestLogLimit records; the count keeps going.
  static constexpr std::size_t kRequestLogLimit = 4096;
  std::vector<RequestRecord> RequestLog() const;
  std::uint64_t RequestCount() const;
  // The command bytes of the logged command requests, oldest first.
  std::vector<std::uint8_t> CommandsSeen() const;
  void ClearRequestLog();

  // Back to factory contents (memories, link, counters, log); plugging state stays.
  void FactoryReset();

  // An input report produced by the device on an interface (report id first when the interface
  // uses ids). False when the interface does not exist or the device is not plugged.
  bool InjectInputReport(int interface_number, std::span<const std::uint8_t> report);

  // The inspection dump: "product", "vid", "pid" and the device's memories (see the classes).
  Json::Value Dump() const;
  // How often what the state file keeps has changed, counted in two parts: memories (settings,
  // key map, macros, light blocks, link, ...) and traffic (live frames, headset colour reports),
  // so that a caller may persist memories at once and the steady stream of traffic now and then.
  struct StateRevision {
    std::uint64_t memory = 0;
    std::uint64_t traffic = 0;
    bool operator==(const StateRevision&) const = default;
  };
  StateRevision Revision() const;
  // Everything the state file keeps for this device (the dump's members are a part of it), and
  // the revision it shows (read under the same lock) when revision is not null.
  Json::Value SaveState(StateRevision* revision = nullptr) const;
  // Restores SaveState() output. All or nothing: false leaves the device unchanged.
  bool RestoreState(const Json::Value& state);

  // Presents the device's nodes as ones this user may not open (as a hidraw node without the
  // seat's access is): the bus still lists them but refuses every open with access. Kept in
  // the state file, so other processes sharing it see the same.
  void SetNodeAccessDenied(bool denied);
  bool NodeAccessDenied() const;

  // --- host side, used by the bus ---
  // Plugging: each plug-in starts a new generation; ports of an older one fail at once.
  void SetPlugged(bool plugged);
  // Told when a fault makes the device leave the bus (called without the device lock held).
  void SetSelfUnplugHandler(std::function<void()> handler);
  // Null when the device is unplugged or the address does not exist.
  std::shared_ptr<DevicePort> OpenPort(PortAddress address, bool receive_input);
  void ClosePort(const std::shared_ptr<DevicePort>& port);
  // As HidHandle::Read / HidNode::Read: bytes stored, hid::kReadTimedOut or hid::kReadFailed.
  // A timeout below 0 waits until a report arrives or the device goes away.
  int ReadPort(DevicePort& port, std::span<std::uint8_t> buffer, int timeout_ms);
  // Bytes accepted or -1 (unplugged, unknown report id for the port, wrong length).
  int WritePort(DevicePort& port, std::span<const std::uint8_t> report, ReportPipe pipe);

 protected:
  EmulatedDevice(EmulatedProduct product, EmulatedIdentity identity,
                 std::vector<EmulatedInterface> interfaces);

  // One accepted output report, with the device lock held. The report has its id first and
  // the length the collection declares.
  virtual void OnOutputReport(const PortAddress& target, std::span<const std::uint8_t> report,
                              ReportPipe pipe, RequestRecord& record) = 0;
  // Memories to factory contents, with the lock held.
  virtual void ResetLocked() = 0;
  // Dump members, with the lock held.
  virtual void DumpLocked(Json::Value& out) const = 0;
  // Extra state beyond the dump, with the lock held.
  virtual void SaveExtraLocked(Json::Value& out) const;
  // Checks state (the whole SaveState form) and applies it only when every member is valid.
  virtual bool RestoreLocked(const Json::Value& state) = 0;

  // Queues an input report for every reader of its collection (and every node reader of the
  // interface), honouring the report delay. Lock held.
  void EmitInputLocked(int interface_number, std::span<const std::uint8_t> report);

  std::mutex& Mutex() const { return mutex_; }
  // Lock held: a kept memory changed / traffic the state file keeps arrived.
  void MarkMemoryChangedLocked() { ++revision_.memory; }
  void MarkTrafficLocked() { ++revision_.traffic; }
  // Wakes readers after input was emitted outside a write.
  void NotifyInput() { arrived_.notify_all(); }

 private:
  struct PendingReport;
  friend class DevicePort;

  const EmulatedProduct product_;
  const EmulatedIdentity identity_;
  const std::vector<EmulatedInterface> interfaces_;
  FaultInjector faults_;

  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  bool plugged_ = false;
  bool access_denied_ = false;
  std::uint64_t generation_ = 0;
  std::vector<std::weak_ptr<DevicePort>> ports_;
  std::chrono::steady_clock::time_point last_ready_{};
  std::deque<RequestRecord> log_;
  std::uint64_t request_count_ = 0;
  StateRevision revision_;
  std::function<void()> self_unplug_;
  // While Exchange() runs, produced input goes here instead of to the ports.
  std::vector<std::vector<std::uint8_t>>* capture_ = nullptr;

  friend class CommandDevice;
};

// A device that speaks the 64-byte command protocol on its command collection.
class CommandDevice : public EmulatedDevice {
 public:
  // Memory sizes and factory contents of one product.
  struct Layout {
    std::array<std::uint8_t, kInfoBlockSize> info{};
    std::vector<std::uint8_t> settings;  // factory settings memory, its size is the capacity
    int keymap_banks = 1;
    std::vector<std::uint8_t> keymap;    // factory bank 0, slots × 3
    std::vector<std::uint8_t> keytable;  // factory, slots bytes
    std::size_t shoot_capacity = 0;
    std::vector<std::uint8_t> status;       // factory status block
    std::vector<FirmwareCommand> commands;  // what the firmware knows
  };

  // Runs one request through the firmware exactly as a write on the command collection would
  // (faults included) and returns the input reports it produced, stale replies first,
  // ignoring the report delay; empty when the request was dropped. For table-driven tests.
  std::vector<CommandReport> Exchange(std::span<const std::uint8_t> request);

  std::array<std::uint8_t, kInfoBlockSize> InfoBlock() const;
  // Replaces the information block; key map, key table and macro memory follow its slot count
  // and macro size (their contents are kept as far as they fit).
  void SetInfoBlock(std::span<const std::uint8_t, kInfoBlockSize> info);

  std::vector<std::uint8_t> SettingsMemory() const;
  bool WriteSettingsMemory(std::size_t address, std::span<const std::uint8_t> bytes);
  // Slots × 3 bytes of one bank.
  std::vector<std::uint8_t> KeyMap(int bank = 0) const;
  int KeyMapBanks() const;
  std::vector<std::uint8_t> KeyTable() const;
  std::vector<std::uint8_t> MacroMemory() const;
  std::vector<std::uint8_t> ShootMemory() const;
  std::vector<std::uint8_t> StatusBlock() const;
  void SetStatusBlock(std::span<const std::uint8_t> status);

  // Light block uploads, kept raw by offset: the device does not know the host's block size.
  // Runs of contiguous written bytes, by start offset.
  std::map<std::uint32_t, std::vector<std::uint8_t>> LightBlockRuns() const;
  // length bytes from offset; never written bytes read 0.
  std::vector<std::uint8_t> LightBlockBytes(std::uint32_t offset, std::size_t length) const;

  // Live frames: the frame being assembled or last assembled, and how many were started.
  std::vector<std::uint8_t> LastLightFrame() const;
  std::uint64_t LightFrameCount() const;

  bool InConfig() const;
  std::uint64_t ConfigBeginCount() const;
  std::uint64_t ConfigEndCount() const;
  bool SoftwareLighting() const;

  // Consumer-control notifications: one input report carrying usage on the consumer
  // collection, optionally followed by the empty report of a release.
  void InjectConsumerUsage(std::uint16_t usage, bool release_after = false);
  void InjectSyncRequest();                  // usage 0x0401
  void InjectKeyPress(std::uint8_t slot);    // usage 0x0500 + slot
  void InjectKeyRelease(std::uint8_t slot);  // usage 0x0600 + slot

  // Where the consumer collection and the command collection sit.
  static constexpr int kVendorInterface = 1;
  static constexpr int kConsumerCollection = 3;
  static constexpr int kCommandCollection = 4;
  static constexpr std::uint8_t kConsumerReportId = 3;

  static constexpr std::uint16_t kUsageSyncRequest = 0x0401;
  static constexpr std::uint16_t kUsageKeyPressBase = 0x0500;
  static constexpr std::uint16_t kUsageKeyReleaseBase = 0x0600;
  static constexpr std::uint16_t kUsageProfileBase = 0x1000;
  static constexpr std::uint16_t kUsageProfileAndStageBase = 0x1100;

 protected:
  CommandDevice(EmulatedProduct product, EmulatedIdentity identity,
                std::vector<EmulatedInterface> interfaces, Layout layout);

  // Answers one request whose checksum is good, with the lock held. The base executes the
  // command against the memories; returns the reply (id, echo and status filled in).
  virtual CommandReport AnswerLocked(const CommandReport& request, RequestRecord& record);
  CommandReport ExecuteLocked(const CommandReport& request);
  static CommandReport MakeReply(const CommandReport& request, std::uint8_t status);

  void OnOutputReport(const PortAddress& target, std::span<const std::uint8_t> report,
                      ReportPipe pipe, RequestRecord& record) override;
  void ResetLocked() override;
  void DumpLocked(Json::Value& out) const override;
  void SaveExtraLocked(Json::Value& out) const override;
  bool RestoreLocked(const Json::Value& state) override;

  void InjectConsumerUsageLocked(std::uint16_t usage, bool release_after);
  // Settings memory write from the device's own side (a profile button), lock held.
  void SetSettingsByteLocked(std::size_t address, std::uint8_t value);

 private:
  void ApplyInfoLocked(std::span<const std::uint8_t, kInfoBlockSize> info);
  std::size_t KeySlotsLocked() const;

  const Layout factory_;
  std::array<std::uint8_t, kInfoBlockSize> info_{};
  std::vector<std::uint8_t> settings_;
  std::vector<std::uint8_t> keymap_;  // banks × slots × 3
  std::vector<std::uint8_t> keytable_;
  std::vector<std::uint8_t> macros_;
  std::vector<std::uint8_t> shoot_;
  std::vector<std::uint8_t> status_;
  std::vector<std::uint8_t> light_memory_;  // 64 KiB, allocated on the first upload
  std::vector<bool> light_written_;
  std::vector<std::uint8_t> frame_;
  std::uint64_t frame_count_ = 0;
  bool in_config_ = false;
  std::uint64_t begin_count_ = 0;
  std::uint64_t end_count_ = 0;
  bool software_lighting_ = false;
  std::uint8_t last_answered_command_ = 0;
};

// Keyboard 0x0C45:0x8508 and the second model 0x320F:0x5001.
class EmulatedKeyboard : public CommandDevice {
 public:
  explicit EmulatedKeyboard(EmulatedProduct product = EmulatedProduct::Keyboard);
  // A profile change made on the keyboard: settings byte 0 becomes the profile and the
  // notification usage 0x1000 + profile is sent.
  void InjectProfileChange(std::uint8_t profile);
};

// The mouse over its cable, 0x3938:0x1253.
class EmulatedMouse : public CommandDevice {
 public:
  EmulatedMouse();
  // A profile (and DPI stage) change made on the mouse: settings byte 0 becomes the profile,
  // the profile block's active stage byte becomes the stage, and usage 0x1000 + profile (or
  // 0x1100 + stage × 16 + profile) is sent.
  void InjectProfileChange(std::uint8_t profile, std::optional<std::uint8_t> dpi_stage = {});

  static constexpr std::size_t kProfileStride = 128;
  static constexpr std::size_t kActiveStageByte = 12;

 protected:
  EmulatedMouse(EmulatedProduct product, EmulatedIdentity identity);
};

// The mouse's wireless receiver, 0x3938:0x1254, with the mouse behind its radio link.
class EmulatedReceiver : public EmulatedMouse {
 public:
  EmulatedReceiver();
  void SetLinkUp(bool up);
  bool LinkUp() const;

 protected:
  CommandReport AnswerLocked(const CommandReport& request, RequestRecord& record) override;
  void ResetLocked() override;
  void DumpLocked(Json::Value& out) const override;
  bool RestoreLocked(const Json::Value& state) override;

 private:
  bool link_up_ = true;
};

// The lighted mouse pad, 0x320F:0x1004.
class EmulatedMousePad : public CommandDevice {
 public:
  EmulatedMousePad();
};

// The headset, 0x0C76:0x1630: HID on interface 3 only, one consumer-control collection that
// takes 17-byte output reports (id 0xFF) and sends button reports (id 1).
class EmulatedHeadset : public EmulatedDevice {
 public:
  EmulatedHeadset();

  static constexpr int kHidInterface = 3;
  static constexpr std::uint8_t kButtonReportId = 0x01;
  static constexpr std::uint8_t kColourReportId = 0xFF;
  static constexpr std::size_t kColourReportSize = 17;
  // Kept output reports (the most recent ones) and how many arrived in all.
  static constexpr std::size_t kOutputReportLimit = 4096;

  std::vector<std::vector<std::uint8_t>> OutputReports() const;
  std::uint64_t OutputReportCount() const;
  // Button report: bit 0 volume up, 1 volume down, 2 mute, 3 play/pause.
  void InjectButtons(std::uint8_t bits);

 protected:
  void OnOutputReport(const PortAddress& target, std::span<const std::uint8_t> report,
                      ReportPipe pipe, RequestRecord& record) override;
  void ResetLocked() override;
  void DumpLocked(Json::Value& out) const override;
  bool RestoreLocked(const Json::Value& state) override;

 private:
  std::deque<std::vector<std::uint8_t>> output_reports_;
  std::uint64_t output_report_count_ = 0;
};

// A factory-fresh device of product, not yet plugged.
std::shared_ptr<EmulatedDevice> MakeEmulatedDevice(EmulatedProduct product);

}  // namespace norvik::emulator
