#include "search/result_detail.h"

#include "text/codepage.h"
#include "text/markers.h"
#include "ui/control_names.h"
#include "ui/toolkit.h"
#include "web/request.h"

namespace netdisk {
namespace {

namespace controls = ui::controls;

constexpr int detail_column = 1;
constexpr int cover_column = 3;

// The markers, in code page 936 like the page they are searched in. Every search
// ignores the case of ASCII letters.
constexpr std::string_view section_start = "\xD7\xCA\xD4\xB4\xC1\xD0\xB1\xED";  // 资源列表
constexpr std::string_view section_end = "</div>";
constexpr std::string_view link_start = "<a href=\"";
constexpr std::string_view link_end = "\"";
constexpr std::string_view password_start = "\xC3\xDC\xC2\xEB";  // 密码
constexpr std::string_view password_end = "</p>";

// Only the closing span tag goes: an opening one in front of the password stays.
// The second pair is the full-width colon.
constexpr ReplacePair password_cleaning[5] = {
    {":", ""}, {"\xA3\xBA", ""}, {"&nbsp;", ""}, {"</span>", ""}, {"<br/>", ""},
};

}  // namespace

Text clean_password(std::string_view raw) { return replace_many(raw, password_cleaning); }

DetailPage read_detail_page(const Bytes& body) {
  const Text page = utf8_to_ansi(bytes_to_text(body));
  const Text section = text_between(page, section_start, section_end);
  return {
      .share_link = text_between(section, link_start, link_end),
      .raw_password = text_between(section, password_start, password_end),
  };
}

void on_result_double_clicked() {
  ui::Toolkit& toolkit = ui::toolkit();
  const int row = toolkit.current_selection(controls::list_view_1);
  const Text cover_address = toolkit.cell_text(controls::list_view_1, row, cover_column);
  const Bytes cover = web_request(cover_address);
  toolkit.set_picture(controls::picture_box_2, cover);
  toolkit.start_thread(load_result_detail);
}

void load_result_detail() {
  ui::Toolkit& toolkit = ui::toolkit();
  const int row = toolkit.current_selection(controls::list_view_1);
  const Text detail_address = toolkit.cell_text(controls::list_view_1, row, detail_column);
  const DetailPage detail = read_detail_page(web_request(detail_address));
  toolkit.set_content(controls::edit_box_3, "");
  toolkit.set_content(controls::edit_box_2, detail.share_link);
  // 标签1 holds the password as the page gave it; the cleaning reads it back from there.
  toolkit.set_caption(controls::label_1, detail.raw_password);
  const Text raw_password = toolkit.caption(controls::label_1);
  toolkit.set_content(controls::edit_box_3, clean_password(raw_password));
}

}  // namespace netdisk
