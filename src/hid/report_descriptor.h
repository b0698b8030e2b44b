#pragma once
// Report-descriptor parsing and report unpacking: our replacement for the platform's HidP_*
// parser. A descriptor is split into its top-level collections; each gets the capability
// records, report lengths and bit positions that HidDevice needs to build and fill its data
// elements.
//
// Report buffers always start with the report id byte (0 when the descriptor uses no report
// ids), as the platform delivers them; every bit offset below counts from the start of that
// buffer, so the first data bit of any report is bit 8.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace norvik::hid {

enum class ReportType : std::uint8_t { Input = 0, Output = 1, Feature = 2 };
inline constexpr std::size_t kReportTypeCount = 3;

// Status values of the parse and unpack calls, numbered as the platform's HIDP_STATUS_* codes
// so that traces read the same on every platform.
enum class HidStatus : std::uint32_t {
  Success = 0x00110000,
  Null = 0x80110001,  // the field holds its null (out of range) value
  InvalidPreparsedData = 0xC0110001,
  InvalidReportType = 0xC0110002,
  InvalidReportLength = 0xC0110003,  // the report is too short for the field
  UsageNotFound = 0xC0110004,
  ValueOutOfRange = 0xC0110005,
  BadLogPhyValues = 0xC0110006,
  BufferTooSmall = 0xC0110007,
  IncompatibleReportId = 0xC011000A,
};

// Summary of one top-level collection (the platform's HIDP_CAPS). Report byte lengths include
// the report id byte and are those of the longest report of that type; 0 when the collection
// has no report of that type.
struct HidCaps {
  std::uint16_t usage = 0;
  std::uint16_t usage_page = 0;
  std::uint16_t input_report_byte_length = 0;
  std::uint16_t output_report_byte_length = 0;
  std::uint16_t feature_report_byte_length = 0;
  std::uint16_t number_link_collection_nodes = 0;
  std::uint16_t number_input_button_caps = 0;
  std::uint16_t number_input_value_caps = 0;
  std::uint16_t number_input_data_indices = 0;
  std::uint16_t number_output_button_caps = 0;
  std::uint16_t number_output_value_caps = 0;
  std::uint16_t number_output_data_indices = 0;
  std::uint16_t number_feature_button_caps = 0;
  std::uint16_t number_feature_value_caps = 0;
  std::uint16_t number_feature_data_indices = 0;
};

// Collection item types of the descriptor.
enum class CollectionType : std::uint8_t {
  Physical = 0x00,
  Application = 0x01,
  Logical = 0x02,
  Report = 0x03,
  NamedArray = 0x04,
  UsageSwitch = 0x05,
  UsageModifier = 0x06,
};

// One collection node inside a top-level collection; node 0 is the top-level collection.
struct HidLinkCollection {
  std::uint16_t usage = 0;
  std::uint16_t usage_page = 0;
  std::uint16_t parent = 0;  // index of the enclosing node (0 for node 0 itself)
  std::uint8_t collection_type = 0;
};

// One button capability: a run of on/off usages of one usage page in one report.
// Variable fields carry one bit per usage (usage_min at bit_offset, the next usage at the next
// bit, ...; a single usage may span report_count bits). Array fields carry report_count slots of
// bit_size bits, each holding an index; index (value - logical_min) selects usage
// usage_min + (index - array_index_base) when it falls into this capability's share of the
// field's usage list.
struct HidButtonCaps {
  std::uint16_t usage_page = 0;
  std::uint8_t report_id = 0;
  bool is_range = false;
  bool is_array = false;
  bool is_absolute = true;
  std::uint16_t link_collection = 0;
  std::uint16_t link_usage_page = 0;
  std::uint16_t link_usage = 0;
  std::uint16_t usage_min = 0;  // equal to usage_max when not a range
  std::uint16_t usage_max = 0;
  std::uint16_t data_index_min = 0;
  std::uint16_t data_index_max = 0;
  std::uint32_t bit_offset = 0;
  std::uint16_t bit_size = 1;
  std::uint16_t report_count = 1;
  std::int32_t logical_min = 0;  // array fields: the index range
  std::int32_t logical_max = 0;
  std::uint32_t array_index_base = 0;
};

// One value capability: a usage (or a range of usages, one field each) with a numeric field.
// A single usage with report_count > 1 is a value array; its first field is its value.
struct HidValueCaps {
  std::uint16_t usage_page = 0;
  std::uint8_t report_id = 0;
  bool is_range = false;
  bool is_absolute = true;
  bool has_null = false;
  std::uint16_t link_collection = 0;
  std::uint16_t link_usage_page = 0;
  std::uint16_t link_usage = 0;
  std::uint16_t usage_min = 0;  // equal to usage_max when not a range
  std::uint16_t usage_max = 0;
  std::uint16_t data_index_min = 0;
  std::uint16_t data_index_max = 0;
  std::uint32_t bit_offset = 0;  // of usage_min's field
  std::uint16_t bit_size = 0;
  std::uint16_t report_count = 1;
  std::uint32_t units = 0;
  std::uint32_t unit_exponent = 0;
  std::int32_t logical_min = 0;
  std::int32_t logical_max = 0;
  std::int32_t physical_min = 0;
  std::int32_t physical_max = 0;
};

