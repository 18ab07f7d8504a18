// GoogleTest's customisation header (see gtest/internal/custom/README.md in its sources), found
// before GoogleTest's own empty one when the unit tests are cross-built for Windows.
// The toolchain's win32 threading flavour has no std::mutex or std::condition_variable, on which
// GoogleTest builds its Notification; this one polls an atomic flag instead, as GoogleTest's
// older versions did. The unit tests start no threads, so it is only compiled, never waited on.
#ifndef ZORVIK_GTEST_CUSTOM_PORT_H
#define ZORVIK_GTEST_CUSTOM_PORT_H

#include <atomic>
#include <chrono>
#include <thread>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
  public:
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { notified_ = true; }
    void WaitForNotification() {
        while (!notified_)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

  private:
    std::atomic<bool> notified_{false};
};

} // namespace internal
} // namespace testing

#endif
