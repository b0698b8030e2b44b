// The program's own controls of the setting pages, offscreen: what the user's mouse does to them,
// the notifications they raise, and what they paint (pixels of grab()).

#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "panels/controls_buttons.h"
#include "panels/controls_views.h"
#include "panels_test_support.h"
#include "ui/control_factory.h"

namespace norvik::panels {
namespace {

using testing::NotifyRecorder;
using testing::SendMouse;
using testing::TempSkin;

std::string Hex(QRgb colour) {
  return QString::number(colour, 16).toUpper().toStdString();
}

QRgb PixelOf(QWidget& widget, QPoint at) {
  return widget.grab().toImage().pixel(at);
}

// A named control in a window whose notifications are recorded.
template <class Control>
class ControlRig {
 public:
  // args: the control's constructor arguments after the parent.
  template <class... Args>
  explicit ControlRig(QSize size, Args... args) {
    window_ = std::make_unique<QWidget>();
    control_ = new Control(window_.get(), args...);
    control_->setObjectName(QStringLiteral("control"));
    control_->setGeometry(QRect(QPoint(0, 0), size));
    pump_ = std::make_unique<ui::NotifyPump>(&recorder_);
    pump_->Watch(window_.get());
  }
  Control& control() { return *control_; }
  int Count(const char* type) const { return recorder_.Count(QLatin1String(type), "control"); }
  const NotifyRecorder& recorder() const { return recorder_; }

