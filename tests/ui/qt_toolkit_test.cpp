#include "ui/qt/qt_toolkit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>

#include "test_layout.h"
#include "ui/qt/widgets.h"

namespace netdisk::ui {
namespace {

namespace t = testing;

bool eventually(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 5000); }

QString utf8(const char* text) { return QString::fromUtf8(text); }

class QtToolkitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    toolkit = std::make_unique<QtToolkit>();
    EventBindings bindings;
    bindings.clicked.emplace_back(t::button, [this] { ++clicks; });
    bindings.double_clicked.emplace_back(t::list, [this] { ++double_clicks; });
    toolkit->load_window(t::small_window(), bindings);
    ASSERT_NE(toolkit->window(), nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(toolkit->window()));
  }

  template <typename Widget>
  Widget* find(const char* name) {
    auto* widget = toolkit->window()->findChild<Widget*>(qt::display_text(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  qt::ListView* list() { return find<qt::ListView>(t::list); }

  QPoint row_centre(int row) {
    return list()->visualRect(list()->model()->index(row, 2)).center();
  }

  void add_rows(int count) {
    for (int i = 0; i < count; ++i) {
      const int row = toolkit->append_row(t::list);
      toolkit->set_cell_text(t::list, row, 2, "row " + std::to_string(row));
    }
  }

  std::unique_ptr<QtToolkit> toolkit;
  int clicks = 0;
  int double_clicks = 0;
};

struct BytesCase {
  const char* name;
  Text bytes;
};

const BytesCase byte_cases[] = {
    {"ascii", "share link"},
    {"code_page_936", "\xCD\xF8\xC5\xCC\xCB\xD1\xCB\xF7"},
    {"lone_lead_byte", "\x81"},
    {"lead_byte_at_end", "abc\xB1"},
    {"bytes_936_lacks", "\xFF\xFE\x80"},
    {"utf8_not_936", "\xE7\xBD\x91\xE7\x9B\x98"},
    {"markup", "<b>bold</b> &amp;"},
    {"empty", ""},
};

TEST_F(QtToolkitTest, WorkerWritesReadBackByteForByteWithoutTheWindowThread) {
  for (const BytesCase& c : byte_cases) {
    SCOPED_TRACE(c.name);
    Text caption;
    Text content;
    Text cell;
    int row = -2;
    // The window's thread does nothing but wait here: a write or read that
    // needed it would never return.
    std::thread worker([&] {
      toolkit->set_caption(t::label, c.bytes);
      toolkit->set_content(t::edit, c.bytes);
      row = toolkit->append_row(t::list);
      toolkit->set_cell_text(t::list, row, 1, c.bytes);
      toolkit->process_pending_events();  // not the window's thread: returns at once
      caption = toolkit->caption(t::label);
      content = toolkit->content(t::edit);
      cell = toolkit->cell_text(t::list, row, 1);
    });
    worker.join();
    EXPECT_EQ(caption, c.bytes);
    EXPECT_EQ(content, c.bytes);
    EXPECT_EQ(cell, c.bytes);

    // Then the screen catches up, showing the decoded text.
    const QString shown = qt::display_text(c.bytes);
    EXPECT_TRUE(eventually([&] { return find<QLabel>(t::label)->text() == shown; }));
    EXPECT_TRUE(eventually([&] { return find<QLineEdit>(t::edit)->text() == shown; }));
    EXPECT_TRUE(eventually([&] { return list()->model()->rowCount() == row + 1; }));
    EXPECT_EQ(list()->model()->index(row, 1).data().toString(), shown);
    EXPECT_EQ(toolkit->caption(t::label), c.bytes) << "showing it changed nothing";
  }
}

TEST_F(QtToolkitTest, ShowsCodePage936DecodedAndLabelsNeverAsMarkup) {
  toolkit->set_caption(t::label, "\xCD\xF8\xC5\xCC<b>x</b>");
  EXPECT_EQ(find<QLabel>(t::label)->text(), utf8("网盘<b>x</b>"));
  EXPECT_EQ(find<QLabel>(t::label)->textFormat(), Qt::PlainText);
  toolkit->set_content(t::edit, "a\x81");
  EXPECT_EQ(find<QLineEdit>(t::edit)->text(), utf8("a?"));
  EXPECT_EQ(toolkit->content(t::edit), "a\x81");
}

TEST_F(QtToolkitTest, TypedTextReadsBackAsCodePage936) {
  QLineEdit* edit = find<QLineEdit>(t::edit);
  edit->setFocus();
  QTest::keyClicks(edit, utf8("ab"));
  // Chinese arrives through the input method, as it does from a real keyboard.
  QInputMethodEvent composed;
  composed.setCommitString(utf8("网盘"));
  QApplication::sendEvent(edit, &composed);
  EXPECT_EQ(toolkit->content(t::edit), "ab\xCD\xF8\xC5\xCC");
  // A program write replaces what was typed, on screen and in the model.
  toolkit->set_content(t::edit, "\xB1");
  EXPECT_EQ(edit->text(), utf8("?"));
  EXPECT_EQ(toolkit->content(t::edit), "\xB1");
}

TEST_F(QtToolkitTest, ListRowsAndCellsAppearOnScreenIncludingHiddenColumns) {
  for (int i = 0; i < 3; ++i) EXPECT_EQ(toolkit->append_row(t::list), i);
  toolkit->set_cell_text(t::list, 1, 0, "1");
  toolkit->set_cell_text(t::list, 1, 1, "http://127.0.0.1/detail/1");
  toolkit->set_cell_text(t::list, 1, 2, "\xCD\xF8\xC5\xCC");
  toolkit->set_cell_text(t::list, 1, 3, "http://127.0.0.1/cover/1.jpg");

  QAbstractItemModel* rows = list()->model();
  ASSERT_EQ(rows->rowCount(), 3);
  EXPECT_EQ(rows->index(1, 0).data().toString(), utf8("1"));
  EXPECT_EQ(rows->index(1, 1).data().toString(), utf8("http://127.0.0.1/detail/1"));
  EXPECT_EQ(rows->index(1, 2).data().toString(), utf8("网盘"));
  EXPECT_EQ(rows->index(1, 3).data().toString(), utf8("http://127.0.0.1/cover/1.jpg"));
  EXPECT_EQ(toolkit->cell_text(t::list, 1, 3), "http://127.0.0.1/cover/1.jpg");
  for (int column : {0, 1, 3}) EXPECT_EQ(list()->columnWidth(column), 0) << column;
  EXPECT_EQ(list()->columnWidth(2), 320);

  for (int column = 0; column < 4; ++column) {
    EXPECT_EQ(toolkit->cell_text(t::list, -1, column), "") << column;
    EXPECT_EQ(toolkit->cell_text(t::list, 3, column), "") << column;
  }

  toolkit->delete_all_rows(t::list);
  EXPECT_EQ(rows->rowCount(), 0);
  EXPECT_EQ(toolkit->cell_text(t::list, 1, 2), "");
  EXPECT_EQ(toolkit->append_row(t::list), 0);
}

TEST_F(QtToolkitTest, ManyWritesFromAWorkerArriveInOrder) {
  constexpr int count = 2000;
  std::thread worker([&] {
    for (int i = 0; i < count; ++i) {
      const int row = toolkit->append_row(t::list);
      toolkit->set_cell_text(t::list, row, 2, std::to_string(i));
      if (i == count / 2) toolkit->delete_all_rows(t::list);
    }
    toolkit->set_caption(t::label, "done");
  });
  EXPECT_TRUE(eventually([&] { return find<QLabel>(t::label)->text() == utf8("done"); }));
  worker.join();
  const int expected_rows = count - count / 2 - 1;
  EXPECT_TRUE(eventually([&] { return list()->model()->rowCount() == expected_rows; }));
  EXPECT_EQ(toolkit->model().row_count(t::list), expected_rows);
  EXPECT_EQ(list()->model()->index(0, 2).data().toString(), QString::number(count / 2 + 1));
  EXPECT_EQ(list()->model()->index(expected_rows - 1, 2).data().toString(),
            QString::number(count - 1));
}

TEST_F(QtToolkitTest, SelectionFollowsTheUserAndReadsMinusOneWithoutOne) {
  EXPECT_EQ(toolkit->current_selection(t::list), -1);
  add_rows(3);
  EXPECT_EQ(toolkit->current_selection(t::list), -1);
  QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, row_centre(1));
  EXPECT_EQ(toolkit->current_selection(t::list), 1);
  QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, row_centre(2));
  EXPECT_EQ(toolkit->current_selection(t::list), 2);
  EXPECT_EQ(list()->selectionModel()->selectedRows(2).size(), 1) << "single row selection";
  toolkit->select_row(t::list, -1);
  EXPECT_EQ(toolkit->current_selection(t::list), -1);
  toolkit->select_row(t::list, 0);
  EXPECT_EQ(toolkit->current_selection(t::list), 0);
  toolkit->delete_all_rows(t::list);
  EXPECT_EQ(toolkit->current_selection(t::list), -1);
}

