#pragma once
// Test builds answer trustedDigests() with the digests of the generated package fixtures. A few
// refusals cannot be reached while every pinned value agrees with the fixtures (a ROM list that
// passes its digest and still has 27 triples); a test reaches them by swapping the table for
// the life of one scope. The launcher links the real table and has no such switch.
#include "backend/packages/trusted_digests.h"

namespace testsupport {

class ScopedTrustedDigests {
public:
    // The table's views must outlive the scope.
    explicit ScopedTrustedDigests(const qxlauncher::TrustedDigests& replacement);
    ScopedTrustedDigests(const ScopedTrustedDigests&) = delete;
    ScopedTrustedDigests& operator=(const ScopedTrustedDigests&) = delete;
    ~ScopedTrustedDigests();

private:
    qxlauncher::TrustedDigests replacement_;
    const qxlauncher::TrustedDigests* previous_;
};

} // namespace testsupport
