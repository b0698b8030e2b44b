#include "app/skin_frame.h"

#include <QAbstractButton>
#include <QColor>
#include <QPalette>
#include <QPointer>
#include <QSettings>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QVariant>
#include <algorithm>

#include "base/debug_trace.h"
#include "ui/dialog_builder.h"
#include "ui/file_dialogs.h"

namespace norvik::app {
namespace {

constexpr char kSkinLayout[] = "skin.xml";
constexpr char kImageButton[] = "skin_image_btn";
constexpr char kColourButton[] = "skin_color_btn";
constexpr char kColourPage[] = "skin_color";
constexpr char kImagePage[] = "skin_image";
constexpr char kReset[] = "skin_reset";
constexpr char kCustom[] = "skin_Custom";
constexpr char kSkinTab[] = "skin_tab";
constexpr char kUserDataProperty[] = "userdata";
constexpr char kBackgroundColourProperty[] = "bkcolor";
constexpr int kImagePageIndex = 0;
constexpr int kColourPageIndex = 1;
constexpr std::uint32_t kOpaqueAlpha = 0xFF000000U;

bool NameIs(const QString& name, const char* expected) {
  return name.compare(QLatin1String(expected), Qt::CaseInsensitive) == 0;
}

QString DefaultFileChooser(QWidget* parent) {
  return ui::AskOpenFileName(parent, QStringLiteral("(*.png) (*.png);;(*.*) (*)"));
}

}  // namespace

SkinObserver& SkinObserver::Instance() {
  static SkinObserver observer;
  return observer;
}

void SkinObserver::AddReceiver(SkinReceiver* receiver) {
  if (receiver == nullptr) return;
  const std::lock_guard lock(mutex_);
  if (!IsRegistered(receiver)) receivers_.push_back(receiver);
}

void SkinObserver::RemoveReceiver(SkinReceiver* receiver) {
  const std::lock_guard lock(mutex_);
  std::erase(receivers_, receiver);
}

bool SkinObserver::IsRegistered(SkinReceiver* receiver) const {
  return std::find(receivers_.begin(), receivers_.end(), receiver) != receivers_.end();
}

void SkinObserver::Broadcast(const SkinChangedParam& param) {
  // Receivers may add or remove receivers (themselves included) while being told.
  const std::lock_guard lock(mutex_);
  const std::vector<SkinReceiver*> snapshot = receivers_;
  for (SkinReceiver* receiver : snapshot) {
    if (IsRegistered(receiver)) receiver->OnSkinChanged(param);
  }
}

void WriteMainIni(const std::filesystem::path& user_folder, const QString& flags,
                  const QString& image) {
  std::error_code error;
  std::filesystem::create_directories(user_folder, error);
  if (error) return;
  const std::filesystem::path file = user_folder / kMainIniFile;
  QSettings ini(QString::fromStdString(file.string()), QSettings::IniFormat);
  ini.beginGroup(QLatin1String(kSkinImageSection));
  ini.setValue(QLatin1String(kSkinFlagsKey), flags);
  ini.setValue(QLatin1String(kSkinImageKey), image);
  ini.endGroup();
  ini.sync();
  if (ini.status() != QSettings::NoError) DebugTrace("main.ini write failed");
}

std::optional<std::uint32_t> ParseSkinColour(const QString& text) {
  QString digits = text.trimmed();
  if (digits.startsWith(QLatin1Char('#'))) {
    digits.remove(0, 1);
  } else if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
    digits.remove(0, 2);
  }
  if (digits.size() != 6 && digits.size() != 8) return std::nullopt;
  bool ok = false;
  const std::uint32_t value = digits.toUInt(&ok, 16);
  if (!ok) return std::nullopt;
  return digits.size() == 6 ? (value | kOpaqueAlpha) : value;
}

