// A callable that owns what it holds and can only be moved: the form of every
// task handed to another thread (UiTask, a thread's body, a worker's job). A
// std::function must be copyable, so it cannot hold an owned handle or
// buffer; this can, and frees it with itself when it never runs.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

template <typename Signature>
class MoveOnlyFunction;

template <typename R, typename... Args>
class MoveOnlyFunction<R(Args...)> {
 public:
  MoveOnlyFunction() noexcept = default;
  MoveOnlyFunction(std::nullptr_t) noexcept {}  // NOLINT: as std::function
  // Takes any callable that can be called with `Args` and gives an R. A null
  // function pointer or an empty std::function makes an empty one. Throws
  // std::bad_alloc when no memory is left for the callable.
  template <typename F, typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, MoveOnlyFunction> &&
                                                    std::is_invocable_r_v<R, std::decay_t<F>&, Args...>>>
  MoveOnlyFunction(F&& callable) {  // NOLINT: implicit, as std::function
    if (IsNull(callable)) return;
    callable_ = std::make_unique<Holder<std::decay_t<F>>>(std::forward<F>(callable));
  }

  MoveOnlyFunction(MoveOnlyFunction&&) noexcept = default;
  MoveOnlyFunction& operator=(MoveOnlyFunction&&) noexcept = default;
  MoveOnlyFunction(const MoveOnlyFunction&) = delete;
  MoveOnlyFunction& operator=(const MoveOnlyFunction&) = delete;

  explicit operator bool() const noexcept { return callable_ != nullptr; }

  // Calls the callable; it must not be empty.
  R operator()(Args... args) { return callable_->Call(std::forward<Args>(args)...); }

 private:
  struct Callable {
    virtual ~Callable() = default;
    virtual R Call(Args&&... args) = 0;
  };
  template <typename F>
  struct Holder final : Callable {
    template <typename G>
    explicit Holder(G&& callable) : f(std::forward<G>(callable)) {}
    R Call(Args&&... args) override { return std::invoke(f, std::forward<Args>(args)...); }
    F f;
  };

  template <typename F>
  static bool IsNull(const F& callable) noexcept {
    if constexpr (std::is_pointer_v<F> || std::is_member_pointer_v<F>) return callable == nullptr;
    return false;
  }
  template <typename S>
  static bool IsNull(const std::function<S>& function) noexcept {
    return !function;
  }

  std::unique_ptr<Callable> callable_;
};
