#include "platform/digest.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace platform {

namespace {

bool failed(NTSTATUS status) {
    return status < 0;
}

bool readLength(BCRYPT_ALG_HANDLE provider, const wchar_t* property, DWORD& value) {
    ULONG written = 0;
    return !failed(::BCryptGetProperty(provider, property, reinterpret_cast<PUCHAR>(&value),
                                       sizeof(value), &written, 0));
}

} // namespace

// Members are released in reverse order: the hash, then the buffer it lives in, then the
// provider.
struct DigestStream::State {
    struct Provider {
        BCRYPT_ALG_HANDLE handle = nullptr;
        ~Provider() {
            if (handle != nullptr) {
                ::BCryptCloseAlgorithmProvider(handle, 0);
            }
        }
    } provider;
    std::vector<UCHAR> object;
    struct Hash {
        BCRYPT_HASH_HANDLE handle = nullptr;
        ~Hash() {
            if (handle != nullptr) {
                ::BCryptDestroyHash(handle);
            }
        }
    } hash;
    DWORD digestLength = 0;
    bool failed = true;
};

DigestStream::DigestStream(std::wstring_view algorithm) : state_(std::make_unique<State>()) {
    const std::wstring identifier(algorithm);
    if (failed(::BCryptOpenAlgorithmProvider(&state_->provider.handle, identifier.c_str(), nullptr,
                                             0))) {
        state_->provider.handle = nullptr;
        return;
    }
    DWORD objectLength = 0;
    if (!readLength(state_->provider.handle, BCRYPT_OBJECT_LENGTH, objectLength) ||
        !readLength(state_->provider.handle, BCRYPT_HASH_LENGTH, state_->digestLength)) {
        return;
    }
    state_->object.assign(objectLength, 0);
    if (failed(::BCryptCreateHash(state_->provider.handle, &state_->hash.handle,
                                  state_->object.data(), objectLength, nullptr, 0, 0))) {
        state_->hash.handle = nullptr;
        return;
    }
    state_->failed = false;
}

DigestStream::~DigestStream() = default;

void DigestStream::update(std::string_view bytes) {
    // One call takes at most a ULONG of bytes.
    constexpr std::size_t largestPiece = std::numeric_limits<ULONG>::max();
    for (std::size_t offset = 0; !state_->failed && offset < bytes.size();) {
        const std::size_t piece = std::min(largestPiece, bytes.size() - offset);
        auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + offset));
        state_->failed =
            failed(::BCryptHashData(state_->hash.handle, data, static_cast<ULONG>(piece), 0));
        offset += piece;
    }
}

std::optional<std::string> DigestStream::finish() {
    if (state_->failed) {
        return std::nullopt;
    }
    std::string digest(state_->digestLength, '\0');
    state_->failed = true; // a finished hash takes no more input
    if (failed(::BCryptFinishHash(state_->hash.handle, reinterpret_cast<PUCHAR>(digest.data()),
                                  state_->digestLength, 0))) {
        return std::nullopt;
    }
    return digest;
}

std::optional<std::string> computeDigest(std::wstring_view algorithm, std::string_view bytes) {
    DigestStream digest(algorithm);
    digest.update(bytes);
    return digest.finish();
}

} // namespace platform
