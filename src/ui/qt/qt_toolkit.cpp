#include "ui/qt/qt_toolkit.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDesktopServices>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <deque>
#include <future>
#include <limits>
#include <map>
#include <mutex>
#include <thread>

#include "ui/qt/widgets.h"

namespace netdisk::ui {

using qt::display_text;

namespace {

Qt::Alignment horizontal(Align align) {
  switch (align) {
    case Align::centre:
      return Qt::AlignHCenter;
    case Align::right:
      return Qt::AlignRight;
    default:
      return Qt::AlignLeft;
  }
}

QColor button_face() { return QGuiApplication::palette().color(QPalette::Button); }

}  // namespace

struct QtToolkit::Gui {
  explicit Gui(QtToolkit& owner);
  ~Gui();

  bool on_gui_thread() const { return std::this_thread::get_id() == thread; }
  // Any thread: have the window's thread run apply_changes and run_tasks soon.
  void wake();
  // Any thread: run task on the window's thread.
  void post(std::function<void()> task);
  void on_wake();
  void apply_changes();
  void apply(ControlModel::Change& change);
  void run_tasks();
  void build(const WindowLayout& layout);
  QWidget* widget(std::string_view name) const;
  void run_binding(const std::vector<std::pair<Text, Handler>>& bound, std::string_view name);
  int ask(std::string_view text, std::string_view title);
  void open(const Text& address);

  QtToolkit& owner;
  std::unique_ptr<QApplication> own_app;
  const std::thread::id thread = std::this_thread::get_id();
  int wake_read = -1;
  int wake_write = -1;
  std::unique_ptr<QSocketNotifier> notifier;
  std::atomic<bool> wake_pending{false};
  std::mutex task_mutex;
  std::deque<std::function<void()>> tasks;
  std::unique_ptr<qt::MainWindow> window;
  std::map<Text, QWidget*, std::less<>> widgets;
  EventBindings bindings;
  std::function<void(const Text&)> opener;
  bool applying = false;
};

QtToolkit::Gui::Gui(QtToolkit& toolkit) : owner(toolkit) {
  if (!QApplication::instance()) {
    // The program takes no command line; Qt gets only a program name.
    static int argc = 1;
    static char name[] = "netdisk-search";
    static char* argv[] = {name, nullptr};
    own_app = std::make_unique<QApplication>(argc, argv);
  }
  int fds[2];
  if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
    wake_read = fds[0];
    wake_write = fds[1];
    notifier = std::make_unique<QSocketNotifier>(wake_read, QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(),
                     [this] { on_wake(); });
  }
}

QtToolkit::Gui::~Gui() {
  window.reset();
  notifier.reset();
  if (wake_read >= 0) ::close(wake_read);
  if (wake_write >= 0) ::close(wake_write);
}

void QtToolkit::Gui::wake() {
  if (wake_pending.exchange(true, std::memory_order_acq_rel) || wake_write < 0) return;
  const char byte = 1;
  // A full pipe already holds a wake-up, so a failed write loses nothing.
  const auto written = ::write(wake_write, &byte, 1);
  (void)written;
}

void QtToolkit::Gui::post(std::function<void()> task) {
  {
    std::lock_guard lock(task_mutex);
    tasks.push_back(std::move(task));
  }
  wake();
}

void QtToolkit::Gui::on_wake() {
  // Empty the pipe before clearing the flag: a writer that finds the flag clear
  // writes a fresh byte that the next activation sees.
  char buffer[64];
  while (::read(wake_read, buffer, sizeof buffer) > 0) {
  }
  wake_pending.store(false, std::memory_order_release);
  apply_changes();
  run_tasks();
}

void QtToolkit::Gui::apply_changes() {
  // A nested call (from a signal while applying) leaves the rest to the outer loop,
  // which keeps the changes in the order they were made.
  if (applying) return;
  applying = true;
  try {
    for (;;) {
      std::vector<ControlModel::Change> changes = owner.state.take_changes();
      if (changes.empty()) break;
      for (ControlModel::Change& change : changes) apply(change);
    }
  } catch (...) {
    // Out of memory while mirroring: the model still holds the truth.
  }
  applying = false;
}

void QtToolkit::Gui::apply(ControlModel::Change& change) {
  QWidget* target = widget(change.control);
  if (!target) return;
  using Kind = ControlModel::Change::Kind;
  switch (change.kind) {
    case Kind::text: {
      // The model's current text, not the logged one: the user may have typed since.
      const QString shown = display_text(owner.state.text(change.control));
      if (auto* label = qobject_cast<QLabel*>(target)) {
        label->setText(shown);
      } else if (auto* edit = qobject_cast<QLineEdit*>(target)) {
        if (edit->text() != shown) edit->setText(shown);
      } else if (auto* button = qobject_cast<QPushButton*>(target)) {
        button->setText(shown);
      }
      break;
    }
    case Kind::rows_cleared:
      if (auto* list = qobject_cast<qt::ListView*>(target)) list->rows().clear_rows();
      break;
    case Kind::row_appended:
      if (auto* list = qobject_cast<qt::ListView*>(target)) list->rows().grow_to(change.row + 1);
      break;
    case Kind::cell:
      if (auto* list = qobject_cast<qt::ListView*>(target)) {
        list->rows().set_cell(change.row, change.column, std::move(change.text));
      }
      break;
    case Kind::picture:
      if (auto* box = qobject_cast<qt::PictureBox*>(target)) {
        box->set_image(qt::decode_picture(change.picture));
      }
      break;
    case Kind::display_mode:
      if (auto* box = qobject_cast<qt::PictureBox*>(target)) {
        box->set_display_mode(owner.state.display_mode(change.control));
      }
      break;
  }
}

