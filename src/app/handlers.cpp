// What each window event does. The search button and the result list run the
// search command and the result detail of src/search (search/search_command.h,
// search/result_detail.h), which define on_search_clicked and
// on_result_double_clicked themselves. The created handler does nothing until
// the start-up notice takes its place: delete it here when that lands.
#include "app/handlers.h"

namespace netdisk {

void on_main_window_created() {}

}  // namespace netdisk