// The capabilities of one report type within one top-level collection.
struct ReportTypeCaps {
  std::vector<HidButtonCaps> button_caps;
  std::vector<HidValueCaps> value_caps;
  std::vector<std::uint8_t> report_ids;  // ids with at least one field of this type, ascending
};

// The parsed capabilities of one top-level collection (the platform's preparsed data).
struct PreparsedData {
  HidCaps caps;
  std::vector<HidLinkCollection> link_collections;
  std::array<ReportTypeCaps, kReportTypeCount> reports;
  // True when the descriptor as a whole declares report ids (then every report starts with a
  // non-zero id); false when every report's id byte is 0.
  bool uses_report_ids = false;

  const ReportTypeCaps& Of(ReportType type) const {
    return reports[static_cast<std::size_t>(type)];
  }
  // True when a report of this type with this id belongs to the collection.
  bool HasReportId(ReportType type, std::uint8_t report_id) const;
};

// One data element of a report (the element record HidDevice keeps per report type).
struct HidData {
  bool is_button_data = false;
  std::uint8_t reserved = 0;
  std::uint16_t usage_page = 0;
  HidStatus status = HidStatus::Success;  // of the last unpack of this element
  std::uint32_t report_id = 0;
  bool is_data_set = false;

  struct ButtonPart {
    std::uint16_t usage_min = 0;
    std::uint16_t usage_max = 0;
    std::uint32_t max_usage_length = 0;  // capacity of usages
    std::vector<std::uint16_t> usages;   // max_usage_length entries; 0 ends the list
  } button_data;

  struct ValuePart {
    std::uint16_t usage = 0;
    std::uint16_t reserved = 0;
    std::uint32_t value = 0;        // raw field bits
    std::int32_t scaled_value = 0;  // in physical units
  } value_data;
};

// Bounds of what the parser accepts; anything beyond them is treated as a malformed descriptor.
inline constexpr std::size_t kMaxReportDescriptorLength = 65536;
inline constexpr std::size_t kMaxCollectionDepth = 32;
inline constexpr std::size_t kMaxGlobalStackDepth = 16;
inline constexpr std::size_t kMaxLocalUsages = 1024;   // usage items before one main item
inline constexpr std::size_t kMaxReportBytes = 16384;  // per report id, id byte included
inline constexpr std::size_t kMaxTopLevelCollections = 255;
inline constexpr std::size_t kMaxCapsPerCollection = 1024;  // button and value caps, per type
inline constexpr std::size_t kMaxDataElementsPerCollection = 16384;
inline constexpr std::size_t kMaxButtonSlotsPerCollection = 4096;  // per report type
inline constexpr std::size_t kMaxFieldCount = 0xFFFF;  // report count and size of one item

// Parses a report descriptor into its top-level collections, in descriptor order (collection
// number n is element n - 1). nullopt when the descriptor is malformed, exceeds the bounds
// above, or declares no top-level collection.
std::optional<std::vector<PreparsedData>> ParseReportDescriptor(
    std::span<const std::uint8_t> descriptor);

// Most usages HidP_GetUsages can return for this report type and usage page (0 = any page):
// one per variable bit plus one per array slot.
std::uint32_t MaxUsageListLength(ReportType type, std::uint16_t usage_page,
                                 const PreparsedData& preparsed);

// The data elements of one report type, built as HidDevice does at open: one button element
// per button capability, then one value element per usage of each value capability.
std::vector<HidData> BuildDataElements(ReportType type, const PreparsedData& preparsed);

// The on usages of usage_page (0 = any) in report, in capability order, without usage 0.
// On BufferTooSmall *usage_length holds the count needed and usages holds the first ones.
HidStatus GetUsages(ReportType type, std::uint16_t usage_page, std::span<std::uint16_t> usages,
                    std::uint32_t* usage_length, std::span<const std::uint8_t> report,
                    const PreparsedData& preparsed);

// The raw bits of the (first) field of usage in report.
HidStatus GetUsageValue(ReportType type, std::uint16_t usage_page, std::uint16_t usage,
                        std::uint32_t* value, std::span<const std::uint8_t> report,
                        const PreparsedData& preparsed);

// The field's logical value scaled to the physical range (the logical value itself when no
// physical range is declared).
HidStatus GetScaledUsageValue(ReportType type, std::uint16_t usage_page, std::uint16_t usage,
                              std::int32_t* value, std::span<const std::uint8_t> report,
                              const PreparsedData& preparsed);

// Fills the elements whose report id equals report[0] from report; leaves the others
// untouched. False when the report is empty or a value cannot be extracted (elements filled
// before that keep their values).
bool UnpackReport(std::span<HidData> data, std::span<const std::uint8_t> report, ReportType type,
                  const PreparsedData& preparsed);

}  // namespace norvik::hid
