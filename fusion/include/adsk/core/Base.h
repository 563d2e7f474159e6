#pragma once
// Base object and reference-counted smart pointer of the host API. Every
// host object derives from Base; Ptr converts between object types with a
// checked cast and yields null on a mismatch.

#include <atomic>
#include <cstddef>
#include <utility>

namespace adsk::core {

class Base {
public:
    Base() = default;
    Base(const Base&) = delete;
    Base& operator=(const Base&) = delete;
    virtual ~Base() = default;

    // False once the object was deleted or destroyed by the host.
    virtual bool isValid() const { return true; }
    virtual const char* objectType() const { return classType(); }
    static const char* classType() { return "adsk::core::Base"; }

    void addReference() const { references.fetch_add(1, std::memory_order_relaxed); }
    void releaseReference() const {
        if (references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }

private:
    mutable std::atomic<long> references{0};
};

template <class T>
class Ptr {
public:
    Ptr() = default;
    Ptr(std::nullptr_t) {}
    explicit Ptr(T* object) : target(object) { acquire(); }
    Ptr(const Ptr& other) : target(other.target) { acquire(); }
    Ptr(Ptr&& other) noexcept : target(std::exchange(other.target, nullptr)) {}

    // Cross-cast from any other object pointer; null when the object is not a T.
    template <class U>
    Ptr(const Ptr<U>& other) : target(dynamic_cast<T*>(other.get())) { acquire(); }

    ~Ptr() { reset(); }

    Ptr& operator=(Ptr other) noexcept {
        std::swap(target, other.target);
        return *this;
    }

    void reset() {
        if (target) static_cast<const Base*>(target)->releaseReference();
        target = nullptr;
    }

    T* get() const { return target; }
    T* operator->() const { return target; }
    T& operator*() const { return *target; }
    explicit operator bool() const { return target != nullptr; }

    template <class U>
    Ptr<U> cast() const { return Ptr<U>(*this); }

    friend bool operator==(const Ptr& left, const Ptr& right) { return left.target == right.target; }
    friend bool operator==(const Ptr& left, std::nullptr_t) { return left.target == nullptr; }

private:
    void acquire() {
        if (target) static_cast<const Base*>(target)->addReference();
    }

    T* target = nullptr;
};

} // namespace adsk::core