CSkinFrame::CSkinFrame(QWidget* owner, QWidget* anchor, std::filesystem::path user_folder,
                       FileChooser chooser)
    : QWidget(owner, Qt::Popup | Qt::FramelessWindowHint),
      anchor_(anchor),
      user_folder_(std::move(user_folder)),
      chooser_(std::move(chooser)),
      pump_(new ui::NotifyPump(this, this)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("skinframe"));
  setObjectName(QStringLiteral("UISkinFrame"));
}

CSkinFrame::~CSkinFrame() {
  // Children still lose the focus while QWidget tears them down, after this object is gone.
  pump_->Detach();
}

void CSkinFrame::Open() {
  root_ = ui::BuildLayout(QString::fromLatin1(kSkinLayout), nullptr, this);
  if (root_ == nullptr) {
    DebugTrace("skin.xml could not be built");
    close();
    return;
  }
  // The window keeps the layout's own size.
  const QSize layout_size = root_->size();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(root_);
  resize(layout_size.isValid() && !layout_size.isEmpty() ? layout_size : root_->sizeHint());
  pump_->Watch(this);

  QPoint top_right;
  if (anchor_ != nullptr) {
    top_right = anchor_->mapToGlobal(QPoint(anchor_->width(), anchor_->height()));
  } else if (parentWidget() != nullptr) {
    top_right = parentWidget()->mapToGlobal(QPoint(parentWidget()->width(), 0));
  }
  move(top_right.x() - width(), top_right.y());
  show();
  activateWindow();
  setFocus(Qt::PopupFocusReason);
}

void CSkinFrame::Notify(ui::TNotifyUI& msg) {
  if (msg.type != QLatin1String(ui::kNotifyClick)) return;
  const QString name = msg.SenderName();
  if (NameIs(name, kImageButton)) {
    const QString image = msg.sender->property(kUserDataProperty).toString();
    // A button without an image would only blank the main window's background.
    if (image.isEmpty()) return;
    SkinObserver::Instance().Broadcast({false, 0, image});
    WriteMainIni(user_folder_, QLatin1String(kSkinFlagsImage), image);
  } else if (NameIs(name, kColourButton)) {
    std::optional<std::uint32_t> colour =
        ParseSkinColour(msg.sender->property(kBackgroundColourProperty).toString());
    if (!colour) colour = msg.sender->palette().color(QPalette::Button).rgba();
    SkinObserver::Instance().Broadcast({true, *colour, QString()});
  } else if (NameIs(name, kColourPage)) {
    SelectSkinPage(kColourPageIndex);
  } else if (NameIs(name, kImagePage)) {
    SelectSkinPage(kImagePageIndex);
  } else if (NameIs(name, kReset)) {
    const QString image = QLatin1String(kDefaultBackground);
    SkinObserver::Instance().Broadcast({false, 0, image});
    WriteMainIni(user_folder_, QLatin1String(kSkinFlagsDefault), image);
  } else if (NameIs(name, kCustom)) {
    ChooseCustomImage();
  }
}

void CSkinFrame::SelectSkinPage(int page) {
  QWidget* tab = findChild<QWidget*>(QLatin1String(kSkinTab));
  if (auto* stack = qobject_cast<QStackedWidget*>(tab)) {
    if (page < stack->count()) stack->setCurrentIndex(page);
  } else if (auto* tabs = qobject_cast<QTabWidget*>(tab)) {
    if (page < tabs->count()) tabs->setCurrentIndex(page);
  }
}

void CSkinFrame::ChooseCustomImage() {
  // The dialog takes the focus, which closes the pop-up anyway; close it first so nothing of
  // it is touched while the dialog runs. Deletion waits until this handler has returned.
  FileChooser chooser = chooser_;
  QWidget* dialog_parent = parentWidget();
  close();
  const QString path = chooser ? chooser() : DefaultFileChooser(dialog_parent);
  if (path.isEmpty()) return;
  SkinObserver::Instance().Broadcast({false, 0, path});
}

}  // namespace norvik::app
