#pragma once
// Waits for a condition that another thread brings about: checks it every few
// milliseconds up to a generous deadline. Tests assert on the result, never on
// how long it took.

#include <chrono>
#include <thread>

namespace halyard::test {

template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace halyard::test
