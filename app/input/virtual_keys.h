#pragma once
// The virtual-key codes the launcher's keyboard rules name. They are the portable key space:
// controls.cfg stores them, and the Linux window maps its keys onto them. Letters and digits are
// their upper-case characters.
namespace lumenark::vk {

inline constexpr int tab = 0x09;
inline constexpr int enter = 0x0D;
inline constexpr int escape = 0x1B;
inline constexpr int space = 0x20;
inline constexpr int pageUp = 0x21;   // VK_PRIOR
inline constexpr int pageDown = 0x22; // VK_NEXT
inline constexpr int left = 0x25;
inline constexpr int up = 0x26;
inline constexpr int right = 0x27;
inline constexpr int down = 0x28;
inline constexpr int f5 = 0x74;
inline constexpr int f7 = 0x76;
inline constexpr int f11 = 0x7A;
// VK_PROCESSKEY: a key an input method took for its composition.
inline constexpr int processKey = 0xE5;

} // namespace lumenark::vk
