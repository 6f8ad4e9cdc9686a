#pragma once
// Owns an object whose teardown may fail. On the normal path `finish` lets the failure reach
// the caller; while another error unwinds, the destructor swallows a second one, so the first
// error is the one reported.
#include <memory>
#include <utility>

namespace lumenark {

template <typename T> class ScopedTeardown {
public:
    ScopedTeardown() = default;
    ScopedTeardown(const ScopedTeardown&) = delete;
    ScopedTeardown& operator=(const ScopedTeardown&) = delete;
    ~ScopedTeardown() {
        try {
            finish();
        } catch (...) {
        }
    }

    template <typename... Args> T& start(Args&&... args) {
        object_ = std::make_unique<T>(std::forward<Args>(args)...);
        return *object_;
    }

    // Shuts the object down once; later calls do nothing.
    void finish() {
        if (object_) {
            const std::unique_ptr<T> ending = std::move(object_);
            ending->shutdown();
        }
    }

    T* get() const { return object_.get(); }

private:
    std::unique_ptr<T> object_;
};

} // namespace lumenark
