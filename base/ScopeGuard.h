// Guards for clean-up that must run when a scope ends: on every path
// (Finally), only when it ends by an exception (OnFailure: the undo of a
// change that did not complete), or the previous value of a variable set
// for the scope (ValueScope, FlagScope). The one place such guards are
// defined.
#pragma once

#include <exception>
#include <utility>

namespace morvel {

// Runs a clean-up step when the scope ends, on every path. When the step
// itself raises while another error is already on its way, the first error
// is the one that propagates.
template <class F>
class Finally {
 public:
  explicit Finally(F f) : f_(std::move(f)) {}
  ~Finally() noexcept(false) {
    if (std::uncaught_exceptions() > uncaught_) {
      try {
        f_();
      } catch (...) {  // the error already on its way is the one to report
      }
    } else {
      f_();
    }
  }
  Finally(const Finally&) = delete;
  Finally& operator=(const Finally&) = delete;

 private:
  F f_;
  int uncaught_ = std::uncaught_exceptions();
};

// Runs an undo step when the scope ends by an exception, unless dismissed
// first. The undo must not raise: it runs while the error propagates.
template <class F>
class OnFailure {
 public:
  explicit OnFailure(F f) : f_(std::move(f)) {}
  ~OnFailure() {
    if (armed_ && std::uncaught_exceptions() > uncaught_) f_();
  }
  OnFailure(const OnFailure&) = delete;
  OnFailure& operator=(const OnFailure&) = delete;
  // The change completed: nothing to undo.
  void dismiss() { armed_ = false; }

 private:
  F f_;
  bool armed_ = true;
  int uncaught_ = std::uncaught_exceptions();
};

// Sets a variable for a scope and puts its previous value back when the
// scope ends, however it ends: a re-entrancy flag, a count, a handler
// detached while its owner works.
template <class T>
class ValueScope {
 public:
  ValueScope(T& variable, T value) : variable_(variable), saved_(std::move(variable)) {
    variable_ = std::move(value);
  }
  ~ValueScope() { variable_ = std::move(saved_); }
  // The value the variable had before the scope.
  const T& saved() const { return saved_; }
  ValueScope(const ValueScope&) = delete;
  ValueScope& operator=(const ValueScope&) = delete;

 private:
  T& variable_;
  T saved_;
};
using FlagScope = ValueScope<bool>;

}  // namespace morvel
