// The main window as the Qt toolkit builds it from the program's layout, checked
// against the layout as designed: controls, nesting, places, sizes, visibility,
// captions, colours and fonts in one table; then the frame, the list, the keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <climits>
#include <memory>
#include <optional>

#include "app/main_window.h"
#include "ui/control_names.h"
#include "ui/qt/qt_toolkit.h"
#include "ui/qt/widgets.h"

namespace netdisk {
namespace {

using ui::qt::FrameBox;
using ui::qt::ListView;
using ui::qt::PictureBox;

QString utf8(const char* text) { return QString::fromUtf8(text); }

enum class Kind { frame, label, edit, button, list, picture };

struct Font {
  int pixels;
  bool bold;
};

struct Expected {
  const char* name;
  Kind kind;
  const char* parent;  // "" for the window
  QRect place;
  bool visible;
  const char* caption;              // nullptr: the kind has none
  std::optional<QColor> text;       // text colour
  std::optional<QColor> background; // nullopt: the default button face
  std::optional<Font> font;         // nullopt: the default dialog font
};

const QColor red(255, 0, 0);
const QColor black(0, 0, 0);
const QColor yellow(255, 255, 0);
const QColor violet(144, 0, 255);
const QColor pink(255, 80, 128);
constexpr Font kai16bold{16, true};
constexpr Font kai14bold{14, true};
constexpr Font kai14{14, false};

const Expected layout[] = {
    {"外形框1", Kind::frame, "", {0, 0, 471, 358}, true, nullptr, {}, black, {}},
    {"外形框4", Kind::frame, "外形框1", {8, 8, 448, 34}, true, nullptr, {}, {}, {}},
    {"标签5", Kind::label, "外形框4", {0, 1, 80, 32}, true, "网盘搜索", violet, black, kai16bold},
    {"编辑框1", Kind::edit, "外形框4", {80, 1, 280, 32}, true, "", yellow, black, kai14bold},
    {"按钮1", Kind::button, "外形框4", {360, 1, 87, 32}, true, "搜索", {}, {}, kai16bold},
    {"外形框2", Kind::frame, "外形框1", {8, 56, 448, 34}, true, nullptr, {}, {}, {}},
    {"标签2", Kind::label, "外形框2", {1, 1, 79, 32}, true, "网盘搜索", red, black, kai16bold},
    {"编辑框2", Kind::edit, "外形框2", {80, 1, 224, 32}, true, "", yellow, black, kai14bold},
    {"标签6", Kind::label, "外形框2", {304, 1, 40, 32}, true, "密码", red, black, kai16bold},
    {"编辑框3", Kind::edit, "外形框2", {344, 1, 103, 32}, true, "", yellow, black, kai14bold},
    {"外形框6", Kind::frame, "外形框1", {8, 96, 448, 20}, true, nullptr, {}, black, {}},
    {"标签3", Kind::label, "外形框6", {8, 1, 432, 18}, true,
     "支持全网搜索视频、特别是电影更新比官网快", yellow, black, kai14},
    {"外形框3", Kind::frame, "外形框1", {8, 120, 136, 224}, true, nullptr, {}, {}, {}},
    {"图片框2", Kind::picture, "外形框3", {1, 1, 134, 222}, true, nullptr, {}, pink, {}},
    {"外形框5", Kind::frame, "外形框1", {152, 120, 304, 224}, true, nullptr, {}, {}, {}},
    {"超级列表框1", Kind::list, "外形框5", {1, 1, 302, 222}, true, nullptr, yellow, black, {}},
    {"标签7", Kind::label, "外形框5", {96, 24, 72, 24}, false, "", black, {}, {}},
    {"标签8", Kind::label, "外形框5", {88, 80, 80, 16}, false, "", black, {}, {}},
    {"标签4", Kind::label, "外形框1", {360, 336, 64, 16}, false, "标签", black, {}, {}},
    {"标签1", Kind::label, "", {0, 8, 64, 16}, false, "标签", black, {}, {}},
    {"图片框1", Kind::picture, "", {-8, 112, 120, 152}, false, nullptr, {}, {}, {}},
};

bool kind_matches(QWidget* widget, Kind kind) {
  switch (kind) {
    case Kind::frame:
      return qobject_cast<FrameBox*>(widget);
    case Kind::label:
      return qobject_cast<QLabel*>(widget);
    case Kind::edit:
      return qobject_cast<QLineEdit*>(widget);
    case Kind::button:
      return qobject_cast<QPushButton*>(widget);
    case Kind::list:
      return qobject_cast<ListView*>(widget);
    case Kind::picture:
      return qobject_cast<PictureBox*>(widget);
  }
  return false;
}

QString caption_of(QWidget* widget) {
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
  if (auto* button = qobject_cast<QPushButton*>(widget)) return button->text();
  return QString();
}

std::optional<QColor> background_of(QWidget* widget) {
  if (auto* frame = qobject_cast<FrameBox*>(widget)) return frame->background();
  if (auto* picture = qobject_cast<PictureBox*>(widget)) return picture->background();
  if (qobject_cast<QLineEdit*>(widget) || qobject_cast<ListView*>(widget)) {
    return widget->palette().color(QPalette::Base);
  }
  if (qobject_cast<QLabel*>(widget) && widget->autoFillBackground()) {
    return widget->palette().color(QPalette::Window);
  }
  return std::nullopt;  // drawn in the default colour of its parent
}

std::optional<QColor> text_colour_of(QWidget* widget) {
  if (qobject_cast<QLabel*>(widget)) return widget->palette().color(QPalette::WindowText);
  if (qobject_cast<QLineEdit*>(widget) || qobject_cast<ListView*>(widget)) {
    return widget->palette().color(QPalette::Text);
  }
  return std::nullopt;
}

bool is_kai_style(const QString& family) {
  return family == utf8("华文楷体") || family.contains(QStringLiteral("Kai"), Qt::CaseInsensitive) ||
         family.contains(utf8("楷"));
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    toolkit = std::make_unique<ui::QtToolkit>();
    ui::EventBindings bindings;
    bindings.clicked.emplace_back(ui::controls::button_1, [this] { ++searches; });
    bindings.double_clicked.emplace_back(ui::controls::list_view_1, [this] { ++details; });
    toolkit->load_window(main_window_layout(), bindings);
    window = toolkit->window();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  }

