#include "ui/window_impl_base.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QMouseEvent>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>
#include <condition_variable>

#include "ui/dialog_builder.h"
#include "ui/resource_manager.h"

namespace norvik::ui {
namespace {

// Without a widget named "caption", this many pixels at the top drag the window.
constexpr int kDefaultCaptionHeight = 40;

struct PendingSend {
  unsigned msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT result = 0;
  bool done = false;
};

}  // namespace

// Shared by the window and every thread waiting in SendMessage, so a waiter never touches the
// window after it was released.
struct WindowImplBase::SendGate {
  std::mutex mutex;
  std::condition_variable answered;
  bool closing = false;
};

WindowImplBase::WindowImplBase(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      pump_(std::make_unique<NotifyPump>(this)),
      timers_(std::make_unique<ControlTimers>()),
      gate_(std::make_shared<SendGate>()) {}

WindowImplBase::~WindowImplBase() {
  BeginClosing();
  if (modal_loop_) modal_loop_->exit(close_code_);
  pump_->Detach();
}

bool WindowImplBase::Create() {
  if (root_) return true;
  root_ = BuildLayout(GetSkinFile(), this, this);
  if (!root_) return false;
  const bool sized = root_->testAttribute(Qt::WA_Resized);
  const QSize size = root_->size();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(root_);
  if (sized && !size.isEmpty()) setFixedSize(size);
  if (!root_->windowTitle().isEmpty()) setWindowTitle(root_->windowTitle());
  const QVariant title_key = root_->property(kWindowTitleKeyProperty);
  if (title_key.isValid()) setProperty(kWindowTitleKeyProperty, title_key);
  if (objectName().isEmpty()) setObjectName(GetWindowClassName());

  pump_->Watch(this);
  InitWindow();
  pump_->Watch(this);  // controls InitWindow added
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (root_) SendNotify(root_, kNotifyWindowInit);
      },
      Qt::QueuedConnection);
  return true;
}

LRESULT WindowImplBase::HandleCustomMessage(unsigned /*msg*/, WPARAM /*wParam*/, LPARAM /*lParam*/,
                                            bool& handled) {
  handled = false;
  return 0;
}

QWidget* WindowImplBase::CreateControl(const QString& /*class_name*/, QWidget* /*parent*/) {
  return nullptr;
}

QWidget* WindowImplBase::FindControl(const QString& name) const {
  return FindSubControl(this, name);
}

void WindowImplBase::SendNotify(QWidget* sender, const QString& type, WPARAM wParam,
                                LPARAM lParam) {
  pump_->SendNotify(sender, type, wParam, lParam);
}

LRESULT WindowImplBase::Dispatch(unsigned msg, WPARAM wParam, LPARAM lParam) {
  bool handled = false;
  return HandleCustomMessage(msg, wParam, lParam, handled);
}

void WindowImplBase::PostMessage(unsigned msg, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<SendGate> gate = gate_;
  // Posting under the gate: the destructor's BeginClosing cannot run between the check and the
  // post, so nothing is posted to a window being destroyed.
  std::lock_guard lock(gate->mutex);
  if (gate->closing) return;
  QMetaObject::invokeMethod(
      this,
      [this, msg, wParam, lParam] {
        if (!IsClosing()) Dispatch(msg, wParam, lParam);
      },
      Qt::QueuedConnection);
}

LRESULT WindowImplBase::SendMessage(unsigned msg, WPARAM wParam, LPARAM lParam) {
  if (QThread::currentThread() == thread()) return Dispatch(msg, wParam, lParam);

  // From here on only the shared gate and request are used: the window may be destroyed once
  // BeginClosing released this thread.
  std::shared_ptr<SendGate> gate = gate_;
  auto request = std::make_shared<PendingSend>();
  request->msg = msg;
  request->wParam = wParam;
  request->lParam = lParam;
  std::unique_lock lock(gate->mutex);
  if (gate->closing) return 0;
  QMetaObject::invokeMethod(
      this,
      [this, gate, request] {
        LRESULT result = 0;
        if (!IsClosing()) result = Dispatch(request->msg, request->wParam, request->lParam);
        {
          std::lock_guard answer_lock(gate->mutex);
          request->result = result;
          request->done = true;
        }
        gate->answered.notify_all();
      },
      Qt::QueuedConnection);
  gate->answered.wait(lock, [&] { return request->done || gate->closing; });
  return request->done ? request->result : 0;
}

