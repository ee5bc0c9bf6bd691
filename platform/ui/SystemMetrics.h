#pragma once
// The system metrics every backend reports the same way: the sizes of the
// classic window frame, scroll bars and icons. Only the screen's size comes
// from the backend.

#include "platform/ui/Constants.h"

namespace quilbex::ui {

inline constexpr int standard_system_metric(int index, int screen_width, int screen_height) {
    switch (index) {
    case SM_CXSCREEN: return screen_width;
    case SM_CYSCREEN: return screen_height;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return 17;
    case SM_CYCAPTION: return 23;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
    case SM_CXFRAME:
    case SM_CYFRAME: return 3;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    default: return 0;
    }
}

}  // namespace quilbex::ui
