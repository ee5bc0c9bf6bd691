#pragma once
// Installing and removing a member's daily run. The unit files are always
// written (a member can enable them by hand later); then the run is
// scheduled by the first of these that exists:
//
//   a user manager answers       daemon-reload, enable --now, and check
//                                that the timer is loaded and enabled
//   systemd runs, no manager     the timers.target.wants link, as
//   (an SSH login, say)          "systemctl enable" makes it: the timer
//                                starts at the member's next login
//   a crontab command            the member's own line in their crontab
//   nothing                      status 1: nothing was scheduled
//
// Messages go to standard output and standard error; the functions return
// the exit status.

#include "app/schedule/DailyMember.h"
#include "app/schedule/SystemdUnits.h"

#include <string>

namespace quilbex::app {

// The folder of the member's own units: $XDG_CONFIG_HOME/systemd/user, else
// ~/.config/systemd/user.
std::string user_unit_dir();

int install_daily(const DailyMember& member, DailyTime time);
int uninstall_daily(const DailyMember& member);

}  // namespace quilbex::app
