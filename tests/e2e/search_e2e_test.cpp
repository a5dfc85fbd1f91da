// The program's window on the offscreen platform against the demo site on a
// loopback port, used as a person would: type a keyword, press 搜索, double-click
// a result. The handlers run from the widgets' own events; the site is the one
// `./run demo` starts, in-process here.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/main_window.h"
#include "search/result_detail.h"
#include "search/search_command.h"
#include "site/assets.h"
#include "site/catalogue.h"
#include "site/demo_site.h"
#include "site/pages.h"
#include "support/loopback_server.h"
#include "text/codepage.h"
#include "ui/control_names.h"
#include "ui/qt/qt_toolkit.h"
#include "ui/qt/widgets.h"

namespace netdisk {
namespace {

namespace controls = ui::controls;
using demo::CatalogueEntry;
using demo::PasswordForm;

bool eventually(const std::function<bool()>& condition) {
  return QTest::qWaitFor(condition, 10000);
}

Text ansi(std::string_view utf8) { return utf8_to_ansi(utf8); }

// Passes every call to the Qt toolkit. It also counts the detail workers as they
// start and end (so a test knows when the last write has landed), can act as the
// user would between a double-click and its worker's start, and records any
// question instead of showing it, so a wrong one cannot block the test.
class ObservedToolkit final : public ui::Toolkit {
 public:
  explicit ObservedToolkit(ui::QtToolkit& qt) : qt(qt) {}

  void load_window(const ui::WindowLayout& layout, ui::EventBindings bindings) override {
    qt.load_window(layout, std::move(bindings));
  }
  void run_message_loop() override { qt.run_message_loop(); }
  Text caption(std::string_view c) const override { return qt.caption(c); }
  void set_caption(std::string_view c, std::string_view t) override { qt.set_caption(c, t); }
  Text content(std::string_view c) const override { return qt.content(c); }
  void set_content(std::string_view c, std::string_view t) override { qt.set_content(c, t); }
  void delete_all_rows(std::string_view l) override { qt.delete_all_rows(l); }
  int append_row(std::string_view l) override { return qt.append_row(l); }
  void set_cell_text(std::string_view l, int r, int c, std::string_view t) override {
    qt.set_cell_text(l, r, c, t);
  }
  Text cell_text(std::string_view l, int r, int c) const override { return qt.cell_text(l, r, c); }
  int current_selection(std::string_view l) const override { return qt.current_selection(l); }
  void set_picture(std::string_view b, const Bytes& p) override { qt.set_picture(b, p); }
  void set_display_mode(std::string_view b, int m) override { qt.set_display_mode(b, m); }
  void process_pending_events() override { qt.process_pending_events(); }
  int message_box(std::string_view, std::string_view) override {
    ++questions;
    return ui::answer_no;
  }
  void open_address(std::string_view address) override { qt.open_address(address); }
  void start_thread(std::function<void()> routine) override {
    ++started;
    if (before_thread) before_thread();
    qt.start_thread([this, routine = std::move(routine)] {
      routine();
      ++finished;
    });
  }

  bool workers_done() const { return finished == started; }

  ui::QtToolkit& qt;
  std::function<void()> before_thread;
  std::atomic<int> started{0};
  std::atomic<int> finished{0};
  std::atomic<int> questions{0};
};

struct ListedRow {
  Text index, detail, name, cover;
  bool operator==(const ListedRow&) const = default;
  friend void PrintTo(const ListedRow& r, std::ostream* os) {
    *os << "{" << r.index << ", " << r.detail << ", " << ansi_to_utf8(r.name) << ", " << r.cover
        << "}";
  }
};

// The name as the list must show it: the tags gone, then runs of four, three and
// two question marks, in that order.
std::string shown_name(const CatalogueEntry& entry) {
  std::string name = demo::plain_name(entry.name);
  for (std::string_view run : {"????", "???", "??"}) {
    for (std::size_t at = name.find(run); at != std::string::npos; at = name.find(run, at))
      name.erase(at, run.size());
  }
  return name;
}

// The password text between "密码" and "</p>" as each form writes it.
std::string raw_password(const CatalogueEntry& entry) {
  const std::string& pw = entry.password;
  switch (entry.password_form) {
    case PasswordForm::full_width_nbsp_br:
      return "：&nbsp;" + pw + "<br/>";
    case PasswordForm::ascii_colon:
      return ":" + pw;
    case PasswordForm::span_label:
      return "：</span>" + pw;
    case PasswordForm::ascii_nbsp_both:
      return ":&nbsp;" + pw + "&nbsp;<br/>";
    case PasswordForm::full_width_br:
      return "：" + pw + "<br/>";
    case PasswordForm::none:
      return "";
  }
  return "";
}

Bytes cover_of(const CatalogueEntry& entry) {
  for (const demo::CoverAsset& cover : demo::embedded_covers()) {
    if (cover.id == entry.id) return Bytes(cover.data, cover.data + cover.size);
  }
  return {};
}

class SearchEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    site = demo::DemoSite::start({.port = 0}, &error).release();
    ASSERT_NE(site, nullptr) << error;
  }
  static void TearDownTestSuite() {
    delete site;
    site = nullptr;
  }

