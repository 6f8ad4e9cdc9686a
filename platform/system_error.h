#pragma once
// System error codes in their Windows numbering on both platforms, so refusals and labels
// that carry a code read the same everywhere.
#include <cstdint>

namespace platform {

inline constexpr std::uint32_t errorSuccess = 0;
inline constexpr std::uint32_t errorFileNotFound = 2;
inline constexpr std::uint32_t errorPathNotFound = 3;
inline constexpr std::uint32_t errorAccessDenied = 5;
inline constexpr std::uint32_t errorInvalidHandle = 6;
inline constexpr std::uint32_t errorNotEnoughMemory = 8;
inline constexpr std::uint32_t errorNotSameDevice = 17;
inline constexpr std::uint32_t errorWriteFault = 29;
inline constexpr std::uint32_t errorGenFailure = 31;
inline constexpr std::uint32_t errorSharingViolation = 32;
inline constexpr std::uint32_t errorLockViolation = 33;
inline constexpr std::uint32_t errorFileExists = 80;
inline constexpr std::uint32_t errorInvalidParameter = 87;
inline constexpr std::uint32_t errorDirNotEmpty = 145;
inline constexpr std::uint32_t errorAlreadyExists = 183;
inline constexpr std::uint32_t errorFilenameTooLong = 206;

// The calling thread's last system error, in the numbering above.
std::uint32_t lastSystemError();

} // namespace platform
