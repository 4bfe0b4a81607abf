#pragma once

#include <utility>

// A process-wide seam: the core reaches a platform service through
// Seam<Interface>::get(), which is the real implementation unless a test or a
// benchmark has put a stand-in in its place for the lifetime of a Scoped.
// Each seam defines Seam<Interface>::real() once, beside the real
// implementation, and declares that specialization in its header. Swaps
// happen on the one thread that runs the core and nest like scopes.
template <typename Interface>
class Seam {
public:
    static Interface& get() { return standIn != nullptr ? *standIn : real(); }

    static Interface& real();

    class Scoped {
    public:
        explicit Scoped(Interface& replacement) : previous(std::exchange(standIn, &replacement)) {}
        ~Scoped() { standIn = previous; }
        Scoped(const Scoped&) = delete;
        Scoped& operator=(const Scoped&) = delete;

    private:
        Interface* previous;
    };

private:
    static inline Interface* standIn = nullptr;
};
