#pragma once

#include <functional>
#include <utility>

namespace sonivane::platform {

// Registers a routine that runs exactly once when the program ends: when
// this object, made at start-up, goes out of scope.
class ExitHook {
public:
    explicit ExitHook(std::function<void()> routine) : m_routine(std::move(routine)) {}
    ~ExitHook()
    {
        if (m_routine) {
            std::exchange(m_routine, nullptr)();
        }
    }
    ExitHook(const ExitHook&) = delete;
    ExitHook& operator=(const ExitHook&) = delete;

private:
    std::function<void()> m_routine;
};

} // namespace sonivane::platform
