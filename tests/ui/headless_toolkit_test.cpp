#include "ui/headless_toolkit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "test_layout.h"
#include "ui/toolkit.h"

namespace netdisk::ui {
namespace {

namespace t = testing;

TEST(ToolkitAccessor, InertUntilInstalledAndRestoredAfterAScope) {
  Toolkit& inert = toolkit();
  EXPECT_EQ(inert.append_row(t::list), -1);
  inert.set_caption(t::label, "x");
  EXPECT_EQ(inert.caption(t::label), "");
  EXPECT_EQ(inert.current_selection(t::list), -1);
  {
    HeadlessToolkit fake(t::small_window());
    ScopedToolkit installed(fake);
    EXPECT_EQ(&toolkit(), &fake);
    toolkit().set_caption(t::label, "x");
    EXPECT_EQ(fake.caption(t::label), "x");
    {
      HeadlessToolkit inner(t::small_window());
      ScopedToolkit nested(inner);
      EXPECT_EQ(&toolkit(), &inner);
    }
    EXPECT_EQ(&toolkit(), &fake);
  }
  EXPECT_EQ(&toolkit(), &inert);
}

TEST(HeadlessToolkit, CreatedHandlerRunsBeforeTheWindowCountsAsShown) {
  HeadlessToolkit fake;
  bool shown_inside = true;
  bool controls_inside = false;
  EventBindings bindings;
  bindings.created = [&] {
    shown_inside = fake.window_shown();
    controls_inside = fake.model().has_control(t::list);
    fake.set_caption(t::label, "from created");
  };
  fake.load_window(t::small_window(), bindings);
  EXPECT_FALSE(shown_inside);
  EXPECT_TRUE(controls_inside);
  EXPECT_TRUE(fake.window_shown());
  EXPECT_EQ(fake.caption(t::label), "from created");
}

TEST(HeadlessToolkit, ClicksRunTheirBindingsAndAThrowingHandlerIsContained) {
  HeadlessToolkit fake;
  int clicks = 0;
  int double_clicks = 0;
  EventBindings bindings;
  bindings.clicked.emplace_back(t::button, [&] {
    ++clicks;
    throw std::runtime_error("handler failure");
  });
  bindings.double_clicked.emplace_back(t::list, [&] { ++double_clicks; });
  fake.load_window(t::small_window(), bindings);

  fake.click(t::button);
  fake.click(t::button);
  fake.double_click(t::list);
  fake.click(t::list);          // not bound to a click
  fake.double_click(t::button); // not bound to a double-click
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(double_clicks, 1);
}

TEST(HeadlessToolkit, RecordsQuestionsAndAnswersThemInOrder) {
  HeadlessToolkit fake(t::small_window());
  fake.queue_answers({answer_yes, answer_no});
  EXPECT_EQ(fake.message_box("text 1", "title 1"), answer_yes);
  EXPECT_EQ(fake.message_box("text 2", "title 2"), answer_no);
  EXPECT_EQ(fake.message_box("text 3", "title 3"), answer_no) << "no answer queued means No";
  const std::vector<HeadlessToolkit::Question> expected = {
      {"text 1", "title 1"}, {"text 2", "title 2"}, {"text 3", "title 3"}};
  EXPECT_EQ(fake.questions(), expected);
}

TEST(HeadlessToolkit, RecordsOpenedAddressesAsGiven) {
  HeadlessToolkit fake(t::small_window());
  fake.open_address("http://127.0.0.1/update");
  fake.open_address("");
  EXPECT_EQ(fake.opened_addresses(), (std::vector<Text>{"http://127.0.0.1/update", ""}));
}

TEST(HeadlessToolkit, StartsRealThreadsAndJoinsThem) {
  HeadlessToolkit fake(t::small_window());
  std::atomic<int> ran{0};
  const std::thread::id caller = std::this_thread::get_id();
  std::atomic<bool> other_thread{false};
  fake.start_thread([&] {
    other_thread = std::this_thread::get_id() != caller;
    fake.set_content(t::edit, "from worker");
    ++ran;
  });
  fake.start_thread([&] {
    ++ran;
    throw std::runtime_error("dropped");
  });
  fake.join_threads();
  EXPECT_EQ(ran, 2);
  EXPECT_TRUE(other_thread);
  EXPECT_EQ(fake.threads_started(), 2);
  EXPECT_EQ(fake.content(t::edit), "from worker");
}

TEST(HeadlessToolkit, PendingEventsRunTheHookSoATestCanClickMidway) {
  HeadlessToolkit fake;
  int clicks = 0;
  EventBindings bindings;
  bindings.clicked.emplace_back(t::button, [&] { ++clicks; });
  fake.load_window(t::small_window(), bindings);
  fake.on_pending_events([&] {
    if (fake.pending_event_calls() == 2) fake.click(t::button);
  });
  for (int i = 0; i < 3; ++i) fake.process_pending_events();
  EXPECT_EQ(fake.pending_event_calls(), 3);
  EXPECT_EQ(clicks, 1);
}

TEST(HeadlessToolkit, SelectionAndPicturesLiveInTheModel) {
  HeadlessToolkit fake(t::small_window());
  EXPECT_EQ(fake.current_selection(t::list), -1);
  fake.append_row(t::list);
  fake.append_row(t::list);
  fake.select_row(t::list, 1);
  EXPECT_EQ(fake.current_selection(t::list), 1);
  fake.delete_all_rows(t::list);
  EXPECT_EQ(fake.current_selection(t::list), -1);
  EXPECT_EQ(fake.cell_text(t::list, -1, 1), "");

  fake.set_picture(t::picture, Bytes{0x89, 'P', 'N', 'G'});
  EXPECT_EQ(fake.model().picture(t::picture), (Bytes{0x89, 'P', 'N', 'G'}));
  fake.set_display_mode(t::picture, 2);
  EXPECT_EQ(fake.model().display_mode(t::picture), 2);
}

}  // namespace
}  // namespace netdisk::ui
