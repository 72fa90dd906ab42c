// Given to every GoogleTest translation unit ahead of GoogleTest's own
// headers. GoogleTest's Notification is built on std::mutex, which the
// win32 thread model lacks; it serves only GoogleTest's tests of its own
// threads, so a flag polled by the waiting thread does.
#pragma once

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
 public:
  void Notify() { notified_.store(true, std::memory_order_release); }
  void WaitForNotification() {
    while (!notified_.load(std::memory_order_acquire)) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace testing::internal
