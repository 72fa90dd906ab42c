// A way back kept in memory, standing for the registry's; it outlives the
// fake "processes" that share it.
#pragma once

#include "platform/win/way_back_store.h"

namespace fakes {

class MemoryWayBackStore : public platform::win32::WayBackStore {
 public:
  bool Save(const platform::win32::WayBackRecord& record) override {
    if (refuse) return false;
    kept = record;
    logon_run = true;
    return true;
  }
  std::optional<platform::win32::WayBackRecord> Load() override { return kept; }
  bool Remove() override {
    if (refuse_remove) return false;
    kept.reset();
    logon_run = false;
    return true;
  }

  std::optional<platform::win32::WayBackRecord> kept;
  bool logon_run = false;  // the RunOnce value, which Windows drops as it runs
  bool refuse = false;
  bool refuse_remove = false;
};

}  // namespace fakes
