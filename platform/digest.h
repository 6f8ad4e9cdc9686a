#pragma once
// Message digests from the system's hashing service.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A digest fed piece by piece, so a large file can be hashed through a small buffer. The
// algorithm is named as the Windows hashing service names it: "SHA256" or "SHA1". Any failure of
// the service, or an unknown algorithm, makes `finish` return nothing.
class DigestStream {
public:
    explicit DigestStream(std::wstring_view algorithm);
    DigestStream(const DigestStream&) = delete;
    DigestStream& operator=(const DigestStream&) = delete;
    ~DigestStream();

    void update(std::string_view bytes);
    // The raw digest; empty when the service failed at any step.
    std::optional<std::string> finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The raw digest of the bytes in one call.
std::optional<std::string> computeDigest(std::wstring_view algorithm, std::string_view bytes);

} // namespace platform