  void SetUp() override {
    ASSERT_NE(site, nullptr);
    set_search_base_for_testing(site->origin() + "/key/");
    g_regex = std::make_unique<RegexObject>();
    // The program's own bindings, except that the created handler only sets the
    // cover's display mode: the start-up notice and counter use the built-in
    // addresses, which belong to whatever runs on the default port.
    ui::EventBindings bindings;
    bindings.created = [] { ui::toolkit().set_display_mode(controls::picture_box_2, 1); };
    bindings.clicked.emplace_back(Text(controls::button_1), on_search_clicked);
    bindings.double_clicked.emplace_back(Text(controls::list_view_1), on_result_double_clicked);
    toolkit.load_window(main_window_layout(), std::move(bindings));
    ASSERT_NE(qt.window(), nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(qt.window()));
  }

  void TearDown() override {
    EXPECT_TRUE(eventually([this] { return toolkit.workers_done(); }));
    EXPECT_EQ(toolkit.questions, 0);
    for (QWidget* top : QApplication::topLevelWidgets())
      EXPECT_EQ(qobject_cast<QMessageBox*>(top), nullptr) << "no message is ever shown";
    set_search_base_for_testing("");
    g_regex.reset();
  }

  template <typename Widget>
  Widget* find(std::string_view name) {
    auto* widget = qt.window()->findChild<Widget*>(ui::qt::display_text(name));
    EXPECT_NE(widget, nullptr);
    return widget;
  }
  ui::qt::ListView* list() { return find<ui::qt::ListView>(controls::list_view_1); }

  // Replaces the keyword box's text as a keyboard would: select all, delete, then
  // the Chinese arrives through the input method.
  void type_keyword(const char* utf8) {
    QLineEdit* edit = find<QLineEdit>(controls::edit_box_1);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Backspace);
    if (*utf8 != '\0') {
      QInputMethodEvent composed;
      composed.setCommitString(QString::fromUtf8(utf8));
      QApplication::sendEvent(edit, &composed);
    }
  }

  void search_for(const char* utf8) {
    type_keyword(utf8);
    QTest::mouseClick(find<QPushButton>(controls::button_1), Qt::LeftButton);
  }

  QPoint row_centre(int row) { return list()->visualRect(list()->model()->index(row, 2)).center(); }

  // A click selects the row; the double-click at the same place runs the handler.
  void double_click_row(int row) {
    QWidget* viewport = list()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, row_centre(row));
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, row_centre(row));
  }

  std::vector<ListedRow> listed() const {
    std::vector<ListedRow> rows;
    const ui::ControlModel& model = qt.model();
    for (int r = 0; r < model.row_count(controls::list_view_1); ++r) {
      rows.push_back(
          {model.cell(controls::list_view_1, r, 0), model.cell(controls::list_view_1, r, 1),
           model.cell(controls::list_view_1, r, 2), model.cell(controls::list_view_1, r, 3)});
    }
    return rows;
  }

  // What the list must hold for a keyword: the matching catalogue entries in the
  // page's order, which is the catalogue's.
  std::vector<ListedRow> expected_rows(std::string_view keyword) const {
    std::vector<ListedRow> rows;
    for (const CatalogueEntry& entry : demo::site_catalogue()) {
      if (!demo::name_matches(entry, keyword)) continue;
      rows.push_back({number_to_text(static_cast<int>(rows.size())),
                      demo::detail_address(site->origin(), entry), ansi(shown_name(entry)),
                      demo::cover_address(site->origin(), entry)});
    }
    return rows;
  }

  const CatalogueEntry& entry_listed_at(std::string_view keyword, int row) const {
    int seen = 0;
    for (const CatalogueEntry& entry : demo::site_catalogue()) {
      if (demo::name_matches(entry, keyword) && seen++ == row) return entry;
    }
    throw std::out_of_range("no such row");
  }

  Text text_of(std::string_view control) const { return qt.model().text(control); }
  Bytes picture() const { return qt.model().picture(controls::picture_box_2); }

  static demo::DemoSite* site;
  ui::QtToolkit& qt = ui::install_qt_toolkit();
  ObservedToolkit toolkit{qt};
  ui::ScopedToolkit installed{toolkit};
};

demo::DemoSite* SearchEndToEnd::site = nullptr;

