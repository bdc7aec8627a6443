#pragma once
// Keeps one observer registered while it lives; reset() or destruction removes it. The remover
// must stay safe when the registry has gone first (it holds the registry weakly).
#include <functional>
#include <utility>

namespace talv {

class ObserverToken {
public:
    ObserverToken() = default;
    explicit ObserverToken(std::function<void()> remove) : remove_(std::move(remove)) {}
    ~ObserverToken() { reset(); }
    ObserverToken(ObserverToken&& other) noexcept : remove_(std::exchange(other.remove_, nullptr)) {}
    ObserverToken& operator=(ObserverToken&& other) noexcept {
        if (this != &other) {
            reset();
            remove_ = std::exchange(other.remove_, nullptr);
        }
        return *this;
    }
    ObserverToken(const ObserverToken&) = delete;
    ObserverToken& operator=(const ObserverToken&) = delete;

    void reset() {
        if (auto remove = std::exchange(remove_, nullptr)) remove();
    }
    explicit operator bool() const { return static_cast<bool>(remove_); }

private:
    std::function<void()> remove_;
};

}  // namespace talv
