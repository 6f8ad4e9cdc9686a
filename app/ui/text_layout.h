#pragma once
// Text routines the pages share: fitting a text into a width with "...", wrapping a paragraph,
// and the display texts of digest keys, setup steps, seconds and controller masks.
#include "app/ui/canvas.h"
#include "shared/pad_buttons.h"

#include <string>
#include <string_view>
#include <vector>

namespace lumenark {

// The text unchanged when it fits maxWidth at this size (tracking 0); otherwise cut with "...":
// at its end, or, with keepEnd (paths), at its start, never inside a character (a surrogate pair
// stays whole). "..." alone when nothing else fits.
std::wstring fitText(const Canvas& canvas, std::wstring_view text, float size, float maxWidth,
                     bool keepEnd);

// The paragraph's lines at this size (tracking 0): words split at any white space and joined by
// one blank; a word is never broken, so one wider than maxWidth stands alone.
std::vector<std::wstring> wrapText(const Canvas& canvas, std::wstring_view paragraph, float size,
                                   float maxWidth);

// "size" -> "Size", "crc32" -> "CRC32", "sha1" -> "SHA-1", "sha256" -> "SHA-256"; any other key
// is shown as itself.
std::wstring digestKindLabel(std::string_view key);

// The Overview strip's step (1 to 4) that a setup step key belongs to.
int buildStepGroup(std::string_view step);

// Rounded seconds as minutes:seconds ("1:05", "75:30"); what is not finite or negative reads
// 0:00, and the text stops at 99999:59.
std::wstring formatElapsed(double seconds);

// A controller mask as its buttons joined with " / " ("A / LT"); "-" for none.
std::wstring controllerBindingName(qxlauncher::PadButtons mask);

} // namespace lumenark
