// The keeper as the window starts it, but forked from the test rather than
// executed, so that it keeps to a temporary tree and a fixed clock.
#pragma once

#include "platform/linux/keeper_connection.h"
#include "platform/linux/linux_system_services.h"
#include "platform/system_paths.h"
#include "tz/utc_clock.h"

namespace fakes {

platform::linux_tz::KeeperLauncher KeeperInChild(platform::SystemPaths paths,
                                                 talvane::tz::UtcClock clock);

// A window's system services with a keeper of their own, which has ended once
// they are gone.
struct ServicesOverKeeper {
  ServicesOverKeeper(platform::SystemPaths paths, talvane::tz::UtcClock clock,
                     platform::linux_tz::ZoneKeyLog* zones = nullptr)
      : keeper(KeeperInChild(std::move(paths), std::move(clock)), std::chrono::seconds(30)),
        services(keeper, zones) {}

  platform::linux_tz::KeeperConnection keeper;
  platform::linux_tz::LinuxSystemServices services;
};

}  // namespace fakes
