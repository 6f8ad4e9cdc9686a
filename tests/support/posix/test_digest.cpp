#include "tests/support/test_digest.h"

#include <openssl/evp.h>

namespace testsupport {

namespace {

std::string digestHex(const EVP_MD* kind, std::string_view bytes) {
    unsigned char value[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), value, &length, kind, nullptr);
    return toHex(std::string_view(reinterpret_cast<const char*>(value), length));
}

} // namespace

std::string sha1Hex(std::string_view bytes) {
    return digestHex(EVP_sha1(), bytes);
}

std::string sha256Hex(std::string_view bytes) {
    return digestHex(EVP_sha256(), bytes);
}

} // namespace testsupport
