#include "hid/report_descriptor.h"

#include <algorithm>
#include <limits>
#include <map>
#include <set>
#include <utility>

namespace norvik::hid {
namespace {

// Short item prefix: bits 0-1 data size code, bits 2-3 item type, bits 4-7 tag.
constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr std::uint8_t kSizeMask = 0x03;
constexpr std::uint8_t kSizeCodeFourBytes = 0x03;

enum class ItemType : std::uint8_t { Main = 0, Global = 1, Local = 2, Reserved = 3 };

enum class MainTag : std::uint8_t {
  Input = 0x8,
  Output = 0x9,
  Collection = 0xA,
  Feature = 0xB,
  EndCollection = 0xC,
};

enum class GlobalTag : std::uint8_t {
  UsagePage = 0x0,
  LogicalMinimum = 0x1,
  LogicalMaximum = 0x2,
  PhysicalMinimum = 0x3,
  PhysicalMaximum = 0x4,
  UnitExponent = 0x5,
  Unit = 0x6,
  ReportSize = 0x7,
  ReportId = 0x8,
  ReportCount = 0x9,
  Push = 0xA,
  Pop = 0xB,
};

enum class LocalTag : std::uint8_t {
  Usage = 0x0,
  UsageMinimum = 0x1,
  UsageMaximum = 0x2,
  Delimiter = 0xA,
};

// Bits of the data of an Input, Output or Feature item.
constexpr std::uint32_t kMainConstant = 1u << 0;
constexpr std::uint32_t kMainVariable = 1u << 1;
constexpr std::uint32_t kMainRelative = 1u << 2;
constexpr std::uint32_t kMainNullState = 1u << 6;

constexpr std::uint32_t kDelimiterOpen = 1;
constexpr std::uint32_t kDelimiterClose = 0;

constexpr std::uint32_t kReportIdBits = 8;  // every report buffer starts with the id byte
constexpr std::uint64_t kMaxReportBits = kMaxReportBytes * 8;
constexpr std::uint32_t kMaxReportId = 0xFF;
constexpr std::uint32_t kMaxValueBits = 32;

__extension__ typedef __int128 WideInt;  // products of two 33-bit ranges

std::size_t TypeIndex(ReportType type) {
  return static_cast<std::size_t>(type);
}

std::uint32_t UnsignedData(std::span<const std::uint8_t> data) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < data.size(); ++i) {
    value |= static_cast<std::uint32_t>(data[i]) << (8 * i);
  }
  return value;
}

std::int64_t SignedData(std::span<const std::uint8_t> data) {
  if (data.empty()) return 0;
  const std::uint32_t raw = UnsignedData(data);
  const unsigned bits = static_cast<unsigned>(data.size() * 8);
  if (bits >= 32) return static_cast<std::int32_t>(raw);
  const std::uint32_t sign = 1u << (bits - 1);
  return static_cast<std::int64_t>(raw ^ sign) - static_cast<std::int64_t>(sign);
}

std::int32_t ClampToInt32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// A minimum/maximum pair as declared: the maximum is read unsigned when the minimum is not
// negative, so 0..255 declared in one byte each means 0..255 and not 0..-1.
struct Extent {
  std::int64_t min = 0;
  std::int64_t max_signed = 0;
  std::int64_t max_unsigned = 0;

  std::int64_t Max() const { return (min >= 0 && max_signed < 0) ? max_unsigned : max_signed; }
};

struct GlobalState {
  std::uint16_t usage_page = 0;
  Extent logical;
  Extent physical;
  std::uint32_t unit_exponent = 0;
  std::uint32_t unit = 0;
  std::uint32_t report_size = 0;
  std::uint32_t report_id = 0;
  std::uint32_t report_count = 0;
};

// One usage or usage range of the local state; the page is resolved at the main item unless
// the usage was given in its extended (32-bit) form.
struct UsageEntry {
  std::uint16_t page = 0;
  bool explicit_page = false;
  std::uint16_t min = 0;
  std::uint16_t max = 0;
  bool is_range = false;

  std::uint32_t Span() const { return static_cast<std::uint32_t>(max) - min + 1; }
};

struct PendingBound {
  bool present = false;
  bool explicit_page = false;
  std::uint16_t page = 0;
  std::uint16_t usage = 0;
};

struct LocalState {
  std::vector<UsageEntry> usages;
  PendingBound minimum;
  PendingBound maximum;
  bool in_delimiter = false;
  std::size_t delimiter_usages = 0;  // usages seen in the open delimiter set

  void Clear() { *this = LocalState{}; }
};

