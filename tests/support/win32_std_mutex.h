// std::mutex and std::condition_variable for mingw's win32 thread model, which lacks them in
// GCC 12. GoogleTest's thread-safe build needs both; they are made of SRW locks and Windows
// condition variables. Force-included into the Windows test programs only.
#pragma once

#if defined(__MINGW32__) && !defined(_GLIBCXX_HAS_GTHREADS) && defined(__cplusplus)
#include <windows.h>

#include <mutex>

namespace std {

class mutex {
public:
    mutex() noexcept = default;
    mutex(const mutex&) = delete;
    mutex& operator=(const mutex&) = delete;
    void lock() { AcquireSRWLockExclusive(&lock_); }
    bool try_lock() { return TryAcquireSRWLockExclusive(&lock_) != 0; }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }
    PSRWLOCK native_handle() { return &lock_; }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

class condition_variable {
public:
    condition_variable() noexcept = default;
    condition_variable(const condition_variable&) = delete;
    condition_variable& operator=(const condition_variable&) = delete;
    void notify_one() noexcept { WakeConditionVariable(&cv_); }
    void notify_all() noexcept { WakeAllConditionVariable(&cv_); }
    void wait(unique_lock<mutex>& lock) {
        SleepConditionVariableSRW(&cv_, lock.mutex()->native_handle(), INFINITE, 0);
    }
    template <class Predicate>
    void wait(unique_lock<mutex>& lock, Predicate ready) {
        while (!ready()) wait(lock);
    }

private:
    CONDITION_VARIABLE cv_ = CONDITION_VARIABLE_INIT;
};

}  // namespace std
#endif
