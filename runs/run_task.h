#pragma once

// The work of one run request as a coroutine; private to runs/.
//
// A request reads as straight-line code on the window's thread. Its one kind
// of pause is `co_await` on a long step: the step goes to a worker thread, the
// window handles its events meanwhile, and the step's end, posted back to the
// window's thread, resumes the request where it paused. Awaiting a RunTask
// runs it to its end (through its own pauses) and passes its exception on.

#include <coroutine>
#include <exception>
#include <utility>

namespace vantorel {

class RunTask {
public:
    struct promise_type;
    using Handle = std::coroutine_handle<promise_type>;

    struct promise_type {
        // The task awaiting this one; none for the request's outermost task.
        std::coroutine_handle<> continuation;
        std::exception_ptr failure;

        RunTask get_return_object() noexcept { return RunTask(Handle::from_promise(*this)); }
        // A task starts only when it is awaited or started.
        std::suspend_always initial_suspend() noexcept { return {}; }
        struct FinalAwaiter {
            bool await_ready() noexcept { return false; }
            // The awaiting task goes on at once, on this same thread.
            std::coroutine_handle<> await_suspend(Handle ended) noexcept {
                std::coroutine_handle<> next = ended.promise().continuation;
                return next ? next : std::noop_coroutine();
            }
            void await_resume() noexcept {}
        };
        FinalAwaiter final_suspend() noexcept { return {}; }
        void return_void() noexcept {}
        void unhandled_exception() noexcept { failure = std::current_exception(); }
    };

    RunTask(RunTask&& other) noexcept : handle_(std::exchange(other.handle_, {})) {}
    RunTask& operator=(RunTask&& other) noexcept {
        if (this != &other) {
            Destroy();
            handle_ = std::exchange(other.handle_, {});
        }
        return *this;
    }
    RunTask(const RunTask&) = delete;
    RunTask& operator=(const RunTask&) = delete;
    // A task destroyed while paused (the runner going away mid-step) ends
    // there: its locals are destroyed, nothing after the pause runs.
    ~RunTask() { Destroy(); }

    // Awaiting: the task runs now; the awaiter goes on once it has ended.
    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept {
        handle_.promise().continuation = awaiting;
        return handle_;
    }
    void await_resume() const {
        if (handle_.promise().failure) {
            std::rethrow_exception(handle_.promise().failure);
        }
    }

    // The outermost task of a request: runs it up to its first pause.
    void Start() { handle_.resume(); }
    bool done() const noexcept { return handle_.done(); }
    // Once done: what it threw, if anything.
    std::exception_ptr failure() const noexcept { return handle_.promise().failure; }

private:
    explicit RunTask(Handle handle) noexcept : handle_(handle) {}
    void Destroy() noexcept {
        if (handle_) {
            handle_.destroy();
            handle_ = {};
        }
    }

    Handle handle_;
};

} // namespace vantorel
