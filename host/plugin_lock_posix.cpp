#include <pthread.h>

#include <new>

#include "host/plugin_lock.h"

namespace ambrel::host {
namespace {

static_assert(sizeof(pthread_mutex_t) <= plugin_lock::native_size);
static_assert(alignof(pthread_mutex_t) <= plugin_lock::native_alignment);

pthread_mutex_t* mutex(std::byte* native) noexcept {
  return std::launder(reinterpret_cast<pthread_mutex_t*>(native));
}

}  // namespace

plugin_lock::plugin_lock() noexcept {
  pthread_mutexattr_t recursive;
  pthread_mutexattr_init(&recursive);
  pthread_mutexattr_settype(&recursive, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(::new (native_) pthread_mutex_t, &recursive);
  pthread_mutexattr_destroy(&recursive);
}

plugin_lock::~plugin_lock() { pthread_mutex_destroy(mutex(native_)); }

void plugin_lock::enter() noexcept { pthread_mutex_lock(mutex(native_)); }

void plugin_lock::leave() noexcept { pthread_mutex_unlock(mutex(native_)); }

}  // namespace ambrel::host
