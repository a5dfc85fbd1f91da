// The Qt widgets behind the layout's control kinds, and the conversions between
// the program's code page 936 texts and what Qt shows. Only the window's thread
// touches these; the toolkit feeds them from its control model.
#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <QImage>
#include <QMargins>
#include <QString>
#include <QTableView>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string_view>
#include <vector>

#include "text/text.h"
#include "ui/layout.h"

namespace netdisk::ui::qt {

// Code page 936 bytes as shown on screen; bytes that are not valid there show as "?".
QString display_text(std::string_view text);
// What the user typed, as code page 936 bytes.
Text typed_text(const QString& text);
QColor to_qcolor(Rgb rgb);
// The layout's face when installed, otherwise a Kai-style CJK face, otherwise any
// CJK face; at the layout's pixel height and weight.
QFont resolve_font(const FontSpec& wanted);
// The first picture in data, or a null image.
QImage decode_picture(const Bytes& data);

// A plain container: its background, and a one-pixel rectangle along its edge.
class FrameBox : public QWidget {
  Q_OBJECT
 public:
  FrameBox(QWidget* parent, QColor background, QColor border);
  QColor background() const { return fill; }
  QColor border() const { return edge; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor fill;
  QColor edge;
};

class PictureBox : public QWidget {
  Q_OBJECT
 public:
  PictureBox(QWidget* parent, QColor background);
  void set_image(QImage image);
  void set_display_mode(int mode);
  const QImage& image() const { return picture; }
  int display_mode() const { return mode; }
  QColor background() const { return fill; }
  // Where the picture lands inside the box for the current mode.
  QRect target_rect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture;
  int mode = 0;
  QColor fill;
};

// The list's rows as the screen shows them; a copy the toolkit keeps in step with
// its control model.
class RowsModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  RowsModel(QObject* parent, std::vector<ListColumn> columns);
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void clear_rows();
  // Appends rows until there are count of them.
  void grow_to(int count);
  void set_cell(int row, int column, Text text);

 private:
  std::vector<ListColumn> columns;
  std::vector<std::vector<Text>> rows;
};

// A report-style list: hidden header, single whole-row selection, and a
// double-click reported anywhere in its viewport, empty space included.
class ListView : public QTableView {
  Q_OBJECT
 public:
  ListView(QWidget* parent, std::vector<ListColumn> columns);
  RowsModel& rows() { return *model_rows; }
  void on_double_click(std::function<void()> handler) { double_click = std::move(handler); }
  void on_selection(std::function<void(int row)> handler) { selected = std::move(handler); }
  void doItemsLayout() override;
  void reset() override;

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void rowsInserted(const QModelIndex& parent, int start, int end) override;

 private:
  RowsModel* model_rows;
  // The first row appended since the last layout; -1 for none, or when rows
  // arrived other than at the end.
  int appended_from = -1;
  bool other_insert = false;
  // Brings the scroll bars up to date a moment after rows were appended out of view.
  QTimer* scroll_range_timer;
  std::function<void()> double_click;
  std::function<void(int)> selected;
};

// The top-level window: fixed outer size including the frame, centred, closed by Esc.
class MainWindow : public QWidget {
  Q_OBJECT
 public:
  MainWindow(int outer_width, int outer_height);
  // Sets the client size so that the frame the platform reports makes up the outer size.
  void fit_outer_size();
  void centre_on_screen();

 protected:
  void changeEvent(QEvent* event) override;

 private:
  int outer_width;
  int outer_height;
};

}  // namespace netdisk::ui::qt