  QWidget* control(const char* name) { return window->findChild<QWidget*>(utf8(name)); }

  std::unique_ptr<ui::QtToolkit> toolkit;
  QWidget* window = nullptr;
  int searches = 0;
  int details = 0;
};

TEST_F(MainWindowTest, EveryControlAsLaidOut) {
  const QColor button_face = QGuiApplication::palette().color(QPalette::Button);
  int found = 0;
  for (const Expected& e : layout) {
    SCOPED_TRACE(e.name);
    QWidget* widget = control(e.name);
    ASSERT_NE(widget, nullptr);
    ++found;
    EXPECT_TRUE(kind_matches(widget, e.kind)) << widget->metaObject()->className();
    EXPECT_EQ(widget->parentWidget(), *e.parent ? control(e.parent) : window);
    EXPECT_EQ(widget->geometry(), e.place);
    EXPECT_EQ(widget->isHidden(), !e.visible);
    if (e.visible) {
      EXPECT_TRUE(widget->isVisible());
    }
    if (e.caption) {
      EXPECT_EQ(caption_of(widget), utf8(e.caption));
    }
    if (e.text) {
      EXPECT_EQ(text_colour_of(widget), e.text);
    }
    if (e.kind != Kind::label && e.kind != Kind::button) {
      EXPECT_EQ(background_of(widget), e.background.value_or(button_face));
    } else if (e.background) {
      EXPECT_EQ(background_of(widget), e.background);
    }
    if (auto* frame = qobject_cast<FrameBox*>(widget)) {
      EXPECT_EQ(frame->border(), red);
    }
    if (e.font) {
      const QFontInfo font(widget->font());
      EXPECT_TRUE(is_kai_style(font.family())) << font.family().toStdString();
      EXPECT_EQ(widget->font().pixelSize(), e.font->pixels);
      EXPECT_EQ(widget->font().bold(), e.font->bold);
      EXPECT_FALSE(widget->font().italic() || widget->font().underline() ||
                   widget->font().strikeOut());
    } else {
      EXPECT_FALSE(widget->testAttribute(Qt::WA_SetFont)) << "keeps the default dialog font";
    }
  }
  EXPECT_EQ(found, 21);
  EXPECT_EQ(window->findChildren<QWidget*>(QRegularExpression(utf8("^(外形框|标签|编辑框|按钮|图片框|超级列表框)\\d$")))
                .size(),
            21)
      << "no control beyond the layout";
}

TEST_F(MainWindowTest, ToolkitReadsTheLayoutsCaptionsAsCodePage936) {
  EXPECT_EQ(toolkit->caption(ui::controls::label_5), "\xCD\xF8\xC5\xCC\xCB\xD1\xCB\xF7");
  EXPECT_EQ(toolkit->caption(ui::controls::button_1), "\xCB\xD1\xCB\xF7");
  EXPECT_EQ(toolkit->caption(ui::controls::label_1), "\xB1\xEA\xC7\xA9");
  EXPECT_EQ(toolkit->caption(ui::controls::label_7), "");
  EXPECT_EQ(toolkit->content(ui::controls::edit_box_1), "");
  EXPECT_EQ(toolkit->model().display_mode(ui::controls::picture_box_2), 1);
  EXPECT_EQ(toolkit->model().display_mode(ui::controls::picture_box_1), 0);
  EXPECT_TRUE(qobject_cast<PictureBox*>(control("图片框2"))->image().isNull());
}

TEST_F(MainWindowTest, DrawsTheColoursOnScreen) {
  const QImage shot = window->grab().toImage();
  const struct {
    const char* what;
    QPoint at;
    QColor colour;
  } samples[] = {
      {"外形框1 red edge", {0, 0}, red},
      {"外形框1 black panel", {4, 48}, black},
      {"外形框4 red edge", {8 + 200, 8}, red},
      {"外形框6 black strip", {8 + 3, 96 + 10}, black},
      {"外形框6 red edge", {8 + 200, 96 + 19}, red},
      {"标签5 black background", {8 + 2, 8 + 3}, black},
      {"编辑框1 black inside", {8 + 80 + 250, 8 + 1 + 16}, black},
      {"图片框2 pink", {8 + 1 + 60, 120 + 1 + 100}, pink},
      {"外形框3 red edge", {8, 120 + 100}, red},
      {"超级列表框1 black", {152 + 1 + 100, 120 + 1 + 100}, black},
  };
  for (const auto& s : samples) {
    EXPECT_EQ(shot.pixelColor(s.at), s.colour) << s.what;
  }
  // Each label's text shows in its own colour (edges blend into the black).
  const struct {
    const char* label;
    QColor colour;
  } texts[] = {{"标签5", violet}, {"标签2", red}, {"标签6", red}, {"标签3", yellow}};
  for (const auto& t : texts) {
    const QImage label = control(t.label)->grab().toImage();
    int coloured = 0;
    for (int y = 0; y < label.height(); ++y) {
      for (int x = 0; x < label.width(); ++x) {
        const QColor pixel = label.pixelColor(x, y);
        coloured += std::abs(pixel.red() - t.colour.red()) < 40 &&
                    std::abs(pixel.green() - t.colour.green()) < 40 &&
                    std::abs(pixel.blue() - t.colour.blue()) < 40;
      }
    }
    EXPECT_GT(coloured, 20) << t.label;
  }
}

TEST_F(MainWindowTest, FixedFrameCentredWithCaptionAndIcon) {
  EXPECT_EQ(window->windowTitle(), utf8("网盘搜索|By:Tarnek"));
  EXPECT_EQ(window->frameGeometry().size(), QSize(471, 386));
  EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "the user cannot resize it";

  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Window) << "a plain window, shown in the taskbar";

