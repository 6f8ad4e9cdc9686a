#include "tests/support/test_digest.h"

#include <windows.h>

#include <bcrypt.h>

#include <vector>

namespace testsupport {

namespace {

std::string digestHex(const wchar_t* algorithm, std::string_view bytes) {
    BCRYPT_ALG_HANDLE provider = nullptr;
    if (BCryptOpenAlgorithmProvider(&provider, algorithm, nullptr, 0) != 0) {
        return {};
    }
    DWORD length = 0;
    DWORD got = 0;
    BCryptGetProperty(provider, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&length),
                      sizeof(length), &got, 0);
    std::vector<unsigned char> value(length);
    BCRYPT_HASH_HANDLE hash = nullptr;
    std::string text;
    if (BCryptCreateHash(provider, &hash, nullptr, 0, nullptr, 0, 0) == 0) {
        BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                       static_cast<ULONG>(bytes.size()), 0);
        if (BCryptFinishHash(hash, value.data(), length, 0) == 0) {
            text = toHex(std::string_view(reinterpret_cast<const char*>(value.data()), length));
        }
        BCryptDestroyHash(hash);
    }
    BCryptCloseAlgorithmProvider(provider, 0);
    return text;
}

} // namespace

std::string sha1Hex(std::string_view bytes) {
    return digestHex(BCRYPT_SHA1_ALGORITHM, bytes);
}

std::string sha256Hex(std::string_view bytes) {
    return digestHex(BCRYPT_SHA256_ALGORITHM, bytes);
}

} // namespace testsupport
