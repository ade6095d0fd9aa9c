// Atomic access to plain memory the threads share (the keyboard buffer in cmem and the like).
#pragma once
#include <atomic>

template <class T> using kel_atomic_ref = std::atomic_ref<T>;