  const QRect screen = window->screen()->availableGeometry();
  EXPECT_LE(std::abs(window->frameGeometry().center().x() - screen.center().x()), 1);
  EXPECT_LE(std::abs(window->frameGeometry().center().y() - screen.center().y()), 1);

  const QSize before = window->size();
  window->resize(before + QSize(100, 100));
  EXPECT_EQ(window->size(), before);
  window->showMaximized();
  EXPECT_TRUE(QTest::qWaitFor([&] {
    return window->size() == before && !(window->windowState() & Qt::WindowMaximized);
  })) << "maximising is undone";
  window->showMinimized();
  EXPECT_TRUE(window->windowState() & Qt::WindowMinimized) << "minimising is allowed";
  window->showNormal();
  window->move(window->pos() + QPoint(20, 10));
  EXPECT_EQ(window->pos(), window->frameGeometry().topLeft()) << "it moves";

  const QList<QSize> icon_sizes = window->windowIcon().availableSizes();
  EXPECT_TRUE(icon_sizes.contains(QSize(200, 200)));
}

TEST_F(MainWindowTest, ResultListSettingsAndColumns) {
  auto* list = qobject_cast<ListView*>(control("超级列表框1"));
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->horizontalHeader()->isHidden());
  EXPECT_TRUE(list->verticalHeader()->isHidden());
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_FALSE(list->showGrid());
  EXPECT_FALSE(list->isSortingEnabled());
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(list->frameShadow(), QFrame::Sunken);
  EXPECT_EQ(list->palette().color(QPalette::Inactive, QPalette::Highlight), black)
      << "no selection shown without the focus";
  EXPECT_TRUE(list->font() == QApplication::font());

  const struct {
    const char* caption;
    int width;
    Qt::Alignment align;
  } columns[] = {{"序号", 0, Qt::AlignLeft},
                 {"地址", 0, Qt::AlignHCenter},
                 {"网盘名称", 320, Qt::AlignHCenter},
                 {"图片", 0, Qt::AlignLeft}};
  QAbstractItemModel* rows = list->model();
  ASSERT_EQ(rows->columnCount(), 4);
  toolkit->append_row(ui::controls::list_view_1);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rows->headerData(i, Qt::Horizontal).toString(), utf8(columns[i].caption));
    EXPECT_EQ(list->columnWidth(i), columns[i].width);
    const auto align = rows->index(0, i).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
    EXPECT_EQ(align & Qt::AlignHorizontal_Mask, columns[i].align);
  }
}

