#pragma once
// A move-only `void()` callable, so that posted calls can own move-only arguments.
#include <memory>
#include <type_traits>
#include <utility>

namespace talv {

class UniqueFunction {
public:
    UniqueFunction() = default;
    template <typename F, typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, UniqueFunction>>>
    UniqueFunction(F&& f) : impl_(std::make_unique<Impl<std::decay_t<F>>>(std::forward<F>(f))) {}

    void operator()() { impl_->call(); }
    explicit operator bool() const { return static_cast<bool>(impl_); }

private:
    struct Base {
        virtual ~Base() = default;
        virtual void call() = 0;
    };
    template <typename F>
    struct Impl final : Base {
        template <typename G>
        explicit Impl(G&& g) : f(std::forward<G>(g)) {}
        void call() override { f(); }
        F f;
    };
    std::unique_ptr<Base> impl_;
};

}  // namespace talv