struct CollectionBuild {
  PreparsedData data;
  std::array<std::uint32_t, kReportTypeCount> data_indices{};
  std::array<std::size_t, kReportTypeCount> button_slots{};
  std::size_t element_count = 0;  // data elements BuildDataElements will make
};

class Parser {
 public:
  std::optional<std::vector<PreparsedData>> Run(std::span<const std::uint8_t> descriptor);

 private:
  bool Main(MainTag tag, std::span<const std::uint8_t> data);
  bool Global(GlobalTag tag, std::span<const std::uint8_t> data);
  bool Local(LocalTag tag, std::span<const std::uint8_t> data);
  bool AddUsageBound(PendingBound& bound, std::span<const std::uint8_t> data);
  bool PairRange();
  bool OpenCollection(std::uint32_t type);
  bool CloseCollection();
  bool DataItem(ReportType type, std::uint32_t flags);
  bool AddCaps(ReportType type, std::uint32_t flags, std::uint32_t first_bit,
               const std::vector<UsageEntry>& entries);
  std::vector<UsageEntry> ResolvedUsages() const;

  GlobalState global_;
  std::vector<GlobalState> global_stack_;
  LocalState local_;
  std::vector<CollectionBuild> collections_;
  std::vector<std::uint16_t> node_stack_;  // open link nodes of the current top-level collection
  // Next free bit of every (report type, report id); the wire layout is shared by the whole
  // descriptor.
  std::array<std::map<std::uint8_t, std::uint64_t>, kReportTypeCount> report_bits_;
  bool report_ids_declared_ = false;
  bool data_without_report_id_ = false;
};

std::optional<std::vector<PreparsedData>> Parser::Run(std::span<const std::uint8_t> descriptor) {
  if (descriptor.size() > kMaxReportDescriptorLength) return std::nullopt;
  std::size_t pos = 0;
  while (pos < descriptor.size()) {
    const std::uint8_t prefix = descriptor[pos];
    if (prefix == kLongItemPrefix) {
      // Long items carry no meaning for report layout; skip prefix, size, tag and data.
      if (descriptor.size() - pos < 3) return std::nullopt;
      const std::size_t length = descriptor[pos + 1];
      if (descriptor.size() - pos - 3 < length) return std::nullopt;
      pos += 3 + length;
      continue;
    }
    const std::uint8_t size_code = prefix & kSizeMask;
    const std::size_t size = size_code == kSizeCodeFourBytes ? 4 : size_code;
    if (descriptor.size() - pos - 1 < size) return std::nullopt;
    const auto data = descriptor.subspan(pos + 1, size);
    pos += 1 + size;
    const auto type = static_cast<ItemType>((prefix >> 2) & 0x03);
    const std::uint8_t tag = prefix >> 4;
    bool ok = true;
    switch (type) {
      case ItemType::Main:
        ok = Main(static_cast<MainTag>(tag), data);
        break;
      case ItemType::Global:
        ok = Global(static_cast<GlobalTag>(tag), data);
        break;
      case ItemType::Local:
        ok = Local(static_cast<LocalTag>(tag), data);
        break;
      case ItemType::Reserved:
        ok = false;
        break;
    }
    if (!ok) return std::nullopt;
  }
  if (!node_stack_.empty() || collections_.empty() || local_.in_delimiter) return std::nullopt;
  if (report_ids_declared_ && data_without_report_id_) return std::nullopt;

  std::vector<PreparsedData> result;
  result.reserve(collections_.size());
  for (auto& build : collections_) {
    PreparsedData& data = build.data;
    data.uses_report_ids = report_ids_declared_;
    const std::array<std::uint16_t*, kReportTypeCount> lengths = {
        &data.caps.input_report_byte_length, &data.caps.output_report_byte_length,
        &data.caps.feature_report_byte_length};
    for (std::size_t t = 0; t < kReportTypeCount; ++t) {
      auto& ids = data.reports[t].report_ids;
      std::sort(ids.begin(), ids.end());
      ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
      std::uint64_t longest = 0;
      for (std::uint8_t id : ids) {
        longest = std::max(longest, (report_bits_[t][id] + 7) / 8);
      }
      *lengths[t] = static_cast<std::uint16_t>(longest);
    }
    const auto count16 = [](std::size_t n) {
      return static_cast<std::uint16_t>(std::min<std::size_t>(n, 0xFFFF));
    };
    const auto& in = data.reports[TypeIndex(ReportType::Input)];
    const auto& out = data.reports[TypeIndex(ReportType::Output)];
    const auto& feature = data.reports[TypeIndex(ReportType::Feature)];
    data.caps.number_link_collection_nodes = count16(data.link_collections.size());
    data.caps.number_input_button_caps = count16(in.button_caps.size());
    data.caps.number_input_value_caps = count16(in.value_caps.size());
    data.caps.number_input_data_indices = count16(build.data_indices[0]);
    data.caps.number_output_button_caps = count16(out.button_caps.size());
    data.caps.number_output_value_caps = count16(out.value_caps.size());
    data.caps.number_output_data_indices = count16(build.data_indices[1]);
    data.caps.number_feature_button_caps = count16(feature.button_caps.size());
    data.caps.number_feature_value_caps = count16(feature.value_caps.size());
    data.caps.number_feature_data_indices = count16(build.data_indices[2]);
    result.push_back(std::move(data));
  }
  return result;
}