 private:
  NotifyRecorder recorder_;
  std::unique_ptr<QWidget> window_;
  std::unique_ptr<ui::NotifyPump> pump_;
  Control* control_ = nullptr;
};

// --- colour palette ---

// 360 x 256 hue-saturation square (one hue per pixel, saturation 255 at the top), then the gap
// and the brightness bar from y = 260.
constexpr QSize kPaletteSize(360, 256 + CColorPaletteUI::kGap + 12);
constexpr int kBarY = 265;

TEST(ColourPalette, APressAndReleasePicksTheColourThereAndNotifiesOnce) {
  struct Row {
    const char* what;
    QRgb start;
    QPoint press, release;
    QRgb picked;
    int notifications;
  };
  const std::vector<Row> rows = {
      {"green in the square", 0xFFFF0000, {120, 0}, {120, 0}, 0xFF00FF00, 1},
      {"no saturation is white", 0xFFFF0000, {240, 255}, {240, 255}, 0xFFFFFFFF, 1},
      {"the square keeps the brightness", 0xFF00007F, {0, 0}, {0, 0}, 0xFF7F0000, 1},
      {"the bar's left end is black", 0xFF0000FF, {0, kBarY}, {0, kBarY}, 0xFF000000, 1},
      {"the bar keeps hue and saturation", 0xFF00007F, {359, kBarY}, {359, kBarY}, 0xFF0000FF, 1},
      {"a drag picks where it ends", 0xFFFF0000, {60, 0}, {180, 0}, 0xFF00FFFF, 1},
      {"past the edge picks the edge", 0xFFFF0000, {120, 0}, {500, 900}, 0xFFFFFFFF, 1},
      {"the gap picks nothing", 0xFF123456, {100, 257}, {100, 257}, 0xFF123456, 0},
  };
  for (const Row& row : rows) {
    ControlRig<CColorPaletteUI> rig(kPaletteSize);
    CColorPaletteUI& palette = rig.control();
    palette.SetSelectColor(row.start);
    SendMouse(&palette, QEvent::MouseButtonPress, row.press);
    SendMouse(&palette, QEvent::MouseMove, (row.press + row.release) / 2);
    SendMouse(&palette, QEvent::MouseButtonRelease, row.release);
    EXPECT_EQ(Hex(palette.GetSelectColor()), Hex(row.picked)) << row.what;
    ASSERT_EQ(rig.Count(kNotifyColourChanged), row.notifications) << row.what;
    if (row.notifications == 1) {
      EXPECT_EQ(Hex(static_cast<QRgb>(rig.recorder().entries.back().wparam)), Hex(row.picked))
          << row.what;
    }
    // What the square shows under the mouse is the colour picked.
    if (row.press == row.release && palette.SquareArea().contains(row.press)) {
      EXPECT_EQ(Hex(PixelOf(palette, row.press)), Hex(row.picked)) << row.what;
    }
  }
}

TEST(ColourPalette, ColoursSetByTheProgramReadBackExactlyAndSendNothing) {
  ControlRig<CColorPaletteUI> rig(kPaletteSize);
  for (int r = 0; r < 256; r += 15) {
    for (int g = 0; g < 256; g += 17) {
      for (int b = 0; b < 256; b += 51) {
        const QRgb colour = qRgb(r, g, b);
        rig.control().SetSelectColor(colour & 0x00FFFFFF);  // no alpha given: opaque
        ASSERT_EQ(Hex(rig.control().GetSelectColor()), Hex(colour));
      }
    }
  }
  // Another mouse button picks nothing.
  QMouseEvent right(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10), Qt::RightButton,
                    Qt::RightButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&rig.control(), &right);
  SendMouse(&rig.control(), QEvent::MouseButtonRelease, {10, 10});
  EXPECT_EQ(rig.Count(kNotifyColourChanged), 0);
}

// --- ring progress ---

// Samples the ring at every 10 degrees from the bottom, clockwise on screen (5, 15, ... 355),
// and says which are in the foreground colour ('#'), which in the background ('.'), anything
// else '?'. The centre must stay white.
std::string RingSamples(CCircleProgressUI& ring) {
  const QImage image = ring.grab().toImage();
  const QPointF centre(image.width() / 2.0, image.height() / 2.0);
  const double radius = image.width() / 2.0 - CCircleProgressUI::kRingWidth / 2.0;
  std::string samples;
  for (int degrees = 5; degrees < 360; degrees += 10) {
    const double angle = degrees * std::numbers::pi / 180.0;
    const QPoint at = (centre + QPointF(-std::sin(angle), std::cos(angle)) * radius).toPoint();
    const QRgb pixel = image.pixel(at);
    samples += pixel == ring.ForegroundColour().rgb()   ? '#'
               : pixel == ring.BackgroundColour().rgb() ? '.'
                                                        : '?';
  }
  if (image.pixel(centre.toPoint()) != qRgb(255, 255, 255)) samples += " centre not white";
  return samples;
}

TEST(CircleProgress, PaintsItsArcInProportionToTheValue) {
  struct Row {
    int minimum, maximum, value;
    int filled_samples;  // of 36
  };
  const std::vector<Row> rows = {
      {0, 100, 0, 0},    {0, 100, 25, 9},   {0, 100, 50, 18},
      {0, 100, 100, 36}, {10, 110, 60, 18},  // measured from the minimum
      {0, 9, 4, 16},                         // 160 degrees: samples 5 .. 155
  };
  for (const Row& row : rows) {
    CCircleProgressUI ring;
    ring.resize(100, 100);
    ring.SetForegroundColour(QColor(255, 0, 0));
    ring.SetBackgroundColour(QColor(0, 0, 255));
    ring.setRange(row.minimum, row.maximum);
    ring.setValue(row.value);
    const std::string expected =
        std::string(row.filled_samples, '#') + std::string(36 - row.filled_samples, '.');
    EXPECT_EQ(RingSamples(ring), expected)
        << row.minimum << "-" << row.maximum << " at " << row.value;
  }
}

// --- record button ---

TEST(RecordButton, TheImageFadesDownToEightyAndBackUpInStepsOfTwenty) {
  CRedioMacroButtonUI button;
  std::vector<int> fades;
  for (int i = 0; i < 19; ++i) {
    button.PulseStep();
    fades.push_back(button.Fade());
  }
  EXPECT_EQ(fades, std::vector<int>(19, 255)) << "no image: nothing pulses";

  button.SetRecordImage(QStringLiteral("macro/record.png"));
  fades.clear();
  for (int i = 0; i < 19; ++i) {
    button.PulseStep();
    fades.push_back(button.Fade());
  }
  EXPECT_EQ(fades, (std::vector<int>{235, 215, 195, 175, 155, 135, 115, 95, 80, 100, 120, 140, 160,
                                     180, 200, 220, 240, 255, 235}));

  // The timer drives it while pulsing.
  button.StartPulsing();
  EXPECT_TRUE(button.IsPulsing());
  const int before = button.Fade();
  QTRY_VERIFY(button.Fade() != before);
  button.StopPulsing();
  EXPECT_FALSE(button.IsPulsing());
}

// --- image buttons ---

// The delete mark of a 100 x 80 button: x 70-89, y 51-70.
constexpr QSize kButtonSize(100, 80);
constexpr QPoint kOnMark(80, 60);
constexpr QPoint kOnImage(20, 20);

TEST(HandImgButton, AReleaseOverTheDeleteMarkDeletesAndElsewhereClicks) {
  struct Row {
    const char* what;
    bool deletable;
    QPoint press, release;
    int clicks, deletes;
  };
  const std::vector<Row> rows = {
      {"on the mark", true, kOnMark, kOnMark, 0, 1},
      {"on the image", true, kOnImage, kOnImage, 1, 0},
      {"pressed on the image, released on the mark", true, kOnImage, kOnMark, 0, 1},
      {"released outside", true, kOnMark, {150, 60}, 0, 0},
      {"no mark without deleting", false, kOnMark, kOnMark, 1, 0},
  };
  for (const Row& row : rows) {
    ControlRig<CHandImgButtonUI> rig(kButtonSize, row.deletable);
    SendMouse(&rig.control(), QEvent::MouseButtonPress, row.press);
    SendMouse(&rig.control(), QEvent::MouseButtonRelease, row.release);
    EXPECT_EQ(rig.Count("click"), row.clicks) << row.what;
    EXPECT_EQ(rig.Count(kNotifyHandDelete), row.deletes) << row.what;
    EXPECT_FALSE(rig.control().isDown()) << row.what;
  }
}

// Mouse enter and leave, sent as the window system sends them.
template <class Button>
void EnterAndLeave(Button& button) {
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), button.mapToGlobal(QPointF(5, 5)));
  QCoreApplication::sendEvent(&button, &enter);
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&button, &leave);
}

