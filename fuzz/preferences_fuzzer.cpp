// Feeds arbitrary bytes to the per-game preference reader ("profile/launcher.ini") for each game
// kind. It may refuse a file only with its own labels; whatever it reads, the writer's text of
// that record reads back as the same record, accepted, and is written the same again.
#include "backend/preferences/config.h"
#include "fuzz/fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

struct Reading {
    const char* gameId;
    int kind;
    int game;
};

// The three games, and the second game's native package, whose file takes the first game's kind.
constexpr Reading readings[] = {{"qx1", 0, 0}, {"qx2", 1, 1}, {"qx3", 2, 2}, {"qx2", 0, 1}};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const Reading& reading = readings[data[0] % std::size(readings)];
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    qxlauncher::PreferencesRead read;
    if (fuzzsupport::refusedWithLabel(
            [&] { read = qxlauncher::parsePreferencesText(text, reading.gameId, reading.kind); },
            {"binary config", "section syntax", "key syntax", "duplicate key"})) {
        return 0;
    }
    const std::string written = qxlauncher::preferencesText(read.config, reading.game);
    const qxlauncher::PreferencesRead again =
        qxlauncher::parsePreferencesText(written, reading.gameId, reading.kind);
    fuzzsupport::check(again.outcome == qxlauncher::PreferencesOutcome::accepted,
                       "the written preferences are not accepted");
    fuzzsupport::check(again.config == read.config, "the written preferences read back otherwise");
    fuzzsupport::check(qxlauncher::preferencesText(again.config, reading.game) == written,
                       "the read-back preferences are written otherwise");
    return 0;
}
