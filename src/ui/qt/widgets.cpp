#include "ui/qt/widgets.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QWindow>
#include <algorithm>
#include <utility>
#include <map>

#include "text/codepage.h"

namespace netdisk::ui::qt {

QString display_text(std::string_view text) {
  const std::u16string wide = decode_936(text);
  return QString::fromStdU16String(wide);
}

Text typed_text(const QString& text) { return encode_936(text.toStdU16String()); }

QColor to_qcolor(Rgb rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

namespace {

QString choose_face(const QString& wanted) {
  // The font database does not change while the program runs; look each face up once.
  static std::map<QString, QString> chosen;
  if (auto it = chosen.find(wanted); it != chosen.end()) return it->second;

  const QStringList families = QFontDatabase::families();
  QString face;
  if (wanted.isEmpty() || families.contains(wanted, Qt::CaseInsensitive)) {
    face = wanted;
  } else {
    const QStringList cjk = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    // Kai faces first, the simplified-Chinese cut before the others.
    for (const QString& f : cjk) {
      if (f.contains(QStringLiteral("Kai"), Qt::CaseInsensitive) ||
          f.contains(QString::fromUtf8("楷"))) {
        if (face.isEmpty() || f.endsWith(QStringLiteral(" CN"))) face = f;
      }
    }
    if (face.isEmpty() && !cjk.isEmpty()) face = cjk.first();
    if (face.isEmpty()) face = wanted;
  }
  chosen.emplace(wanted, face);
  return face;
}

}  // namespace

QFont resolve_font(const FontSpec& wanted) {
  QFont font;
  font.setFamily(choose_face(display_text(wanted.face)));
  if (wanted.pixel_height > 0) font.setPixelSize(wanted.pixel_height);
  font.setWeight(static_cast<QFont::Weight>(std::clamp(wanted.weight, 1, 1000)));
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  return font;
}

QImage decode_picture(const Bytes& data) {
  if (data.empty()) return QImage();
  // QImage guesses the format from the bytes; a GIF gives its first frame.
  return QImage::fromData(
      QByteArrayView(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size())));
}

FrameBox::FrameBox(QWidget* parent, QColor background, QColor border)
    : QWidget(parent), fill(background), edge(border) {}

void FrameBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), fill);
  painter.setPen(QPen(edge, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

PictureBox::PictureBox(QWidget* parent, QColor background) : QWidget(parent), fill(background) {}

void PictureBox::set_image(QImage image) {
  picture = std::move(image);
  update();
}

void PictureBox::set_display_mode(int new_mode) {
  if (new_mode < 0 || new_mode > 2) return;
  mode = new_mode;
  update();
}

QRect PictureBox::target_rect() const {
  if (picture.isNull()) return QRect();
  const QSize own = picture.size();
  switch (mode) {
    case 1:
      return rect();
    case 2: {
      const double scale = std::min({1.0, static_cast<double>(width()) / own.width(),
                                     static_cast<double>(height()) / own.height()});
      const QSize size(std::max(1, static_cast<int>(own.width() * scale + 0.5)),
                       std::max(1, static_cast<int>(own.height() * scale + 0.5)));
      return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    }
    default:
      return QRect(QPoint(0, 0), own);
  }
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), fill);
  if (picture.isNull()) return;
  painter.setRenderHint(QPainter::SmoothPixmapTransform, mode != 0);
  painter.drawImage(target_rect(), picture);
}

RowsModel::RowsModel(QObject* parent, std::vector<ListColumn> list_columns)
    : QAbstractTableModel(parent), columns(std::move(list_columns)) {}

int RowsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows.size());
}

int RowsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns.size());
}

QVariant RowsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(rows.size()) ||
      index.column() >= static_cast<int>(columns.size())) {
    return QVariant();
  }
  switch (role) {
    case Qt::DisplayRole:
      // Decoded only when drawn: most cells sit in zero-width columns.
      return display_text(rows[index.row()][index.column()]);
    case Qt::TextAlignmentRole: {
      const Align align = columns[index.column()].align;
      const Qt::Alignment horizontal = align == Align::centre  ? Qt::AlignHCenter
                                       : align == Align::right ? Qt::AlignRight
                                                               : Qt::AlignLeft;
      return QVariant::fromValue(horizontal | Qt::AlignVCenter);
    }
    default:
      return QVariant();
  }
}

