#include "platform/digest.h"

#include <openssl/evp.h>

namespace platform {

namespace {

const EVP_MD* digestKind(std::wstring_view algorithm) {
    if (algorithm == L"SHA256") {
        return EVP_sha256();
    }
    if (algorithm == L"SHA1") {
        return EVP_sha1();
    }
    return nullptr;
}

struct ContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

} // namespace

struct DigestStream::State {
    std::unique_ptr<EVP_MD_CTX, ContextFree> context;
    bool failed = false;
};

DigestStream::DigestStream(std::wstring_view algorithm) : state_(std::make_unique<State>()) {
    const EVP_MD* kind = digestKind(algorithm);
    state_->context.reset(EVP_MD_CTX_new());
    state_->failed = kind == nullptr || !state_->context ||
                     EVP_DigestInit_ex(state_->context.get(), kind, nullptr) != 1;
}

DigestStream::~DigestStream() = default;

void DigestStream::update(std::string_view bytes) {
    if (!state_->failed && !bytes.empty()) {
        state_->failed = EVP_DigestUpdate(state_->context.get(), bytes.data(), bytes.size()) != 1;
    }
}

std::optional<std::string> DigestStream::finish() {
    unsigned char value[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (state_->failed || EVP_DigestFinal_ex(state_->context.get(), value, &length) != 1) {
        state_->failed = true;
        return std::nullopt;
    }
    state_->failed = true; // a finished context takes no more input
    return std::string(reinterpret_cast<const char*>(value), length);
}

std::optional<std::string> computeDigest(std::wstring_view algorithm, std::string_view bytes) {
    DigestStream digest(algorithm);
    digest.update(bytes);
    return digest.finish();
}

} // namespace platform
