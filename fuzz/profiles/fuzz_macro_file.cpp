// Loads an arbitrary ".mac" file into the event rows, saves it back and reloads it, packs every
// event and builds the macro table from it. Saving must canonicalise every delay, keep the rows
// and the file in step, and produce a file that loads to the same rows.
//
// Input: the ".mac" file text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "devices/macro_table.h"
#include "fuzz_list_support.h"
#include "profiles/json_file_store.h"
#include "profiles/macro_list.h"
#include "profiles/user_files.h"

namespace {

using namespace norvik::profiles;
using norvik::fuzz::Check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  norvik::fuzz::Reset();
  const std::filesystem::path device = norvik::fuzz::Scratch() / "device";
  norvik::fuzz::Write(device / kMacroConfigFileName,
                      R"({"MacroInfo": [ {"MacroName": "m", "Guid": "g"} ]})");
  norvik::fuzz::Write(device / "g.mac", text);

  MacroList list(device);
  list.LoadMacroList();
  list.SelectMacro(0);
  const std::size_t loaded = list.Rows().size();
  for (const MacroEventRow& row : list.Rows()) {
    Check(CanonicalDelayText(row.delay_cell) == row.delay_cell);
    Check(ParseJsonText(row.event_text).isObject());
  }

  const std::vector<PackedMacroEvent> packed = ReadPackedEvents(device / "g.mac");
  Check(packed.size() == loaded);

  // A damaged cell is canonicalised on save.
  if (!list.Rows().empty()) list.Rows().front().delay_cell = std::string(text.substr(0, 12));
  Check(list.SaveMacro());
  for (const MacroEventRow& row : list.Rows()) {
    Check(CanonicalDelayText(row.delay_cell) == row.delay_cell);
  }
  const std::vector<MacroEventRow> saved = list.Rows();
  list.ReloadMacro();
  Check(list.Rows().size() == saved.size());
  const bool exact = !norvik::fuzz::ChangedByWriting(ParseJsonText(text));
  for (std::size_t i = 0; i < saved.size(); ++i) {
    Check(list.Rows()[i].delay_cell == saved[i].delay_cell);
    Check(list.Rows()[i].event_text == saved[i].event_text || !exact);
  }
  const Json::Value stored = JsonFileStore::ReadJson(device / "g.mac");
  Check(JsonInteger(stored["Version"]).value_or(0) == kMacroFileVersion);

  const norvik::devices::MacroTable table = norvik::devices::BuildMacroTableFromFolder(device, 255);
  if (table.status == norvik::devices::MacroTableStatus::Built) {
    norvik::fuzz::CheckTableLayout(table.bytes, 1);
  } else {
    Check(table.status == norvik::devices::MacroTableStatus::TooLarge && table.units_over > 0);
  }
  return 0;
}