bool Parser::Main(MainTag tag, std::span<const std::uint8_t> data) {
  bool ok = true;
  switch (tag) {
    case MainTag::Input:
      ok = DataItem(ReportType::Input, UnsignedData(data));
      break;
    case MainTag::Output:
      ok = DataItem(ReportType::Output, UnsignedData(data));
      break;
    case MainTag::Feature:
      ok = DataItem(ReportType::Feature, UnsignedData(data));
      break;
    case MainTag::Collection:
      ok = OpenCollection(UnsignedData(data));
      break;
    case MainTag::EndCollection:
      ok = CloseCollection();
      break;
    default:
      break;  // reserved main items carry nothing we use
  }
  // A delimiter set left open across a main item is malformed.
  if (local_.in_delimiter) return false;
  local_.Clear();
  return ok;
}

bool Parser::Global(GlobalTag tag, std::span<const std::uint8_t> data) {
  const std::uint32_t raw = UnsignedData(data);
  switch (tag) {
    case GlobalTag::UsagePage:
      global_.usage_page = static_cast<std::uint16_t>(raw);
      break;
    case GlobalTag::LogicalMinimum:
      global_.logical.min = SignedData(data);
      break;
    case GlobalTag::LogicalMaximum:
      global_.logical.max_signed = SignedData(data);
      global_.logical.max_unsigned = raw;
      break;
    case GlobalTag::PhysicalMinimum:
      global_.physical.min = SignedData(data);
      break;
    case GlobalTag::PhysicalMaximum:
      global_.physical.max_signed = SignedData(data);
      global_.physical.max_unsigned = raw;
      break;
    case GlobalTag::UnitExponent:
      global_.unit_exponent = raw;
      break;
    case GlobalTag::Unit:
      global_.unit = raw;
      break;
    case GlobalTag::ReportSize:
      global_.report_size = raw;
      break;
    case GlobalTag::ReportId:
      if (raw == 0 || raw > kMaxReportId) return false;
      global_.report_id = raw;
      report_ids_declared_ = true;
      break;
    case GlobalTag::ReportCount:
      global_.report_count = raw;
      break;
    case GlobalTag::Push:
      if (global_stack_.size() >= kMaxGlobalStackDepth) return false;
      global_stack_.push_back(global_);
      break;
    case GlobalTag::Pop:
      if (global_stack_.empty()) return false;
      global_ = global_stack_.back();
      global_stack_.pop_back();
      break;
    default:
      break;  // reserved global items
  }
  return true;
}

bool Parser::Local(LocalTag tag, std::span<const std::uint8_t> data) {
  switch (tag) {
    case LocalTag::Usage: {
      if (local_.usages.size() >= kMaxLocalUsages) return false;
      // Inside a delimiter set only the first usage stands; the others are alternatives.
      if (local_.in_delimiter && local_.delimiter_usages++ > 0) return true;
      UsageEntry entry;
      const std::uint32_t raw = UnsignedData(data);
      entry.explicit_page = data.size() == 4;
      entry.page = entry.explicit_page ? static_cast<std::uint16_t>(raw >> 16) : 0;
      entry.min = entry.max = static_cast<std::uint16_t>(raw);
      local_.usages.push_back(entry);
      return true;
    }
    case LocalTag::UsageMinimum:
      if (!AddUsageBound(local_.minimum, data)) return false;
      return PairRange();
    case LocalTag::UsageMaximum:
      if (!AddUsageBound(local_.maximum, data)) return false;
      return PairRange();
    case LocalTag::Delimiter: {
      const std::uint32_t raw = UnsignedData(data);
      if (raw == kDelimiterOpen) {
        if (local_.in_delimiter) return false;  // sets do not nest
        local_.in_delimiter = true;
        local_.delimiter_usages = 0;
      } else if (raw == kDelimiterClose) {
        if (!local_.in_delimiter) return false;
        local_.in_delimiter = false;
      } else {
        return false;
      }
      return true;
    }
    default:
      return true;  // designators and strings do not affect the layout
  }
}