TEST(HandImgButton, HoverNotifiesWhileEnabledAndLightsTheMarkUnderTheMouse) {
  ControlRig<CHandImgButtonUI> rig(kButtonSize);
  CHandImgButtonUI& button = rig.control();
  button.SetDeleteNormalImage(QStringLiteral("delete.png"));
  button.SetDeleteHotImage(QStringLiteral("delete_hot.png"));
  SendMouse(&button, QEvent::MouseMove, kOnMark);
  EXPECT_EQ(button.CurrentDeleteImage(), QStringLiteral("delete_hot.png"));
  SendMouse(&button, QEvent::MouseMove, kOnImage);
  EXPECT_EQ(button.CurrentDeleteImage(), QStringLiteral("delete.png"));

  EnterAndLeave(button);
  button.setEnabled(false);
  EnterAndLeave(button);
  EXPECT_EQ(rig.Count(kNotifyMouseEnter), 1);
  EXPECT_EQ(rig.Count(kNotifyMouseLeave), 1);

  ControlRig<CHandImgSelectButtonUI> select(kButtonSize);
  EnterAndLeave(select.control());
  select.control().setEnabled(false);
  EnterAndLeave(select.control());
  EXPECT_EQ(select.Count(kNotifyMouseEnter), 1);
  EXPECT_EQ(select.Count(kNotifyMouseLeave), 1);
}

TEST(HandImgSelectButton, TakesTheNamedCursorAndShowsTheTopLeftOfALargerImage) {
  const std::vector<std::pair<const char*, Qt::CursorShape>> cursors =
      {
          {"hand", Qt::PointingHandCursor}, {"SizeWE", Qt::SizeHorCursor},
          {"no", Qt::ForbiddenCursor},      {"sizenesw", Qt::SizeBDiagCursor},
          {"bogus", Qt::ArrowCursor},  // unknown names leave the cursor alone
      };
  for (const auto& [name, shape] : cursors) {
    CHandImgSelectButtonUI button;
    button.setProperty("cursor", QString::fromLatin1(name));
    EXPECT_EQ(button.cursor().shape(), shape) << name;
  }

  // A 100 x 100 image, red in its top-left 40 x 40, green elsewhere.
  TempSkin skin;
  QImage picture(100, 100, QImage::Format_RGB32);
  picture.fill(Qt::green);
  QPainter(&picture).fillRect(0, 0, 40, 40, Qt::red);
  ASSERT_TRUE(picture.save(QString::fromStdString((skin.path() / "pic.png").string())));
  struct Row {
    int side;
    QPoint at;
    QRgb colour;
  };
  const std::vector<Row> rows = {
      {40, {2, 2}, qRgb(255, 0, 0)},
      {40, {37, 37}, qRgb(255, 0, 0)},  // unscaled: still the red corner
      {200, {10, 10}, qRgb(255, 0, 0)},
      {200, {190, 190}, qRgb(0, 255, 0)},  // smaller than the button: scaled over it
  };
  for (const Row& row : rows) {
    CHandImgSelectButtonUI button;
    button.resize(row.side, row.side);
    button.setProperty("handimage", QStringLiteral("file='pic.png'"));
    EXPECT_EQ(Hex(PixelOf(button, row.at)), Hex(row.colour)) << row.side;
  }
}

