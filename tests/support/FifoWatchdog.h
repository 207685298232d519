#pragma once

// A bounded wait for tests of code that must never wait on a FIFO. Should the code open the
// FIFO without O_NONBLOCK, and so wait for the other end for ever, the watchdog opens that end
// every few seconds, which lets the code go on, and released() tells the test to fail, instead
// of the test hanging until ctest's timeout.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

namespace trevane::test {

class FifoWatchdog {
public:
    explicit FifoWatchdog(std::string fifo, std::chrono::seconds every = std::chrono::seconds(10))
        : m_thread([this, fifo = std::move(fifo), every](std::stop_token stop) {
              std::mutex mutex;
              std::unique_lock lock(mutex);
              std::condition_variable_any wake;
              while (!wake.wait_for(lock, stop, every, [] { return false; }) &&
                     !stop.stop_requested()) {
                  // Both ends at once: an opener waiting for either is let through, and
                  // closing it again ends what it reads.
                  const int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
                  m_released = true;
                  std::this_thread::sleep_for(std::chrono::milliseconds(100));
                  if (fd >= 0)
                      ::close(fd);
              }
          }) {}

    // Whether the code under test had to be let through: it waited on the FIFO.
    bool released() const { return m_released; }

private:
    std::atomic<bool> m_released{false};
    std::jthread m_thread; // last: stopped and joined before the rest goes
};

} // namespace trevane::test
