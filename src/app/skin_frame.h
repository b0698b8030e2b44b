#pragma once
// The skin chooser: a pop-up under the main window's "skinbtn" offering background colours,
// images, an image file of the user's choice and the default background. Choices reach the main
// window through the process-wide skin observer; image choices are also recorded in main.ini.

#include <QString>
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "ui/notify_pump.h"
#include "ui/ui_types.h"

namespace norvik::app {

struct SkinChangedParam {
  bool colour = false;                  // true: background_colour, else background_image
  std::uint32_t background_colour = 0;  // ARGB
  QString background_image;
};

class SkinReceiver {
 public:
  virtual ~SkinReceiver() = default;
  virtual void OnSkinChanged(const SkinChangedParam&) = 0;
};

// Process-wide, created on first use. Receivers are called on the broadcasting thread; a
// receiver removed during a broadcast is not called after its removal.
class SkinObserver {
 public:
  static SkinObserver& Instance();
  void AddReceiver(SkinReceiver* receiver);
  void RemoveReceiver(SkinReceiver* receiver);
  void Broadcast(const SkinChangedParam& param);

 private:
  SkinObserver() = default;
  bool IsRegistered(SkinReceiver* receiver) const;

  mutable std::recursive_mutex mutex_;
  std::vector<SkinReceiver*> receivers_;
};

inline constexpr char kDefaultBackground[] = "common/background.png";
inline constexpr char kMainIniFile[] = "main.ini";
inline constexpr char kSkinImageSection[] = "SKINIMAGE";
inline constexpr char kSkinFlagsKey[] = "FLAGS";
inline constexpr char kSkinImageKey[] = "IMAGE";
inline constexpr char kSkinFlagsDefault[] = "0";
inline constexpr char kSkinFlagsImage[] = "1";

// main.ini in the user folder, section "SKINIMAGE", keys "FLAGS" and "IMAGE"; failures ignored.
void WriteMainIni(const std::filesystem::path& user_folder, const QString& flags,
                  const QString& image);

// A colour written "#AARRGGBB", "#RRGGBB" (opaque), "0xAARRGGBB" or "AARRGGBB"; nothing for
// anything else.
std::optional<std::uint32_t> ParseSkinColour(const QString& text);

class CSkinFrame : public QWidget, public ui::INotifyUI {
  Q_OBJECT
 public:
  using FileChooser = std::function<QString()>;  // empty = cancelled; default QFileDialog

  // owner: the main window (the frame's Qt parent, so it never outlives it; may be null).
  // anchor: the control the frame opens under (may be null: then at the owner's top right).
  CSkinFrame(QWidget* owner, QWidget* anchor, std::filesystem::path user_folder,
             FileChooser chooser = {});
  ~CSkinFrame() override;

  // Builds "skin.xml", places right edge at anchor's right, top at its bottom, and shows the
  // pop-up. A layout that cannot be built closes (and so deletes) the frame at once.
  void Open();
  void Notify(ui::TNotifyUI& msg) override;

  QWidget* Root() const { return root_; }

 private:
  void SelectSkinPage(int page);
  void ChooseCustomImage();

  QWidget* anchor_;
  std::filesystem::path user_folder_;
  FileChooser chooser_;
  ui::NotifyPump* pump_;
  QWidget* root_ = nullptr;
};

}  // namespace norvik::app
