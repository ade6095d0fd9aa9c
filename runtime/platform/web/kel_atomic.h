// Atomic access to plain memory the threads share (the keyboard buffer in cmem and the like).
// The web's C++ library has no std::atomic_ref; this is the subset the runtime uses over the
// compiler's atomic builtins, with the same memory orders.
#pragma once
#include <atomic>

template <class T> class kel_atomic_ref {
 public:
  explicit kel_atomic_ref(T &obj) : p_(&obj) {}
  T load(std::memory_order o = std::memory_order_seq_cst) const { return __atomic_load_n(p_, order(o)); }
  void store(T v, std::memory_order o = std::memory_order_seq_cst) const { __atomic_store_n(p_, v, order(o)); }
  operator T() const { return load(); }
  bool compare_exchange_weak(T &expected, T desired, std::memory_order o = std::memory_order_seq_cst) const {
    return __atomic_compare_exchange_n(p_, &expected, desired, true, order(o), failure(o));
  }
  bool compare_exchange_strong(T &expected, T desired, std::memory_order o = std::memory_order_seq_cst) const {
    return __atomic_compare_exchange_n(p_, &expected, desired, false, order(o), failure(o));
  }
  T exchange(T v, std::memory_order o = std::memory_order_seq_cst) const { return __atomic_exchange_n(p_, v, order(o)); }

 private:
  static int order(std::memory_order o) {
    switch (o) {
      case std::memory_order_relaxed: return __ATOMIC_RELAXED;
      case std::memory_order_consume: return __ATOMIC_CONSUME;
      case std::memory_order_acquire: return __ATOMIC_ACQUIRE;
      case std::memory_order_release: return __ATOMIC_RELEASE;
      case std::memory_order_acq_rel: return __ATOMIC_ACQ_REL;
      default: return __ATOMIC_SEQ_CST;
    }
  }
  static int failure(std::memory_order o) {   // a failed exchange only loads
    int m = order(o);
    return m == __ATOMIC_ACQ_REL ? __ATOMIC_ACQUIRE : m == __ATOMIC_RELEASE ? __ATOMIC_RELAXED : m;
  }
  T *p_;
};