TEST_F(QtToolkitTest, DoubleClickAnywhereInTheListRunsTheHandler) {
  add_rows(2);
  QWidget* viewport = list()->viewport();
  const QPoint below_rows(viewport->width() / 2, viewport->height() - 10);
  ASSERT_FALSE(list()->indexAt(below_rows).isValid());

  QTest::mouseDClick(viewport, Qt::LeftButton, {}, below_rows);
  EXPECT_EQ(double_clicks, 1) << "empty space below the rows";

  QTest::mouseClick(viewport, Qt::LeftButton, {}, row_centre(1));
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, row_centre(1));
  EXPECT_EQ(double_clicks, 2);
  EXPECT_EQ(toolkit->current_selection(t::list), 1);

  QTest::mouseDClick(viewport, Qt::RightButton, {}, row_centre(0));
  EXPECT_EQ(double_clicks, 2) << "only the left button";
  EXPECT_EQ(clicks, 0);
}

TEST_F(QtToolkitTest, ButtonRunsItsHandlerAndEnterTriggersNothing) {
  QPushButton* button = find<QPushButton>(t::button);
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(button->isDefault());
  EXPECT_FALSE(button->autoDefault());

  QLineEdit* edit = find<QLineEdit>(t::edit);
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Return);
  QTest::keyClick(edit, Qt::Key_Enter);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(edit->hasFocus()) << "Enter does not move the focus";
}

