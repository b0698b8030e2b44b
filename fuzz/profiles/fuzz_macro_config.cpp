// Loads a macro list from arbitrary "macro.config" bytes, then selects, creates, renames, saves
// and deletes macros and builds the device's macro table. The list must stay consistent with the
// stored file, and no file may be read, written or removed outside the device folder.
//
// Input: the "macro.config" text; its first bytes also choose the operations.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "devices/macro_table.h"
#include "fuzz_list_support.h"
#include "profiles/macro_list.h"

namespace {

using namespace norvik::profiles;
using norvik::fuzz::Check;

void CheckStored(const MacroList& list) {
  MacroList again(list.Folder());
  again.LoadMacroList();
  Check(again.Count() == list.Count());
  for (int i = 0; i < list.Count(); ++i) {
    Check(again.Entries()[static_cast<std::size_t>(i)].name ==
          list.Entries()[static_cast<std::size_t>(i)].name);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  norvik::fuzz::Reset();
  const std::filesystem::path root = norvik::fuzz::Scratch();
  const std::filesystem::path device = root / "device";
  norvik::fuzz::Write(device / kMacroConfigFileName, text);
  norvik::fuzz::Write(root / "outside.mac", R"({"Events": [ {"Action": "down"} ]})");

  MacroList list(device);
  list.LoadMacroList();
  Check(list.CurrentMacroIndex() == -1);
  const int loaded = list.Count();
  for (int i = 0; i < loaded && i < 64; ++i) {
    list.SelectMacro(i);
    Check(list.CurrentMacroIndex() == i);
    if (const auto file = list.EventFilePath(i)) Check(file->parent_path() == device);
  }

  const std::size_t steps = std::min<std::size_t>(size, 6);
  for (std::size_t k = 0; k < steps; ++k) {
    const auto op = static_cast<unsigned char>(text[k]);
    const int before = list.Count();
    switch (op % 5) {
      case 0: {
        const bool made = list.NewMacro().has_value();
        Check(made == (before < kMaxMacros));
        Check(list.Count() == before + (made ? 1 : 0));
        break;
      }
      case 1:
        list.SelectMacro(before == 0 ? -1 : op % before);
        if (list.DeleteMacro() >= 0) Check(list.Count() == before - 1);
        break;
      case 2:
        list.SelectMacro(before == 0 ? -1 : op % before);
        list.RenameMacro(text.substr(k, 16));
        break;
      case 3:
        list.SelectMacro(before == 0 ? -1 : op % before);
        list.Rows().push_back({std::string(text.substr(0, 8)), R"({"Action":"down","Type":10})"});
        list.SaveMacro();
        break;
      default: {
        const norvik::devices::MacroTable table =
            norvik::devices::BuildMacroTableFromFolder(device, op);
        if (table.status == norvik::devices::MacroTableStatus::Built) {
          norvik::fuzz::CheckTableLayout(table.bytes, static_cast<std::size_t>(list.Count()));
        }
        break;
      }
    }
    CheckStored(list);
  }

  // Nothing escaped the device folder.
  for (const std::string& name : norvik::fuzz::Listing(root)) {
    Check(name == "device" || name == "outside.mac");
  }
  Check(norvik::fuzz::Listing(root / "device").size() <= 2 + kMaxMacros);
  return 0;
}
