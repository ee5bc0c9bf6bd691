#pragma once
// How long one unattended run may take in all: its tries, the waits between
// them and the wait for a press on its notification. The daily service is
// ended by systemd after this long (TimeoutStartSec), so the run keeps its
// own waits inside it.

#include <chrono>

namespace quilbex::app {

inline constexpr std::chrono::minutes kRunTimeLimit{30};

}  // namespace quilbex::app