void QtToolkit::Gui::run_tasks() {
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard lock(task_mutex);
      if (tasks.empty()) return;
      task = std::move(tasks.front());
      tasks.pop_front();
    }
    run_quietly(task);
  }
}

QWidget* QtToolkit::Gui::widget(std::string_view name) const {
  auto it = widgets.find(name);
  return it != widgets.end() ? it->second : nullptr;
}

void QtToolkit::Gui::run_binding(const std::vector<std::pair<Text, Handler>>& bound,
                                 std::string_view name) {
  for (const auto& [control, handler] : bound) {
    if (control == name) {
      const Handler copy = handler;  // the handler may load a new window
      run_quietly(copy);
      return;
    }
  }
}

void QtToolkit::Gui::build(const WindowLayout& layout) {
  window = std::make_unique<qt::MainWindow>(layout.outer_width, layout.outer_height);
  window->setWindowTitle(display_text(layout.caption));
  QPalette window_palette = window->palette();
  window_palette.setColor(QPalette::Window, button_face());
  window->setPalette(window_palette);
  if (const QImage icon = qt::decode_picture(layout.icon); !icon.isNull()) {
    window->setWindowIcon(QIcon(QPixmap::fromImage(icon)));
  }

  for (const ControlLayout& c : layout.controls) {
    QWidget* parent = c.parent.empty() ? window.get() : widget(c.parent);
    if (!parent) parent = window.get();
    const QColor background = c.background ? qt::to_qcolor(*c.background) : button_face();
    const Text name = c.name;
    QWidget* made = nullptr;
    switch (c.kind) {
      case ControlKind::frame_box:
        made = new qt::FrameBox(parent, background,
                                c.border_color ? qt::to_qcolor(*c.border_color)
                                               : QColor(Qt::transparent));
        break;
      case ControlKind::label: {
        auto* label = new QLabel(parent);
        // Captions carry web text; never read them as markup.
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(false);
        label->setMargin(0);
        label->setIndent(0);
        label->setAlignment(horizontal(c.align) | Qt::AlignVCenter);
        label->setText(display_text(c.caption));
        QPalette palette = label->palette();
        if (c.text_color) palette.setColor(QPalette::WindowText, qt::to_qcolor(*c.text_color));
        if (c.background) {
          palette.setColor(QPalette::Window, background);
          label->setAutoFillBackground(true);
        }
        label->setPalette(palette);
        made = label;
        break;
      }
      case ControlKind::edit_box: {
        auto* edit = new QLineEdit(parent);
        edit->setMaxLength(std::numeric_limits<int>::max());
        edit->setFrame(true);
        edit->setText(display_text(c.caption));
        QPalette palette = edit->palette();
        if (c.background) palette.setColor(QPalette::Base, background);
        if (c.text_color) palette.setColor(QPalette::Text, qt::to_qcolor(*c.text_color));
        edit->setPalette(palette);
        // textEdited, not textChanged: a program write must keep its exact bytes.
        QObject::connect(edit, &QLineEdit::textEdited, edit, [this, name](const QString& typed) {
          owner.state.note_typed_text(name, qt::typed_text(typed));
        });
        made = edit;
        break;
      }
      case ControlKind::button: {
        auto* button = new QPushButton(display_text(c.caption), parent);
        // No default button: Enter in the window triggers nothing.
        button->setAutoDefault(false);
        button->setDefault(false);
        QObject::connect(button, &QPushButton::clicked, button,
                         [this, name] { run_binding(bindings.clicked, name); });
        made = button;
        break;
      }
      case ControlKind::list_view: {
        auto* list = new qt::ListView(parent, c.columns);
        QPalette palette = list->palette();
        if (c.background) {
          palette.setColor(QPalette::Base, background);
          palette.setColor(QPalette::Window, background);
          // The selection shows only while the list has the focus.
          palette.setColor(QPalette::Inactive, QPalette::Highlight, background);
        }
        if (c.text_color) {
          palette.setColor(QPalette::Text, qt::to_qcolor(*c.text_color));
          palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                           qt::to_qcolor(*c.text_color));
        }
        list->setPalette(palette);
        list->on_selection([this, name](int row) { owner.state.note_selection(name, row); });
        list->on_double_click([this, name] { run_binding(bindings.double_clicked, name); });
        made = list;
        break;
      }
      case ControlKind::picture_box: {
        auto* box = new qt::PictureBox(parent, background);
        box->set_display_mode(c.display_mode);
        made = box;
        break;
      }
    }
    made->setObjectName(display_text(c.name));
    made->setGeometry(c.left, c.top, c.width, c.height);
    if (c.font) made->setFont(qt::resolve_font(*c.font));
    made->setVisible(c.visible);
    widgets.insert_or_assign(c.name, made);
  }
}

