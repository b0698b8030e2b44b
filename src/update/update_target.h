#pragma once
// The updatable items (the application and each product's firmware), the key the update service
// knows them by, and the form we post for one item.

#include <array>
#include <string>
#include <string_view>

namespace norvik::update {

// One updatable item. Texts are UTF-8.
struct UpdateTarget {
  int hex_flag = 0;    // non-zero: versions are hexadecimal (firmware); also part of the key
  int key_number = 1;  // last number of the key
  int version = 0;     // installed version; 0 means "no key"
  std::string key_prefix;
  std::string target_type;  // "ALL" for the application, a product word for firmware
  std::string key_suffix;
  std::string name;          // shown in the update list
  std::string version_name;  // shown for decimal versions
  // Our addition: the device kind of the product whose firmware this row describes (1 keyboard,
  // 2 mouse, 3 mouse pad; 0 for the application), so the shell can fill in the version of a
  // present device without relying on the row order.
  int device_kind = 0;
};

inline constexpr std::string_view kApplicationTargetType = "ALL";

// The fixed update product table: the firmware of the mouse, the keyboard and the mouse pad
// (hex flags 1, 1, 2), then the application (hex flag 0, type "ALL", name "AP", version name
// "V0100"). Every row starts with key number 1 and version 0.
std::array<UpdateTarget, 4> MakeUpdateProductTable();

// "NULL" for version 0, otherwise prefix_<hex flag>_<type>_<suffix>_<key number>.
std::string MakeAppKey(const UpdateTarget& target);

// "app_key=<key>&version=<version>", the version in lower-case hex for hex targets and in decimal
// otherwise. Not URL-encoded: the service reads the key verbatim.
std::string BuildUpdateForm(const UpdateTarget& target, std::string_view app_key);

// The installed version as shown beside the server's: "V%04x" for hex targets, "V%d" otherwise.
std::string LocalVersionText(const UpdateTarget& target);

}  // namespace norvik::update
