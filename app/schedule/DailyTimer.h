#pragma once
// Installing and removing a member's daily run. The unit files are written
// (with cron too: a member can enable them by hand later); then the run is
// scheduled by the first of these that exists:
//
//   a user manager answers       daemon-reload, enable --now, and check
//                                that the timer is loaded and enabled
//   systemd runs, no manager     the timers.target.wants link, as
//   (an SSH login, say)          "systemctl enable" makes it: the timer
//                                starts at the member's next login
//   a crontab command            the member's own line in their crontab,
//                                refused while no cron daemon runs unless
//                                `force` is given
//   nothing                      status 1: nothing was scheduled
//
// A failed install puts the unit folder back as it was: no unit file, link
// or folder of its own is left, and "--status" lists nothing for it.
// Messages go to standard output and standard error; the functions return
// the exit status.

#include "app/schedule/DailyMember.h"
#include "app/schedule/SystemdUnits.h"

#include <string>

namespace quilbex::app {

// The folder of the member's own units: $XDG_CONFIG_HOME/systemd/user, else
// ~/.config/systemd/user.
std::string user_unit_dir();

int install_daily(const DailyMember& member, DailyTime time, bool force);
// Removes the member's units, crontab line (the whole table when nothing
// else is left in it) and the unit folders left empty.
int uninstall_daily(const DailyMember& member);

}  // namespace quilbex::app