int QtToolkit::Gui::ask(std::string_view text, std::string_view title) {
  QMessageBox box(QMessageBox::NoIcon, display_text(title), display_text(text),
                  QMessageBox::Yes | QMessageBox::No);
  box.setObjectName(QStringLiteral("message_box"));
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes ? answer_yes : answer_no;
}

void QtToolkit::Gui::open(const Text& address) {
  if (opener) {
    opener(address);
    return;
  }
  QDesktopServices::openUrl(QUrl(display_text(address)));
}

QtToolkit::QtToolkit() : gui(std::make_unique<Gui>(*this)) {
  state.log_changes([g = gui.get()](bool) {
    if (g->on_gui_thread()) {
      g->apply_changes();
    } else {
      g->wake();
    }
  });
}

QtToolkit::~QtToolkit() {
  if (&toolkit() == this) set_toolkit(nullptr);
}

void QtToolkit::load_window(const WindowLayout& layout, EventBindings bindings) {
  if (!gui->on_gui_thread()) return;  // windows belong to the toolkit's own thread
  gui->widgets.clear();
  gui->window.reset();
  state.reset(layout);
  gui->bindings = std::move(bindings);
  gui->build(layout);
  // The native window exists before the handler runs, so its frame is known.
  gui->window->winId();
  gui->window->fit_outer_size();

  const Handler created = gui->bindings.created;
  run_quietly(created);
  if (!gui->window) return;  // the handler loaded another window

  gui->apply_changes();
  gui->window->fit_outer_size();
  gui->window->centre_on_screen();
  gui->window->show();
  // Some window managers report the frame only once the window is mapped.
  QTimer::singleShot(0, gui->window.get(), [w = gui->window.get()] {
    const QSize before = w->size();
    w->fit_outer_size();
    if (w->size() != before) w->centre_on_screen();
  });
}

void QtToolkit::run_message_loop() {
  if (!gui->on_gui_thread() || !gui->window || !gui->window->isVisible()) return;
  QApplication::exec();
}

void QtToolkit::process_pending_events() {
  if (!gui->on_gui_thread()) return;
  gui->apply_changes();
  gui->run_tasks();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

int QtToolkit::message_box(std::string_view text, std::string_view title) {
  if (gui->on_gui_thread()) return gui->ask(text, title);
  // Another thread waits for the answer; the window's thread asks when it next
  // runs its events.
  auto answer = std::make_shared<std::promise<int>>();
  std::future<int> result = answer->get_future();
  gui->post([g = gui.get(), answer, text = Text(text), title = Text(title)] {
    int pressed = answer_no;
    try {
      pressed = g->ask(text, title);
    } catch (...) {
    }
    answer->set_value(pressed);
  });
  return result.get();
}

void QtToolkit::open_address(std::string_view address) {
  if (gui->on_gui_thread()) {
    gui->open(Text(address));
  } else {
    gui->post([g = gui.get(), address = Text(address)] { g->open(address); });
  }
}

void QtToolkit::start_thread(std::function<void()> routine) {
  try {
    std::thread([routine = std::move(routine)] { run_quietly(routine); }).detach();
  } catch (...) {
    // The caller does not look at the outcome of the start.
  }
}

void QtToolkit::set_address_opener(std::function<void(const Text&)> opener) {
  gui->opener = std::move(opener);
}

void QtToolkit::select_row(std::string_view list, int row) {
  if (!gui->on_gui_thread()) {
    gui->post([this, list = Text(list), row] { select_row(list, row); });
    return;
  }
  auto* view = qobject_cast<qt::ListView*>(gui->widget(list));
  if (!view) return;
  if (row < 0) {
    view->clearSelection();
  } else {
    view->selectRow(row);
  }
}

void QtToolkit::click(std::string_view button) {
  if (!gui->on_gui_thread()) return;
  if (auto* target = qobject_cast<QPushButton*>(gui->widget(button))) target->click();
}

void QtToolkit::double_click(std::string_view list, int x, int y) {
  if (!gui->on_gui_thread()) return;
  auto* view = qobject_cast<qt::ListView*>(gui->widget(list));
  if (!view) return;
  const QPointF at(x, y);
  QMouseEvent event(QEvent::MouseButtonDblClick, at, view->viewport()->mapToGlobal(at),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(view->viewport(), &event);
}

bool QtToolkit::save_window_png(const std::string& path) {
  if (!gui->on_gui_thread() || !gui->window) return false;
  gui->apply_changes();
  return gui->window->grab().save(QString::fromStdString(path), "PNG");
}

QWidget* QtToolkit::window() const { return gui->window.get(); }

QtToolkit& install_qt_toolkit() {
  // Never destroyed: the program ends its process without running destructors.
  static QtToolkit* const only = new QtToolkit();
  set_toolkit(only);
  return *only;
}

}  // namespace netdisk::ui
