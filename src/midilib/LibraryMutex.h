#pragma once
// LibraryMutex: the library's lock, a POSIX mutex with priority inheritance. The clock thread may
// run with real-time priority while the owner's thread, at normal priority, holds the lock for a
// PutMidiOut; without inheritance a third thread could then keep the clock waiting for
// milliseconds. Meets the Lockable requirements (use with std::condition_variable_any).

#include <pthread.h>

namespace midilib {

class LibraryMutex {
  public:
    LibraryMutex() {
        pthread_mutexattr_t attributes;
        pthread_mutexattr_init(&attributes);
        pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_INHERIT);
        pthread_mutex_init(&mutex_, &attributes);
        pthread_mutexattr_destroy(&attributes);
    }
    ~LibraryMutex() { pthread_mutex_destroy(&mutex_); }
    LibraryMutex(const LibraryMutex&) = delete;
    LibraryMutex& operator=(const LibraryMutex&) = delete;

    void lock() { pthread_mutex_lock(&mutex_); }
    bool try_lock() { return pthread_mutex_trylock(&mutex_) == 0; }
    void unlock() { pthread_mutex_unlock(&mutex_); }

  private:
    pthread_mutex_t mutex_;
};

}  // namespace midilib