TEST_F(QtToolkitTest, PendingEventsRunWaitingClicksAtOnce) {
  QPushButton* button = find<QPushButton>(t::button);
  QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
  EXPECT_EQ(clicks, 0);
  toolkit->process_pending_events();
  EXPECT_EQ(clicks, 1);
  toolkit->process_pending_events();  // nothing waiting: returns
  EXPECT_EQ(clicks, 1);
}

// Presses a button of the next message box from inside the box's own loop and
// remembers what the box said.
struct BoxAnswerer {
  explicit BoxAnswerer(QMessageBox::StandardButton press) {
    QObject::connect(&timer, &QTimer::timeout, [this, press] {
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (!box || !box->isVisible()) continue;
        title = box->windowTitle();
        text = box->text();
        modal = box->isModal() && box->parentWidget() == nullptr;
        timer.stop();
        box->button(press)->click();
        return;
      }
    });
    timer.start(5);
  }
  QTimer timer;
  QString title;
  QString text;
  bool modal = false;
};

TEST_F(QtToolkitTest, MessageBoxAnswersFiveForYesAndSixForNo) {
  const struct {
    QMessageBox::StandardButton press;
    int expected;
  } cases[] = {{QMessageBox::Yes, answer_yes}, {QMessageBox::No, answer_no}};
  for (const auto& c : cases) {
    BoxAnswerer answerer(c.press);
    EXPECT_EQ(toolkit->message_box("\xB8\xFC\xD0\xC2\r\na", "\xCC\xE1\xCA\xBE"), c.expected);
    EXPECT_EQ(answerer.title, utf8("提示"));
    EXPECT_EQ(answerer.text, utf8("更新\r\na"));
    EXPECT_TRUE(answerer.modal);
  }
  EXPECT_EQ(answer_yes, 5);
  EXPECT_EQ(answer_no, 6);
}