bool Parser::AddUsageBound(PendingBound& bound, std::span<const std::uint8_t> data) {
  if (bound.present) return false;  // two minima (or maxima) in a row
  const std::uint32_t raw = UnsignedData(data);
  bound.present = true;
  bound.explicit_page = data.size() == 4;
  bound.page = bound.explicit_page ? static_cast<std::uint16_t>(raw >> 16) : 0;
  bound.usage = static_cast<std::uint16_t>(raw);
  return true;
}

bool Parser::PairRange() {
  if (!local_.minimum.present || !local_.maximum.present) return true;
  const PendingBound lo = local_.minimum;
  const PendingBound hi = local_.maximum;
  local_.minimum = {};
  local_.maximum = {};
  if (lo.usage > hi.usage) return false;
  if (lo.explicit_page && hi.explicit_page && lo.page != hi.page) return false;
  if (local_.in_delimiter && local_.delimiter_usages++ > 0) return true;
  if (local_.usages.size() >= kMaxLocalUsages) return false;
  UsageEntry entry;
  entry.explicit_page = lo.explicit_page || hi.explicit_page;
  entry.page = lo.explicit_page ? lo.page : hi.page;
  entry.min = lo.usage;
  entry.max = hi.usage;
  entry.is_range = true;
  local_.usages.push_back(entry);
  return true;
}

std::vector<UsageEntry> Parser::ResolvedUsages() const {
  std::vector<UsageEntry> entries = local_.usages;
  // A lone minimum or maximum stands for that single usage.
  for (const PendingBound* bound : {&local_.minimum, &local_.maximum}) {
    if (!bound->present) continue;
    UsageEntry entry;
    entry.explicit_page = bound->explicit_page;
    entry.page = bound->page;
    entry.min = entry.max = bound->usage;
    entries.push_back(entry);
  }
  for (auto& entry : entries) {
    if (!entry.explicit_page) entry.page = global_.usage_page;
  }
  return entries;
}

bool Parser::OpenCollection(std::uint32_t type) {
  if (node_stack_.size() >= kMaxCollectionDepth) return false;
  const std::vector<UsageEntry> entries = ResolvedUsages();
  HidLinkCollection node;
  if (!entries.empty()) {
    node.usage = entries.front().min;
    node.usage_page = entries.front().page;
  }
  node.collection_type = static_cast<std::uint8_t>(type);
  if (node_stack_.empty()) {
    if (collections_.size() >= kMaxTopLevelCollections) return false;
    CollectionBuild build;
    build.data.caps.usage = node.usage;
    build.data.caps.usage_page = node.usage_page;
    build.data.link_collections.push_back(node);
    collections_.push_back(std::move(build));
    node_stack_.push_back(0);
    return true;
  }
  auto& links = collections_.back().data.link_collections;
  if (links.size() >= kMaxCapsPerCollection) return false;
  node.parent = node_stack_.back();
  links.push_back(node);
  node_stack_.push_back(static_cast<std::uint16_t>(links.size() - 1));
  return true;
}

bool Parser::CloseCollection() {
  if (node_stack_.empty()) return false;
  node_stack_.pop_back();
  return true;
}

bool Parser::DataItem(ReportType type, std::uint32_t flags) {
  const std::uint64_t bits = static_cast<std::uint64_t>(global_.report_size) * global_.report_count;
  const auto id = static_cast<std::uint8_t>(global_.report_id);
  if (id == 0) data_without_report_id_ = true;
  auto& cursor_map = report_bits_[TypeIndex(type)];
  auto cursor = cursor_map.try_emplace(id, kReportIdBits).first;
  const std::uint64_t first_bit = cursor->second;
  if (bits > kMaxReportBits || first_bit + bits > kMaxReportBits) return false;
  if (bits != 0 &&
      (global_.report_size > kMaxFieldCount || global_.report_count > kMaxFieldCount)) {
    return false;
  }
  cursor->second = first_bit + bits;

  // Items outside every top-level collection take room in the report but belong to no path.
  if (node_stack_.empty()) return true;
  collections_.back().data.reports[TypeIndex(type)].report_ids.push_back(id);
  if (bits == 0 || (flags & kMainConstant) != 0) return true;
  const std::vector<UsageEntry> entries = ResolvedUsages();
  if (entries.empty()) return true;
  return AddCaps(type, flags, static_cast<std::uint32_t>(first_bit), entries);
}

