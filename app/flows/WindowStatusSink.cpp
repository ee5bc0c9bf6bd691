#include "app/flows/MainWindowAccess.h"
#include "app/flows/StatusSink.h"

#include <string>

namespace quilbex::app {

void WindowStatusSink::report(FlowStep step, int, const char* status) {
    if (step != FlowStep::draw)
        return;
    MainWindowAccess& window = main_window_access();
    if (window.display_exists())
        window.append_to_display((std::string(status ? status : "") + "\r\n").c_str());
}

}  // namespace quilbex::app
