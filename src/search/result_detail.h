// The result list's double-click: shows the selected entry's cover in 图片框2,
// then a worker thread fetches the entry's detail page and writes the share link
// into 编辑框2 and the extraction password into 编辑框3 (标签1 keeps the password
// text as the page gave it). No message is ever shown.
//
//   bindings.double_clicked.emplace_back(Text(ui::controls::list_view_1),
//                                        on_result_double_clicked);
#pragma once

#include <string_view>

#include "text/text.h"

namespace netdisk {

// On the window's thread: the cover request blocks it, then the worker starts.
void on_result_double_clicked();

// The worker's routine. It reads the selection anew, so a row selected after the
// double-click gives its link and password beside the earlier row's cover.
void load_result_detail();

// What the worker takes from a detail page's body (UTF-8, converted to code page
// 936 up to its first zero byte): the resource section from "资源列表" to "</div>",
// and in it the first link target and the password text from "密码" to "</p>".
struct DetailPage {
  Text share_link;
  Text raw_password;
};
DetailPage read_detail_page(const Bytes& body);

// The password text cut from a detail page, with colons (ASCII and full-width),
// "&nbsp;", "</span>" and "<br/>" removed, letters in any case.
Text clean_password(std::string_view raw);

}  // namespace netdisk