bool Parser::AddCaps(ReportType type, std::uint32_t flags, std::uint32_t first_bit,
                     const std::vector<UsageEntry>& entries) {
  CollectionBuild& build = collections_.back();
  ReportTypeCaps& caps = build.data.reports[TypeIndex(type)];
  const std::uint16_t node = node_stack_.back();
  const HidLinkCollection& link = build.data.link_collections[node];
  std::uint32_t& data_index = build.data_indices[TypeIndex(type)];
  const std::uint32_t size = global_.report_size;
  const std::uint32_t count = global_.report_count;
  const std::int64_t logical_min = global_.logical.min;
  const std::int64_t logical_max = global_.logical.Max();
  const bool variable = (flags & kMainVariable) != 0;
  const bool absolute = (flags & kMainRelative) == 0;

  const auto take_indices = [&data_index](std::uint32_t n, std::uint16_t* lo, std::uint16_t* hi) {
    *lo = static_cast<std::uint16_t>(std::min<std::uint32_t>(data_index, 0xFFFF));
    data_index = std::min<std::uint32_t>(data_index + n, 0x10000);
    *hi = static_cast<std::uint16_t>(std::min<std::uint32_t>(data_index - 1, 0xFFFF));
  };
  const auto room_for = [&build, &caps](std::size_t elements) {
    return caps.button_caps.size() + caps.value_caps.size() < kMaxCapsPerCollection &&
           build.element_count + elements <= kMaxDataElementsPerCollection;
  };
  std::size_t& button_slots = build.button_slots[TypeIndex(type)];
  const auto room_for_slots = [&button_slots](std::size_t slots) {
    button_slots += slots;
    return button_slots <= kMaxButtonSlotsPerCollection;
  };

  if (!variable) {
    // Array: every slot holds an index into the item's usage list.
    if (!room_for_slots(count)) return false;
    std::uint32_t index_base = 0;
    for (const UsageEntry& entry : entries) {
      if (!room_for(1)) return false;
      HidButtonCaps cap;
      cap.usage_page = entry.page;
      cap.report_id = static_cast<std::uint8_t>(global_.report_id);
      cap.is_range = entry.is_range;
      cap.is_array = true;
      cap.is_absolute = absolute;
      cap.link_collection = node;
      cap.link_usage_page = link.usage_page;
      cap.link_usage = link.usage;
      cap.usage_min = entry.min;
      cap.usage_max = entry.max;
      take_indices(entry.Span(), &cap.data_index_min, &cap.data_index_max);
      cap.bit_offset = first_bit;
      cap.bit_size = static_cast<std::uint16_t>(size);
      cap.report_count = static_cast<std::uint16_t>(count);
      cap.logical_min = ClampToInt32(logical_min);
      cap.logical_max = ClampToInt32(logical_max);
      cap.array_index_base = index_base;
      index_base += entry.Span();
      caps.button_caps.push_back(cap);
      build.element_count += 1;
    }
    return true;
  }

  // Variable: the usages take the fields in order; a last single usage takes every field left,
  // fields beyond a last range stay without usage.
  std::uint32_t slot = 0;
  for (std::size_t i = 0; i < entries.size() && slot < count; ++i) {
    const UsageEntry& entry = entries[i];
    const bool last = i + 1 == entries.size();
    const std::uint32_t remaining = count - slot;
    std::uint32_t fields = std::min(entry.Span(), remaining);
    std::uint16_t usage_max = static_cast<std::uint16_t>(entry.min + fields - 1);
    if (!entry.is_range && last) fields = remaining;
    if (!entry.is_range) usage_max = entry.min;
    const std::uint32_t offset = first_bit + slot * size;
    const bool is_range = entry.is_range;
    const std::uint32_t usages = static_cast<std::uint32_t>(usage_max) - entry.min + 1;
    if (size == 1) {
      if (!room_for(1) || !room_for_slots(fields)) return false;
      HidButtonCaps cap;
      cap.usage_page = entry.page;
      cap.report_id = static_cast<std::uint8_t>(global_.report_id);
      cap.is_range = is_range;
      cap.is_absolute = absolute;
      cap.link_collection = node;
      cap.link_usage_page = link.usage_page;
      cap.link_usage = link.usage;
      cap.usage_min = entry.min;
      cap.usage_max = usage_max;
      take_indices(usages, &cap.data_index_min, &cap.data_index_max);
      cap.bit_offset = offset;
      cap.bit_size = 1;
      cap.report_count = static_cast<std::uint16_t>(fields);
      cap.logical_min = ClampToInt32(logical_min);
      cap.logical_max = ClampToInt32(logical_max);
      caps.button_caps.push_back(cap);
      build.element_count += 1;
    } else {
      if (!room_for(usages)) return false;
      HidValueCaps cap;
      cap.usage_page = entry.page;
      cap.report_id = static_cast<std::uint8_t>(global_.report_id);
      cap.is_range = is_range;
      cap.is_absolute = absolute;
      cap.has_null = (flags & kMainNullState) != 0;
      cap.link_collection = node;
      cap.link_usage_page = link.usage_page;
      cap.link_usage = link.usage;
      cap.usage_min = entry.min;
      cap.usage_max = usage_max;
      take_indices(usages, &cap.data_index_min, &cap.data_index_max);
      cap.bit_offset = offset;
      cap.bit_size = static_cast<std::uint16_t>(std::min<std::uint32_t>(size, 0xFFFF));
      cap.report_count = static_cast<std::uint16_t>(fields);
      cap.units = global_.unit;
      cap.unit_exponent = global_.unit_exponent;
      cap.logical_min = ClampToInt32(logical_min);
      cap.logical_max = ClampToInt32(logical_max);
      cap.physical_min = ClampToInt32(global_.physical.min);
      cap.physical_max = ClampToInt32(global_.physical.Max());
      caps.value_caps.push_back(cap);
      build.element_count += usages;
    }
    slot += fields;
  }
  return true;
}

