// What each window event does. The start-up notice, the search command and the
// result detail take their places here as they are written; until then an event
// does nothing.
#include "app/handlers.h"

namespace netdisk {

void on_main_window_created() {}

void on_search_clicked() {}

void on_result_double_clicked() {}

}  // namespace netdisk