// --- chart ---

TEST(ChartView, PieSectorsAndBarsFollowTheValues) {
  struct Row {
    const char* what;
    const char* view;
    std::vector<double> values;
    QSize size;
    std::vector<std::pair<QPoint, int>> points;  // the item whose colour shows there; -1 none
  };
  const std::vector<Row> rows = {
      {"halves: the first from three o'clock clockwise",
       "pie",
       {1, 1},
       {100, 100},
       {{{50, 80}, 0}, {{50, 20}, 1}}},
      {"three quarters and one",
       "pie",
       {3, 1},
       {100, 100},
       {{{50, 80}, 0}, {{30, 30}, 0}, {{70, 30}, 1}}},
      {"negative and zero values take no sector",
       "pie",
       {-5, 0, 2},
       {100, 100},
       {{{50, 80}, 2}, {{50, 20}, 2}}},
      {"bars as high as their share of the largest",
       "histpgram",
       {2, 1},
       {200, 104},
       {{{50, 10}, 0}, {{50, 100}, 0}, {{150, 30}, -1}, {{150, 80}, 1}, {{10, 80}, -1}}},
      {"no items draw nothing", "pie", {}, {100, 100}, {{{50, 50}, -1}, {{50, 80}, -1}}},
  };
  for (const Row& row : rows) {
    CChartViewUI chart;
    chart.resize(row.size);
    chart.setProperty("view", QString::fromLatin1(row.view));
    for (const double value : row.values) chart.AddItem(QStringLiteral("item"), value);
    const QImage image = chart.grab().toImage();
    for (const auto& [at, item] : row.points) {
      const QRgb pixel = image.pixel(at);
      int shown = -1;
      for (int i = 0; i < static_cast<int>(row.values.size()); ++i) {
        if (pixel == CChartViewUI::ItemColour(i).rgb()) shown = i;
      }
      EXPECT_EQ(shown, item) << row.what << " at " << at.x() << "," << at.y();
    }
  }
}

// --- hosted window ---

TEST(WndHost, TheHostedWindowFollowsTheControlsPlaceAndVisibility) {
  QWidget window;
  window.setGeometry(100, 100, 300, 200);
  auto* host = new CWndUI(&window);
  host->setGeometry(20, 30, 100, 50);
  auto* child = new QWidget(&window);
  QWidget top_level;
  window.show();
  for (QWidget* hosted : {static_cast<QWidget*>(&top_level), child}) {
    host->SetHostedWindow(hosted);
    const auto expected = [&] {
      const QPoint corner = host->mapToGlobal(QPoint(0, 0));
      return hosted == child ? QRect(window.mapFromGlobal(corner), host->size())
                             : QRect(corner, host->size());
    };
    EXPECT_EQ(hosted->geometry(), expected());
    EXPECT_TRUE(hosted->isVisible());
    host->setGeometry(40, 60, 80, 20);
    EXPECT_EQ(hosted->geometry(), expected());
    EXPECT_EQ(hosted->geometry().size(), QSize(80, 20));
    host->hide();
    EXPECT_FALSE(hosted->isVisible());
    host->show();
    EXPECT_TRUE(hosted->isVisible());
    host->setGeometry(20, 30, 100, 50);
  }
  EXPECT_EQ(child->geometry(), QRect(20, 30, 100, 50));
  delete child;  // forgotten: moving the control afterwards is harmless
  host->move(0, 0);
  EXPECT_EQ(host->HostedWindow(), nullptr);
}

TEST(ControlFactory, TheColourPaletteIsMadeUnderItsLayoutTag) {
  QWidget parent;
  QWidget* made =
      ui::ControlFactory::Instance().CreateControl(QStringLiteral("ColorPalette"), &parent);
  EXPECT_NE(qobject_cast<CColorPaletteUI*>(made), nullptr);
}

}  // namespace
}  // namespace norvik::panels