// The low min(bit_size, 32) bits of the field at bit_offset; nullopt when the report ends
// before the field does.
std::optional<std::uint32_t> ExtractBits(std::span<const std::uint8_t> report,
                                         std::uint64_t bit_offset, std::uint32_t bit_size) {
  if (bit_size == 0 || bit_offset + bit_size > static_cast<std::uint64_t>(report.size()) * 8) {
    return std::nullopt;
  }
  const std::uint32_t bits = std::min(bit_size, kMaxValueBits);
  std::uint32_t value = 0;
  for (std::uint32_t i = 0; i < bits;) {
    const std::uint64_t at = bit_offset + i;
    const std::uint32_t shift = static_cast<std::uint32_t>(at % 8);
    const std::uint32_t take = std::min(8 - shift, bits - i);
    const std::uint32_t chunk = (report[at / 8] >> shift) & ((1u << take) - 1);
    value |= chunk << i;
    i += take;
  }
  return value;
}

std::int64_t SignExtend(std::uint32_t raw, std::uint32_t bit_size) {
  const std::uint32_t bits = std::min(bit_size, kMaxValueBits);
  if (bits == 0) return 0;
  if (bits == 32) return static_cast<std::int32_t>(raw);
  const std::uint32_t sign = 1u << (bits - 1);
  return static_cast<std::int64_t>(raw ^ sign) - static_cast<std::int64_t>(sign);
}

// Field value as a logical number: sign-extended when the logical range allows negatives.
std::int64_t LogicalValue(std::uint32_t raw, std::uint32_t bit_size, std::int32_t logical_min) {
  return logical_min < 0 ? SignExtend(raw, bit_size) : static_cast<std::int64_t>(raw);
}

// The value capability that carries usage in the report's id, with the status of the search.
struct ValueLookup {
  const HidValueCaps* cap = nullptr;
  HidStatus status = HidStatus::UsageNotFound;
};

ValueLookup FindValue(ReportType type, std::uint16_t usage_page, std::uint16_t usage,
                      std::span<const std::uint8_t> report, const PreparsedData& preparsed) {
  ValueLookup lookup;
  if (report.empty()) {
    lookup.status = HidStatus::InvalidReportLength;
    return lookup;
  }
  for (const HidValueCaps& cap : preparsed.Of(type).value_caps) {
    if (cap.usage_page != usage_page || usage < cap.usage_min || usage > cap.usage_max) continue;
    if (cap.report_id != report[0]) {
      lookup.status = HidStatus::IncompatibleReportId;
      continue;
    }
    lookup.cap = &cap;
    lookup.status = HidStatus::Success;
    return lookup;
  }
  return lookup;
}

std::optional<std::uint32_t> ReadValueField(const HidValueCaps& cap, std::uint16_t usage,
                                            std::span<const std::uint8_t> report) {
  const std::uint64_t index = cap.is_range ? static_cast<std::uint64_t>(usage - cap.usage_min) : 0;
  return ExtractBits(report, cap.bit_offset + index * cap.bit_size, cap.bit_size);
}

}  // namespace

