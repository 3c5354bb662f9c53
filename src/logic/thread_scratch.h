#pragma once

// A thread's own scratch object, made at its first use and kept for the thread's life,
// so that searches neither need a large stack nor allocate.
//
// Declare it thread_local. On POSIX systems the object is freed when the thread ends.
// Built with MinGW for Windows, a thread_local holder with a destructor (a
// std::unique_ptr) crashed worker threads as they ended, under Wine, reading through a
// freed pointer; there the holder is trivially destructible and the object is left
// allocated when the thread ends (a thread's scratch is a few megabytes at most, and
// the programs' worker threads last as long as the run).

namespace sudoku::logic::detail {

template <class T>
class ThreadScratch {
public:
    ThreadScratch() = default;
    ThreadScratch(const ThreadScratch&) = delete;
    ThreadScratch& operator=(const ThreadScratch&) = delete;
#if !defined(_WIN32)
    ~ThreadScratch()
    {
        delete object_;
    }
#endif

    // The object, value-initialised at the first call.
    T& get()
    {
        if (object_ == nullptr) {
            object_ = new T();
        }
        return *object_;
    }

    // Whether get() has made the object yet.
    [[nodiscard]] bool made() const
    {
        return object_ != nullptr;
    }

private:
    T* object_ = nullptr;
};

} // namespace sudoku::logic::detail
