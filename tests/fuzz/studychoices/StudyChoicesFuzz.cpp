// Any study.ini, hand-edited or damaged: the choices read from it, stored
// back into it and read again are the same choices, and every value read is
// one the window can use.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/core/ProfileText.h"
#include "study/window/StudyChoices.h"

namespace {

void require(bool ok) {
    if (!ok) {
        std::abort();
    }
}

study::StoredValue from(const std::string& text) {
    return [&text](const std::string& section, const std::string& key) {
        return platform::findProfileValue(text, section, key);
    };
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    const study::PlaybackChoices playback = study::readPlaybackChoices(from(text));
    const study::ExportChoices exported = study::readExportChoices(from(text));
    for (int ms : {playback.padding.beforeMs, playback.padding.afterMs}) {
        require(ms >= 0 && ms <= study::kMaxPaddingMs);
    }
    require(exported.rows == study::RowChoice::All || exported.rows == study::RowChoice::Marked);
    require(exported.clipFormat == study::ClipFormat::Mp3 ||
            exported.clipFormat == study::ClipFormat::Opus);

    auto entries = study::entriesOf(playback);
    const auto more = study::entriesOf(exported);
    entries.insert(entries.end(), more.begin(), more.end());
    for (const study::StoredEntry& e : entries) {
        platform::Result<std::string> written =
            platform::setProfileValue(text, e.section, e.key, e.value);
        if (!written) {
            return 0;  // a folder the file cannot hold (a line break in it)
        }
        text = std::move(written.value());
    }
    require(study::readPlaybackChoices(from(text)) == playback);
    require(study::readExportChoices(from(text)) == exported);
    return 0;
}