bool PreparsedData::HasReportId(ReportType type, std::uint8_t report_id) const {
  const auto& ids = Of(type).report_ids;
  return std::binary_search(ids.begin(), ids.end(), report_id);
}

std::optional<std::vector<PreparsedData>> ParseReportDescriptor(
    std::span<const std::uint8_t> descriptor) {
  Parser parser;
  return parser.Run(descriptor);
}

std::uint32_t MaxUsageListLength(ReportType type, std::uint16_t usage_page,
                                 const PreparsedData& preparsed) {
  std::uint32_t total = 0;
  // The caps of one array field share its slots; count them once per field.
  std::set<std::pair<std::uint8_t, std::uint32_t>> arrays_seen;
  for (const HidButtonCaps& cap : preparsed.Of(type).button_caps) {
    if (usage_page != 0 && cap.usage_page != usage_page) continue;
    if (cap.is_array) {
      const std::pair<std::uint8_t, std::uint32_t> field{cap.report_id, cap.bit_offset};
      if (!arrays_seen.insert(field).second) continue;
    }
    total += cap.report_count;
  }
  return total;
}

std::vector<HidData> BuildDataElements(ReportType type, const PreparsedData& preparsed) {
  const ReportTypeCaps& caps = preparsed.Of(type);
  std::vector<HidData> elements;
  std::map<std::uint16_t, std::uint32_t> list_lengths;
  for (const HidButtonCaps& cap : caps.button_caps) {
    HidData element;
    element.is_button_data = true;
    element.usage_page = cap.usage_page;
    element.report_id = cap.report_id;
    element.button_data.usage_min = cap.usage_min;
    element.button_data.usage_max = cap.usage_max;
    // One length per usage page; computing it per capability would be quadratic.
    auto known = list_lengths.find(cap.usage_page);
    if (known == list_lengths.end()) {
      known =
          list_lengths.emplace(cap.usage_page, MaxUsageListLength(type, cap.usage_page, preparsed))
              .first;
    }
    element.button_data.max_usage_length = known->second;
    element.button_data.usages.assign(element.button_data.max_usage_length, 0);
    elements.push_back(std::move(element));
  }
  for (const HidValueCaps& cap : caps.value_caps) {
    for (std::uint32_t usage = cap.usage_min; usage <= cap.usage_max; ++usage) {
      HidData element;
      element.usage_page = cap.usage_page;
      element.report_id = cap.report_id;
      element.value_data.usage = static_cast<std::uint16_t>(usage);
      elements.push_back(std::move(element));
    }
  }
  return elements;
}

HidStatus GetUsages(ReportType type, std::uint16_t usage_page, std::span<std::uint16_t> usages,
                    std::uint32_t* usage_length, std::span<const std::uint8_t> report,
                    const PreparsedData& preparsed) {
  std::uint32_t found = 0;
  if (usage_length != nullptr) *usage_length = 0;
  if (report.empty()) return HidStatus::InvalidReportLength;
  const auto add = [&](std::uint16_t usage) {
    if (usage == 0) return;  // 0 is "no usage" on every page
    if (found < usages.size()) usages[found] = usage;
    ++found;
  };
  bool page_seen = false;
  bool report_seen = false;
  for (const HidButtonCaps& cap : preparsed.Of(type).button_caps) {
    if (usage_page != 0 && cap.usage_page != usage_page) continue;
    page_seen = true;
    if (cap.report_id != report[0]) continue;
    report_seen = true;
    if (!cap.is_array) {
      bool single_on = false;
      for (std::uint32_t i = 0; i < cap.report_count; ++i) {
        const auto bit = ExtractBits(report, static_cast<std::uint64_t>(cap.bit_offset) + i, 1);
        if (!bit) return HidStatus::InvalidReportLength;
        if (*bit == 0) continue;
        if (cap.is_range) {
          add(static_cast<std::uint16_t>(cap.usage_min + i));
        } else {
          single_on = true;
        }
      }
      if (single_on) add(cap.usage_min);
      continue;
    }
    const std::uint32_t span = static_cast<std::uint32_t>(cap.usage_max) - cap.usage_min + 1;
    for (std::uint32_t slot = 0; slot < cap.report_count; ++slot) {
      const auto raw = ExtractBits(
          report, cap.bit_offset + static_cast<std::uint64_t>(slot) * cap.bit_size, cap.bit_size);
      if (!raw) return HidStatus::InvalidReportLength;
      const std::int64_t value = LogicalValue(*raw, cap.bit_size, cap.logical_min);
      if (value < cap.logical_min || value > cap.logical_max) continue;  // empty slot
      const std::int64_t index = value - cap.logical_min - cap.array_index_base;
      if (index < 0 || index >= span) continue;  // another capability's usage
      add(static_cast<std::uint16_t>(cap.usage_min + index));
    }
  }
  if (!page_seen) return HidStatus::UsageNotFound;
  if (!report_seen) return HidStatus::IncompatibleReportId;
  if (usage_length != nullptr) *usage_length = found;
  return found > usages.size() ? HidStatus::BufferTooSmall : HidStatus::Success;
}

