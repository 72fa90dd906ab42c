#include "platform/win/session_restore.h"

#include <utility>

namespace platform::win32 {
namespace {

std::function<void()>& Registered() {
  static std::function<void()> restore;
  return restore;
}

}  // namespace

void SetSessionRestore(std::function<void()> restore) { Registered() = std::move(restore); }

void RunSessionRestore() {
  if (Registered()) Registered()();
}

}  // namespace platform::win32
