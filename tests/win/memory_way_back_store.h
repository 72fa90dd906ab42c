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
    return true;
  }
  std::optional<platform::win32::WayBackRecord> Load() override { return kept; }
  bool Remove() override {
    if (refuse_remove) return false;
    kept.reset();
    return true;
  }

  std::optional<platform::win32::WayBackRecord> kept;
  bool refuse = false;
  bool refuse_remove = false;
};

}  // namespace fakes