TEST_F(MainWindowTest, EditBoxesTakeAnyLengthAndTabReachesTheInputs) {
  for (const char* name : {"编辑框1", "编辑框2", "编辑框3"}) {
    auto* edit = qobject_cast<QLineEdit*>(control(name));
    ASSERT_NE(edit, nullptr) << name;
    EXPECT_EQ(edit->maxLength(), INT_MAX) << name;
    EXPECT_FALSE(edit->isReadOnly()) << name;
    EXPECT_EQ(edit->echoMode(), QLineEdit::Normal) << name;
    EXPECT_TRUE(edit->hasFrame()) << name;
  }
  const std::string long_text(100000, 'k');
  toolkit->set_content(ui::controls::edit_box_2, long_text);
  EXPECT_EQ(qobject_cast<QLineEdit*>(control("编辑框2"))->text().size(), 100000);

  for (const Expected& e : layout) {
    const bool takes_focus = e.kind == Kind::edit || e.kind == Kind::button || e.kind == Kind::list;
    EXPECT_EQ(bool(control(e.name)->focusPolicy() & Qt::TabFocus), takes_focus) << e.name;
  }
}

TEST_F(MainWindowTest, EnterTriggersNothingAndEscClosesTheWindow) {
  QWidget* keyword = control("编辑框1");
  window->activateWindow();
  keyword->setFocus();
  QTest::keyClicks(keyword, "abc");
  QTest::keyClick(keyword, Qt::Key_Return);
  QTest::keyClick(keyword, Qt::Key_Enter);
  EXPECT_EQ(searches, 0);
  EXPECT_TRUE(keyword->hasFocus());
  EXPECT_EQ(toolkit->content(ui::controls::edit_box_1), "abc");
  EXPECT_TRUE(window->isVisible());

  QTest::keyClick(keyword, Qt::Key_Escape);
  EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, SearchButtonAndListDoubleClickRunTheirHandlers) {
  QTest::mouseClick(control("按钮1"), Qt::LeftButton);
  EXPECT_EQ(searches, 1);
  auto* list = qobject_cast<ListView*>(control("超级列表框1"));
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(150, 150));
  EXPECT_EQ(details, 1) << "empty space below the rows";
  EXPECT_EQ(toolkit->current_selection(ui::controls::list_view_1), -1);
}

}  // namespace
}  // namespace netdisk
