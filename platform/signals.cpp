#include "platform/signals.h"

#include <signal.h>

#include <cerrno>
#include <ctime>

namespace platform {
namespace {

sigset_t ControlSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

void BlockControlSignals() {
    sigset_t set = ControlSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int WaitForSignal(std::chrono::milliseconds timeout) {
    sigset_t set = ControlSignals();
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return 0;
        timespec wait;
        wait.tv_sec = static_cast<time_t>(left.count() / 1000000000);
        wait.tv_nsec = static_cast<long>(left.count() % 1000000000);
        int signal = sigtimedwait(&set, nullptr, &wait);
        if (signal > 0) return signal;
        if (errno == EAGAIN) return 0;
        // EINTR: another signal interrupted the wait; wait for the rest.
    }
}

}  // namespace platform
