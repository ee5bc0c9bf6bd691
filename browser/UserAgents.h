#pragma once
// The user-agent presets of the browser control: a text set as the user
// agent that equals a preset name exactly (case matters) stands for the full
// agent text; any other text stands for itself.

#include <string>

namespace quilbex::browser {

// The agent to store for a text set by the program (GBK in, GBK out).
std::string resolve_user_agent(const std::string& text);

}  // namespace quilbex::browser