TEST_F(QtToolkitTest, MessageBoxFromAWorkerIsAskedOnTheWindowThread) {
  BoxAnswerer answerer(QMessageBox::Yes);
  std::atomic<int> answer{0};
  std::thread worker([&] { answer = toolkit->message_box("q", "t"); });
  EXPECT_TRUE(eventually([&] { return answer.load() != 0; }));
  worker.join();
  EXPECT_EQ(answer, answer_yes);
  EXPECT_EQ(answerer.title, utf8("t"));
}

TEST_F(QtToolkitTest, OpenAddressGoesToTheOpenerFromAnyThread) {
  std::vector<Text> opened;
  toolkit->set_address_opener([&](const Text& address) { opened.push_back(address); });
  toolkit->open_address("http://127.0.0.1/update");
  EXPECT_EQ(opened, (std::vector<Text>{"http://127.0.0.1/update"}));
  std::thread worker([&] { toolkit->open_address("\xB5\xD8\xD6\xB7"); });
  worker.join();
  EXPECT_TRUE(eventually([&] { return opened.size() == 2; }));
  EXPECT_EQ(opened.back(), "\xB5\xD8\xD6\xB7");
}

TEST_F(QtToolkitTest, StartThreadRunsElsewhereAndDropsExceptions) {
  std::atomic<bool> elsewhere{false};
  std::atomic<int> finished{0};
  const std::thread::id here = std::this_thread::get_id();
  toolkit->start_thread([&] {
    elsewhere = std::this_thread::get_id() != here;
    ++finished;
    throw std::runtime_error("a worker's failure stays in the worker");
  });
  toolkit->start_thread([&] { ++finished; });
  EXPECT_TRUE(eventually([&] { return finished.load() == 2; }));
  EXPECT_TRUE(elsewhere);
}

TEST(QtToolkitLoad, CreatedHandlerRunsWithAllControlsBeforeTheWindowShows) {
  QtToolkit toolkit;
  bool visible_inside = true;
  bool controls_inside = false;
  EventBindings bindings;
  bindings.created = [&] {
    visible_inside = toolkit.window()->isVisible();
    controls_inside = toolkit.window()->findChild<QWidget*>(qt::display_text(t::picture)) &&
                      toolkit.window()->findChild<QWidget*>(qt::display_text(t::list));
    toolkit.set_caption(t::label, "\xCD\xF8");
    throw std::runtime_error("contained");
  };
  toolkit.load_window(t::small_window(), bindings);
  EXPECT_FALSE(visible_inside);
  EXPECT_TRUE(controls_inside);
  EXPECT_TRUE(toolkit.window()->isVisible());
  EXPECT_EQ(toolkit.window()->findChild<QLabel*>(qt::display_text(t::label))->text(),
            utf8("网"));
}

TEST(QtToolkitLoad, MessageLoopReturnsWhenTheWindowCloses) {
  QtToolkit toolkit;
  toolkit.load_window(t::small_window(), {});
  QTimer::singleShot(0, toolkit.window(), [&] { toolkit.window()->close(); });
  toolkit.run_message_loop();
  EXPECT_FALSE(toolkit.window()->isVisible());
  toolkit.run_message_loop();  // no window open: nothing to wait for
}

// Pictures in every format the picture box takes, made by Qt's writers; GIF (which
// Qt cannot write) is a one-pixel image spelled out.
Bytes encode(const QImage& image, const char* format) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, format)) << format;
  const QByteArray data = buffer.data();
  return Bytes(data.begin(), data.end());
}

