#include "ui/control_model.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "test_layout.h"

namespace netdisk::ui {
namespace {

namespace t = testing;

class ControlModelTest : public ::testing::Test {
 protected:
  void SetUp() override { model.reset(t::small_window()); }
  ControlModel model;
};

// Texts that must come back exactly as written, whatever they hold.
struct BytesCase {
  const char* name;
  Text bytes;
};

const BytesCase byte_cases[] = {
    {"ascii", "hello"},
    {"code_page_936", "\xCD\xF8\xC5\xCC\xCB\xD1\xCB\xF7"},
    {"lone_lead_byte", "\x81"},
    {"lead_byte_at_end", "abc\xB1"},
    {"bytes_936_lacks", "\xFF\xFE\x80"},
    {"utf8_not_936", "\xE7\xBD\x91\xE7\x9B\x98"},
    {"nul_inside", Text("a\0b", 3)},
    {"empty", ""},
};

TEST_F(ControlModelTest, TextsReadBackByteForByte) {
  for (const BytesCase& c : byte_cases) {
    SCOPED_TRACE(c.name);
    model.set_text(t::label, c.bytes);
    EXPECT_EQ(model.text(t::label), c.bytes);
    model.set_text(t::edit, c.bytes);
    EXPECT_EQ(model.text(t::edit), c.bytes);
    const int row = model.append_row(t::list);
    model.set_cell(t::list, row, 3, c.bytes);
    EXPECT_EQ(model.cell(t::list, row, 3), c.bytes);
  }
}

TEST_F(ControlModelTest, InitialStateComesFromTheLayout) {
  EXPECT_EQ(model.text(t::label), "\xB1\xEA\xC7\xA9");
  EXPECT_EQ(model.text(t::button), "\xCB\xD1\xCB\xF7");
  EXPECT_EQ(model.text(t::edit), "");
  EXPECT_EQ(model.column_count(t::list), 4);
  EXPECT_EQ(model.row_count(t::list), 0);
  EXPECT_EQ(model.selection(t::list), -1);
  EXPECT_EQ(model.display_mode(t::picture), 1);
}

TEST_F(ControlModelTest, RowsAppendInOrderAndClear) {
  for (int i = 0; i < 3; ++i) EXPECT_EQ(model.append_row(t::list), i);
  model.set_cell(t::list, 1, 0, "one");
  model.set_cell(t::list, 1, 2, "name");
  EXPECT_EQ(model.cell(t::list, 1, 0), "one");
  EXPECT_EQ(model.cell(t::list, 1, 2), "name");
  EXPECT_EQ(model.cell(t::list, 0, 0), "");
  model.note_selection(t::list, 2);
  EXPECT_EQ(model.selection(t::list), 2);

  model.clear_rows(t::list);
  EXPECT_EQ(model.row_count(t::list), 0);
  EXPECT_EQ(model.selection(t::list), -1);
  EXPECT_EQ(model.cell(t::list, 1, 0), "");
  EXPECT_EQ(model.append_row(t::list), 0) << "numbering starts again after a clear";
}

TEST_F(ControlModelTest, CellsOutsideTheListReadEmptyAndIgnoreWrites) {
  model.append_row(t::list);
  struct Cell {
    int row;
    int column;
  };
  const Cell outside[] = {{-1, 0}, {1, 0}, {0, -1}, {0, 4}, {-1, -1}, {1000000, 2}};
  for (const Cell& c : outside) {
    SCOPED_TRACE(::testing::Message() << c.row << "," << c.column);
    model.set_cell(t::list, c.row, c.column, "x");
    EXPECT_EQ(model.cell(t::list, c.row, c.column), "");
  }
  for (int column = 0; column < 4; ++column) EXPECT_EQ(model.cell(t::list, 0, column), "");
  EXPECT_EQ(model.row_count(t::list), 1);
}

TEST_F(ControlModelTest, SelectionOfARowThatDoesNotExistReadsAsNone) {
  model.append_row(t::list);
  model.note_selection(t::list, 5);
  EXPECT_EQ(model.selection(t::list), -1);
  model.note_selection(t::list, 0);
  EXPECT_EQ(model.selection(t::list), 0);
  model.note_selection(t::list, -7);
  EXPECT_EQ(model.selection(t::list), -1);
}

TEST_F(ControlModelTest, OperationsOnUnknownNamesOrWrongKindsDoNothing) {
  const Text unknown = "\xB1\xEA\xC7\xA9" "99";
  model.set_text(unknown, "x");
  EXPECT_EQ(model.text(unknown), "");
  EXPECT_EQ(model.append_row(unknown), -1);
  EXPECT_EQ(model.append_row(t::label), -1) << "a label has no rows";
  model.set_text(t::list, "x");
  EXPECT_EQ(model.text(t::list), "") << "a list has no caption";
  model.set_text(t::frame, "x");
  EXPECT_EQ(model.text(t::frame), "") << "a frame box has no caption";
  model.set_picture(t::label, Bytes{1, 2, 3});
  EXPECT_EQ(model.picture(t::label), Bytes());
  EXPECT_EQ(model.selection(t::label), -1);
  EXPECT_FALSE(model.has_control(unknown));
  EXPECT_TRUE(model.has_control(t::list));
}

TEST_F(ControlModelTest, DisplayModeTakesOnlyTheThreeModes) {
  for (int mode : {0, 2, 1}) {
    model.set_display_mode(t::picture, mode);
    EXPECT_EQ(model.display_mode(t::picture), mode);
  }
  for (int bad : {-1, 3, 100}) {
    model.set_display_mode(t::picture, bad);
    EXPECT_EQ(model.display_mode(t::picture), 1) << bad;
  }
}

TEST_F(ControlModelTest, LogsChangesInOrderOnlyOnceLoggingIsOn) {
  model.set_text(t::label, "before");
  EXPECT_TRUE(model.take_changes().empty());

  std::vector<bool> wakes;
  model.log_changes([&](bool first) { wakes.push_back(first); });
  model.set_text(t::label, "a");
  const int row = model.append_row(t::list);
  model.set_cell(t::list, row, 2, "name");
  model.note_typed_text(t::edit, "typed");    // already on screen: not logged
  model.note_selection(t::list, 0);           // likewise
  model.set_picture(t::picture, Bytes{1, 2});
  model.set_display_mode(t::picture, 2);
  model.clear_rows(t::list);
  model.set_text(t::list, "ignored");         // no such operation: nothing logged

  using Kind = ControlModel::Change::Kind;
  const std::vector<ControlModel::Change> changes = model.take_changes();
  ASSERT_EQ(changes.size(), 6u);
  EXPECT_EQ(changes[0].kind, Kind::text);
  EXPECT_EQ(changes[0].control, t::label);
  EXPECT_EQ(changes[1].kind, Kind::row_appended);
  EXPECT_EQ(changes[1].row, 0);
  EXPECT_EQ(changes[2].kind, Kind::cell);
  EXPECT_EQ(changes[2].column, 2);
  EXPECT_EQ(changes[2].text, "name");
  EXPECT_EQ(changes[3].kind, Kind::picture);
  EXPECT_EQ(changes[3].picture, (Bytes{1, 2}));
  EXPECT_EQ(changes[4].kind, Kind::display_mode);
  EXPECT_EQ(changes[5].kind, Kind::rows_cleared);
  EXPECT_EQ(wakes, (std::vector<bool>{true, false, false, false, false, false}));
  EXPECT_TRUE(model.take_changes().empty());
  model.set_text(t::label, "again");
  EXPECT_TRUE(wakes.back()) << "the first change after a take wakes as first";
}

TEST_F(ControlModelTest, WritersOnManyThreadsKeepEveryRowWhole) {
  model.log_changes([](bool) {});
  constexpr int threads = 4;
  constexpr int rows_each = 500;
  std::vector<std::thread> writers;
  for (int w = 0; w < threads; ++w) {
    writers.emplace_back([&, w] {
      for (int i = 0; i < rows_each; ++i) {
        const int row = model.append_row(t::list);
        const Text mark = std::to_string(w) + ":" + std::to_string(i);
        model.set_cell(t::list, row, 0, mark);
        model.set_cell(t::list, row, 3, mark);
        model.set_text(t::label, mark);
        (void)model.text(t::label);
      }
    });
  }
  for (std::thread& w : writers) w.join();
  ASSERT_EQ(model.row_count(t::list), threads * rows_each);
  for (int row = 0; row < threads * rows_each; ++row) {
    ASSERT_EQ(model.cell(t::list, row, 0), model.cell(t::list, row, 3)) << row;
    ASSERT_FALSE(model.cell(t::list, row, 0).empty()) << row;
  }
  int appended = 0;
  for (const auto& change : model.take_changes()) {
    appended += change.kind == ControlModel::Change::Kind::row_appended;
  }
  EXPECT_EQ(appended, threads * rows_each);
}

}  // namespace
}  // namespace netdisk::ui