HidStatus GetUsageValue(ReportType type, std::uint16_t usage_page, std::uint16_t usage,
                        std::uint32_t* value, std::span<const std::uint8_t> report,
                        const PreparsedData& preparsed) {
  const ValueLookup lookup = FindValue(type, usage_page, usage, report, preparsed);
  if (lookup.cap == nullptr) return lookup.status;
  const auto raw = ReadValueField(*lookup.cap, usage, report);
  if (!raw) return HidStatus::InvalidReportLength;
  if (value != nullptr) *value = *raw;
  return HidStatus::Success;
}

HidStatus GetScaledUsageValue(ReportType type, std::uint16_t usage_page, std::uint16_t usage,
                              std::int32_t* value, std::span<const std::uint8_t> report,
                              const PreparsedData& preparsed) {
  if (value != nullptr) *value = 0;
  const ValueLookup lookup = FindValue(type, usage_page, usage, report, preparsed);
  if (lookup.cap == nullptr) return lookup.status;
  const HidValueCaps& cap = *lookup.cap;
  const auto raw = ReadValueField(cap, usage, report);
  if (!raw) return HidStatus::InvalidReportLength;
  if (cap.logical_min >= cap.logical_max) return HidStatus::BadLogPhyValues;
  const std::int64_t logical = LogicalValue(*raw, cap.bit_size, cap.logical_min);
  if (logical < cap.logical_min || logical > cap.logical_max) {
    return cap.has_null ? HidStatus::Null : HidStatus::ValueOutOfRange;
  }
  std::int64_t scaled = logical;
  if (cap.physical_min != 0 || cap.physical_max != 0) {
    if (cap.physical_min > cap.physical_max) return HidStatus::BadLogPhyValues;
    const WideInt numerator = static_cast<WideInt>(logical - cap.logical_min) *
                              (static_cast<WideInt>(cap.physical_max) - cap.physical_min);
    const WideInt denominator = static_cast<WideInt>(cap.logical_max) - cap.logical_min;
    scaled = static_cast<std::int64_t>(numerator / denominator) + cap.physical_min;
  }
  if (value != nullptr) *value = ClampToInt32(scaled);
  return HidStatus::Success;
}

bool UnpackReport(std::span<HidData> data, std::span<const std::uint8_t> report, ReportType type,
                  const PreparsedData& preparsed) {
  if (report.empty()) return false;
  const std::uint32_t report_id = report[0];
  for (HidData& element : data) {
    if (element.report_id != report_id) continue;
    if (element.is_button_data) {
      auto& button = element.button_data;
      if (button.usages.size() != button.max_usage_length) {
        button.usages.resize(button.max_usage_length);
      }
      std::uint32_t length = 0;
      element.status =
          GetUsages(type, element.usage_page, button.usages, &length, report, preparsed);
      if (element.status != HidStatus::Success && element.status != HidStatus::BufferTooSmall) {
        length = 0;
      }
      const std::size_t listed = std::min<std::size_t>(length, button.usages.size());
      std::size_t kept = 0;
      for (std::size_t i = 0; i < listed; ++i) {
        const std::uint16_t usage = button.usages[i];
        if (usage >= button.usage_min && usage <= button.usage_max) button.usages[kept++] = usage;
      }
      // Clearing the whole tail (not only the slot after the last usage) keeps usages of an
      // earlier report from lingering behind the terminator.
      std::fill(button.usages.begin() + static_cast<std::ptrdiff_t>(kept), button.usages.end(), 0);
    } else {
      auto& value = element.value_data;
      std::uint32_t raw = 0;
      const HidStatus status =
          GetUsageValue(type, element.usage_page, value.usage, &raw, report, preparsed);
      if (status != HidStatus::Success) {
        element.status = status;
        return false;
      }
      value.value = raw;
      element.status = GetScaledUsageValue(type, element.usage_page, value.usage,
                                           &value.scaled_value, report, preparsed);
    }
    element.is_data_set = true;
  }
  return true;
}

}  // namespace norvik::hid