QImage solid(QSize size, QColor colour) {
  QImage image(size, QImage::Format_ARGB32);
  image.fill(colour);
  return image;
}

TEST_F(QtToolkitTest, PictureBoxDecodesEveryFormatAndEmptiesOnBadData) {
  const QImage green = solid({16, 8}, QColor(0, 200, 0));
  Bytes cursor = encode(green, "ICO");
  cursor[2] = 2;  // the same directory, typed as a cursor
  const Bytes gif = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00,
                     0x00, 0xC8, 0x00, 0x00, 0x00, 0x00, 0x21, 0xF9, 0x04, 0x00, 0x00, 0x00, 0x00,
                     0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02,
                     0x44, 0x01, 0x00, 0x3B};
  const struct {
    const char* name;
    Bytes data;
    QSize size;
  } cases[] = {
      {"png", encode(green, "PNG"), {16, 8}}, {"jpeg", encode(green, "JPEG"), {16, 8}},
      {"bmp", encode(green, "BMP"), {16, 8}}, {"ico", encode(green, "ICO"), {16, 8}},
      {"cur", cursor, {16, 8}},               {"gif", gif, {1, 1}},
  };
  auto* box = find<qt::PictureBox>(t::picture);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    toolkit->set_picture(t::picture, c.data);
    ASSERT_FALSE(box->image().isNull());
    EXPECT_EQ(box->image().size(), c.size);
    const QColor pixel = box->image().pixelColor(0, 0);
    EXPECT_NEAR(pixel.green(), 200, 8);
    EXPECT_NEAR(pixel.red(), 0, 8);
    EXPECT_EQ(toolkit->model().picture(t::picture), c.data);
  }
  const Bytes garbage = {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0, 1, 2};
  for (const Bytes& bad : {garbage, Bytes{}, Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}}) {
    toolkit->set_picture(t::picture, encode(green, "PNG"));
    toolkit->set_picture(t::picture, bad);
    EXPECT_TRUE(box->image().isNull()) << bad.size();
  }
}

TEST_F(QtToolkitTest, DisplayModesPlaceThePicture) {
  auto* box = find<qt::PictureBox>(t::picture);
  ASSERT_EQ(box->size(), QSize(134, 222));
  const struct {
    int mode;
    QSize picture;
    QRect target;
  } cases[] = {
      {0, {10, 20}, {0, 0, 10, 20}},     {0, {300, 300}, {0, 0, 300, 300}},
      {1, {10, 20}, {0, 0, 134, 222}},   {1, {300, 100}, {0, 0, 134, 222}},
      {2, {10, 20}, {62, 101, 10, 20}},  {2, {268, 222}, {0, 55, 134, 111}},
      {2, {134, 444}, {33, 0, 67, 222}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " picture " << c.picture.width()
                                      << "x" << c.picture.height());
    toolkit->set_display_mode(t::picture, c.mode);
    toolkit->set_picture(t::picture, encode(solid(c.picture, Qt::blue), "PNG"));
    EXPECT_EQ(box->display_mode(), c.mode);
    EXPECT_EQ(box->target_rect(), c.target);
  }
  toolkit->set_display_mode(t::picture, 7);
  EXPECT_EQ(box->display_mode(), 2) << "an unknown mode changes nothing";

  // Drawn: a small picture stretched covers the far corner; at its own size it
  // leaves the pink background there.
  toolkit->set_picture(t::picture, encode(solid({4, 4}, Qt::blue), "PNG"));
  toolkit->set_display_mode(t::picture, 1);
  EXPECT_EQ(box->grab().toImage().pixelColor(130, 218), QColor(Qt::blue));
  toolkit->set_display_mode(t::picture, 0);
  EXPECT_EQ(box->grab().toImage().pixelColor(130, 218), QColor(255, 80, 128));
  EXPECT_EQ(box->grab().toImage().pixelColor(1, 1), QColor(Qt::blue));
}

}  // namespace
}  // namespace netdisk::ui