TEST_F(SearchEndToEnd, SearchListsTheEntriesInPageOrderWithCleanedNames) {
  search_for("星河");

  const std::vector<ListedRow> expected = expected_rows("星河");
  ASSERT_EQ(expected.size(), 7u);
  EXPECT_THAT(listed(), ::testing::ElementsAreArray(expected));
  // On screen: only the names' column is wide enough to be seen, and it shows them.
  ASSERT_TRUE(eventually([&] { return list()->model()->rowCount() == 7; }));
  for (int r = 0; r < 7; ++r) {
    EXPECT_EQ(list()->model()->index(r, 2).data().toString(),
              ui::qt::display_text(expected[r].name));
    EXPECT_EQ(list()->model()->index(r, 1).data().toString(),
              QString::fromStdString(expected[r].detail));
  }
  EXPECT_GT(list()->columnWidth(2), 0);
  for (int column : {0, 1, 3}) EXPECT_EQ(list()->columnWidth(column), 0);
}

TEST_F(SearchEndToEnd, DoubleClickShowsTheCoverThenTheLinkAndThePassword) {
  // Rows with every cover format and every password form the site writes.
  const struct {
    const char* keyword;
    std::vector<int> rows;
  } visits[] = {{"星河", {0, 1, 2, 3, 4}}, {"侦探", {0}}};
  for (const auto& visit : visits) {
    search_for(visit.keyword);
    ASSERT_FALSE(listed().empty());
    for (int row : visit.rows) {
      const CatalogueEntry& entry = entry_listed_at(visit.keyword, row);
      SCOPED_TRACE(entry.id);
      double_click_row(row);
      // The cover is requested and shown before the worker starts.
      EXPECT_EQ(picture(), cover_of(entry));
      const QImage shown = find<ui::qt::PictureBox>(controls::picture_box_2)->image();
      EXPECT_FALSE(shown.isNull()) << entry.cover_format;

      ASSERT_TRUE(eventually([this] { return toolkit.workers_done(); }));
      EXPECT_EQ(text_of(controls::edit_box_2), demo::share_address(entry));
      EXPECT_EQ(text_of(controls::edit_box_3), entry.password);
      EXPECT_EQ(text_of(controls::label_1), ansi(raw_password(entry)));
      EXPECT_EQ(qt.current_selection(controls::list_view_1), row);
    }
  }
  // On screen too.
  const std::string last_link = demo::share_address(entry_listed_at("侦探", 0));
  EXPECT_TRUE(eventually([&] {
    return find<QLineEdit>(controls::edit_box_2)->text() == QString::fromStdString(last_link);
  }));
}

TEST_F(SearchEndToEnd, SecondSearchReplacesTheRowsAndKeepsTheDetail) {
  search_for("星河");
  double_click_row(0);
  ASSERT_TRUE(eventually([this] { return toolkit.workers_done(); }));
  const CatalogueEntry& first = entry_listed_at("星河", 0);
  ASSERT_EQ(text_of(controls::edit_box_3), first.password);

  search_for("侦探");
  EXPECT_THAT(listed(), ::testing::ElementsAreArray(expected_rows("侦探")));
  EXPECT_EQ(listed().size(), 5u);
  EXPECT_EQ(qt.current_selection(controls::list_view_1), -1);
  EXPECT_EQ(text_of(controls::edit_box_2), demo::share_address(first));
  EXPECT_EQ(text_of(controls::edit_box_3), first.password);
  EXPECT_EQ(picture(), cover_of(first));
}

TEST_F(SearchEndToEnd, KeywordWithoutResultsAndSiteDownGiveAnEmptyList) {
  search_for("山海");
  ASSERT_EQ(listed().size(), 4u);
  search_for("没有这部片子");
  EXPECT_TRUE(listed().empty());

  search_for("山海");
  ASSERT_EQ(listed().size(), 4u);
  test_support::RefusingPort down;
  set_search_base_for_testing(down.url("/key/"));
  search_for("山海");
  EXPECT_TRUE(listed().empty());
  EXPECT_TRUE(eventually([this] { return list()->model()->rowCount() == 0; }));
}

TEST_F(SearchEndToEnd, SelectionChangedBeforeTheWorkerReadsGivesTheNewRowsLink) {
  search_for("侦探");
  ASSERT_EQ(listed().size(), 5u);
  const CatalogueEntry& first = entry_listed_at("侦探", 0);
  const CatalogueEntry& second = entry_listed_at("侦探", 1);
  // The user clicks the next row while the cover of the first is loading.
  toolkit.before_thread = [this] {
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, row_centre(1));
  };
  double_click_row(0);
  toolkit.before_thread = nullptr;
  ASSERT_TRUE(eventually([this] { return toolkit.workers_done(); }));

  EXPECT_EQ(qt.current_selection(controls::list_view_1), 1);
  EXPECT_EQ(picture(), cover_of(first));
  EXPECT_EQ(text_of(controls::edit_box_2), demo::share_address(second));
  EXPECT_EQ(text_of(controls::edit_box_3), second.password);
}

}  // namespace
}  // namespace netdisk
