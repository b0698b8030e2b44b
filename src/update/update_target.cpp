#include "update/update_target.h"

#include <cstdio>

namespace norvik::update {
namespace {

// Product constants agreed with the update service.
constexpr const char* kKeyPrefix = "NORVIK";
constexpr int kFirstKeyNumber = 1;

// Device kinds of the product list (see the HID interface table).
constexpr int kKindKeyboard = 1;
constexpr int kKindMouse = 2;
constexpr int kKindMousePad = 3;

UpdateTarget MakeRow(int hex_flag, const char* type, const char* model, const char* name,
                     const char* version_name, int device_kind) {
  UpdateTarget row;
  row.hex_flag = hex_flag;
  row.key_number = kFirstKeyNumber;
  row.version = 0;
  row.key_prefix = kKeyPrefix;
  row.target_type = type;
  row.key_suffix = model;
  row.name = name;
  row.version_name = version_name;
  row.device_kind = device_kind;
  return row;
}

}  // namespace

std::array<UpdateTarget, 4> MakeUpdateProductTable() {
  return {
      MakeRow(1, "MS", "GM700", "Norvik GM700 Mouse", "", kKindMouse),
      MakeRow(1, "KB", "GK980", "Norvik GK980 Keyboard", "", kKindKeyboard),
      MakeRow(2, "MP", "MP300", "Norvik MP300 Mouse Pad", "", kKindMousePad),
      MakeRow(0, "ALL", "QT4100", "AP", "V0100", 0),
  };
}

std::string MakeAppKey(const UpdateTarget& target) {
  if (target.version == 0) return "NULL";
  char numbers[2][16];
  std::snprintf(numbers[0], sizeof numbers[0], "%d", target.hex_flag);
  std::snprintf(numbers[1], sizeof numbers[1], "%d", target.key_number);
  std::string key = target.key_prefix;
  key.append("_").append(numbers[0]);
  key.append("_").append(target.target_type);
  key.append("_").append(target.key_suffix);
  key.append("_").append(numbers[1]);
  return key;
}

std::string BuildUpdateForm(const UpdateTarget& target, std::string_view app_key) {
  char version[16];
  if (target.hex_flag != 0) {
    std::snprintf(version, sizeof version, "%x", static_cast<unsigned>(target.version));
  } else {
    std::snprintf(version, sizeof version, "%d", target.version);
  }
  std::string form = "app_key=";
  form.append(app_key).append("&version=").append(version);
  return form;
}

std::string LocalVersionText(const UpdateTarget& target) {
  char text[16];
  if (target.hex_flag != 0) {
    std::snprintf(text, sizeof text, "V%04x", static_cast<unsigned>(target.version));
  } else {
    std::snprintf(text, sizeof text, "V%d", target.version);
  }
  return text;
}

}  // namespace norvik::update