QVariant RowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
      section < static_cast<int>(columns.size())) {
    return display_text(columns[section].caption);
  }
  return QVariant();
}

void RowsModel::clear_rows() {
  beginResetModel();
  rows.clear();
  rows.shrink_to_fit();
  endResetModel();
}

void RowsModel::grow_to(int count) {
  const int first = static_cast<int>(rows.size());
  if (count <= first) return;
  beginInsertRows(QModelIndex(), first, count - 1);
  rows.resize(static_cast<std::size_t>(count), std::vector<Text>(columns.size()));
  endInsertRows();
}

void RowsModel::set_cell(int row, int column, Text text) {
  if (row < 0 || row >= static_cast<int>(rows.size()) || column < 0 ||
      column >= static_cast<int>(columns.size())) {
    return;
  }
  rows[row][column] = std::move(text);
  const QModelIndex cell = index(row, column);
  emit dataChanged(cell, cell, {Qt::DisplayRole});
}

ListView::ListView(QWidget* parent, std::vector<ListColumn> columns)
    : QTableView(parent),
      model_rows(new RowsModel(this, columns)),
      scroll_range_timer(new QTimer(this)) {
  setModel(model_rows);
  scroll_range_timer->setSingleShot(true);
  scroll_range_timer->setInterval(50);
  connect(scroll_range_timer, &QTimer::timeout, this, [this] { updateGeometries(); });
  horizontalHeader()->hide();
  verticalHeader()->hide();
  horizontalHeader()->setMinimumSectionSize(0);
  horizontalHeader()->setStretchLastSection(false);
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) setColumnWidth(i, columns[i].width);
  verticalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2);
  setShowGrid(false);
  setSortingEnabled(false);
  setWordWrap(false);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Tab leaves the list instead of walking its cells.
  setTabKeyNavigation(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    int first = -1;
    for (const QModelIndex& index : selectionModel()->selection().indexes()) {
      if (first < 0 || index.row() < first) first = index.row();
    }
    if (selected) selected(first);
  });
}

void ListView::rowsInserted(const QModelIndex& parent, int start, int end) {
  const bool at_end = !parent.isValid() && end == model()->rowCount() - 1;
  if (at_end) {
    appended_from = appended_from < 0 ? start : std::min(appended_from, start);
  } else {
    other_insert = true;
  }
  QTableView::rowsInserted(parent, start, end);
}

void ListView::doItemsLayout() {
  const int first = std::exchange(appended_from, -1);
  const bool only_appended = first >= 0 && !other_insert;
  other_insert = false;
  // A search appends a row and lets the window repaint, thousands of times. Rows
  // that land below the visible part change nothing on screen but the scroll bar,
  // so skip the full repaint a relayout would do, and bring the scroll bar up to
  // date a few times a second instead of for every row: drawing it is what costs.
  if (only_appended && rowViewportPosition(first) >= viewport()->height()) {
    if (!scroll_range_timer->isActive()) scroll_range_timer->start();
    return;
  }
  scroll_range_timer->stop();
  QTableView::doItemsLayout();
}

void ListView::reset() {
  appended_from = -1;
  other_insert = false;
  QTableView::reset();
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableView::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton && double_click) double_click();
}

MainWindow::MainWindow(int outer_w, int outer_h)
    : QWidget(nullptr,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                  Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                  Qt::WindowCloseButtonHint),
      outer_width(outer_w),
      outer_height(outer_h) {
  setObjectName(QStringLiteral("main_window"));
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WindowShortcut);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
  fit_outer_size();
}

void MainWindow::fit_outer_size() {
  const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
  setFixedSize(std::max(1, outer_width - frame.left() - frame.right()),
               std::max(1, outer_height - frame.top() - frame.bottom()));
}

void MainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  constexpr Qt::WindowStates too_big = Qt::WindowMaximized | Qt::WindowFullScreen;
  if (event->type() != QEvent::WindowStateChange || !(windowState() & too_big)) return;
  // The frame is fixed. Not every platform honours the size limits when asked to
  // maximise (a window manager's shortcut, a double-click on the caption bar), so
  // undo it once the state change has settled.
  QTimer::singleShot(0, this, [this] {
    setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
    fit_outer_size();
  });
}

void MainWindow::centre_on_screen() {
  const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!where) return;
  const QRect area = where->availableGeometry();
  move(area.x() + (area.width() - outer_width) / 2, area.y() + (area.height() - outer_height) / 2);
}

}  // namespace netdisk::ui::qt