void WindowImplBase::BeginClosing() {
  {
    std::lock_guard lock(gate_->mutex);
    gate_->closing = true;
  }
  gate_->answered.notify_all();
}

bool WindowImplBase::IsClosing() const {
  std::lock_guard lock(gate_->mutex);
  return gate_->closing;
}

int WindowImplBase::ShowModal() {
  if (modal_loop_) return -1;
  QEventLoop loop;
  modal_loop_ = &loop;
  close_code_ = 0;
  setWindowModality(Qt::ApplicationModal);
  show();
  raise();
  activateWindow();
  QPointer<WindowImplBase> self(this);
  const int code = loop.exec(QEventLoop::DialogExec);
  if (self) {
    modal_loop_ = nullptr;
    setWindowModality(Qt::NonModal);  // a later plain show() is modeless
  }
  return code;
}

void WindowImplBase::Close(int code) {
  close_code_ = code;
  if (modal_loop_) {
    QEventLoop* loop = modal_loop_;
    modal_loop_ = nullptr;
    loop->exit(code);
  }
  closing_with_code_ = true;
  QPointer<WindowImplBase> self(this);
  QWidget::close();
  if (self) closing_with_code_ = false;
}

void WindowImplBase::CenterWindow() {
  QRect area;
  const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
  if (owner && owner->isVisible()) {
    area = owner->frameGeometry();
  } else if (const QScreen* display = screen()) {
    area = display->availableGeometry();
  } else {
    return;
  }
  move(area.center() - rect().center());
}

void WindowImplBase::closeEvent(QCloseEvent* event) {
  // Closed by the user or the system rather than by Close(code): a modal run ends with 0.
  if (!closing_with_code_) close_code_ = 0;
  if (modal_loop_) {
    QEventLoop* loop = modal_loop_;
    modal_loop_ = nullptr;
    loop->exit(close_code_);
  }
  event->accept();
  OnFinalMessage();
}

void WindowImplBase::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (root_) {
    SendNotify(root_, kNotifyWindowSize, static_cast<WPARAM>(width()), height());
  }
}

bool WindowImplBase::InCaption(const QPoint& pos) const {
  if (const QWidget* caption = FindControl(QStringLiteral("caption"))) {
    return QRect(caption->mapTo(this, QPoint(0, 0)), caption->size()).contains(pos);
  }
  return pos.y() >= 0 && pos.y() < kDefaultCaptionHeight;
}

void WindowImplBase::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && InCaption(event->position().toPoint())) {
    dragging_ = true;
    drag_offset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

void WindowImplBase::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton)) {
    move(event->globalPosition().toPoint() - drag_offset_);
    event->accept();
    return;
  }
  QWidget::mouseMoveEvent(event);
}

void WindowImplBase::mouseReleaseEvent(QMouseEvent* event) {
  if (dragging_ && event->button() == Qt::LeftButton) {
    dragging_ = false;
    event->accept();
    return;
  }
  QWidget::mouseReleaseEvent(event);
}

WindowImplBase* WindowOf(const QWidget* control) {
  for (QWidget* widget = const_cast<QWidget*>(control); widget; widget = widget->parentWidget()) {
    if (auto* window = qobject_cast<WindowImplBase*>(widget)) return window;
  }
  return nullptr;
}

QWidget* FindSubControl(const QWidget* parent, const QString& name) {
  if (!parent || name.isEmpty()) return nullptr;
  if (parent->objectName() == name) return const_cast<QWidget*>(parent);
  return parent->findChild<QWidget*>(name);
}

bool SetControlTimer(QWidget* control, int id, int period_ms) {
  WindowImplBase* window = WindowOf(control);
  if (!window) return false;
  window->Timers().SetTimer(control, id, period_ms);
  return true;
}

void KillControlTimer(QWidget* control, int id) {
  if (WindowImplBase* window = WindowOf(control)) window->Timers().KillTimer(control, id);
}

}  // namespace norvik::ui
