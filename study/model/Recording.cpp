#include "study/model/Recording.h"

#include <sys/stat.h>

#include <algorithm>

#include "study/script/Windows1252.h"

namespace study {

namespace {

// The largest time a script row holds (nine digits), so saved rows read back.
constexpr int64_t kMaxScriptCs = 999'999'999;

int32_t scriptTime(int64_t cs) {
    return static_cast<int32_t>(std::clamp(cs, -kMaxScriptCs, kMaxScriptCs));
}

// "news" and "/rec/news.wav" for "/rec/news.txt"; a name without ".txt"
// loses only the extension it has.
void namesOf(const std::string& scriptPath, std::string& name, std::string& wavPath) {
    const std::size_t slash = scriptPath.rfind('/');
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = scriptPath.rfind('.');
    if (dot == std::string::npos || dot <= base) {
        dot = scriptPath.size();
    }
    name = scriptPath.substr(base, dot - base);
    wavPath = scriptPath.substr(0, dot) + ".wav";
}

int64_t modifiedAt(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_mtime) : 0;
}

}  // namespace

platform::Result<std::unique_ptr<Recording>> Recording::open(const std::string& scriptPath) {
    platform::Result<ScriptFile> script = readScriptFile(scriptPath);
    if (!script) {
        return platform::Error{script.message()};
    }
    std::unique_ptr<Recording> recording(new Recording());
    recording->script_ = std::move(script.value());
    namesOf(scriptPath, recording->name_, recording->wavPath_);
    for (const ScriptRow& row : recording->script_.text.rows) {
        recording->rows_.push_back(
            {row.lineNumber, row.startCs, row.endCs, utf8FromWindows1252(row.text), row.marked});
    }

    platform::Result<std::unique_ptr<WavReader>> sound = WavReader::open(recording->wavPath_);
    if (sound) {
        recording->sound_ = std::move(sound.value());
        // The recorder's file is finished when the recording stops.
        const int64_t stopped = modifiedAt(recording->wavPath_);
        recording->recordedAt_ =
            stopped > 0 ? stopped - recording->sound_->info().durationCs() / 100 : 0;
    } else {
        recording->noSoundReason_ = sound.message();
        const int64_t backup = modifiedAt(backupPathOf(scriptPath));
        recording->recordedAt_ = backup > 0 ? backup : modifiedAt(scriptPath);
    }
    return recording;
}

Recording::~Recording() = default;

void Recording::moveOffset(int steps) {
    const int64_t by = int64_t{steps} * kOffsetStepCs;
    offsetCs_ += by;
    for (StudyRow& row : rows_) {
        row.startCs += by;
        row.endCs += by;
    }
}

void Recording::moveStart(std::size_t i, int steps) {
    StudyRow& row = rows_.at(i);
    const int64_t to = row.startCs + int64_t{steps} * kEdgeStepCs;
    row.startCs = steps > 0 && to > row.endCs ? std::max(row.startCs, row.endCs) : to;
}

void Recording::moveEnd(std::size_t i, int steps) {
    StudyRow& row = rows_.at(i);
    const int64_t to = row.endCs + int64_t{steps} * kEdgeStepCs;
    row.endCs = steps < 0 && to < row.startCs ? std::min(row.endCs, row.startCs) : to;
}

void Recording::setMarked(std::size_t i, bool marked) {
    rows_.at(i).marked = marked;
}

ScriptRow Recording::scriptRow(std::size_t i) const {
    ScriptRow row = script_.text.rows[i];
    row.startCs = scriptTime(rows_[i].startCs);
    row.endCs = scriptTime(rows_[i].endCs);
    row.marked = rows_[i].marked;
    return row;
}

bool Recording::modified() const {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (!(scriptRow(i) == script_.text.rows[i])) {
            return true;
        }
    }
    return false;
}

platform::Status Recording::save() {
    std::vector<ScriptRow> rows;
    rows.reserve(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        rows.push_back(scriptRow(i));
    }
    std::string bytes = formatScript(script_.text, rows);
    if (platform::Status saved = saveScriptFile(script_.path, script_.bytes, bytes); !saved) {
        return saved;
    }
    script_.bytes = std::move(bytes);
    script_.text = parseScript(script_.bytes);
    // Times past what a script holds were saved cut to it; the list shows what was saved.
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        rows_[i].startCs = script_.text.rows[i].startCs;
        rows_[i].endCs = script_.text.rows[i].endCs;
    }
    return platform::Status::ok();
}

FrameSpan Recording::spanOf(std::size_t i, const Padding& padding) const {
    if (!sound_) {
        return {};
    }
    const StudyRow& row = rows_.at(i);
    const WavInfo& info = sound_->info();
    return study::spanOf(row.startCs, row.endCs, padding, info.sampleRate, info.frames);
}

platform::Status Recording::readSpan(const FrameSpan& span, std::vector<int16_t>& out) {
    if (!sound_) {
        return platform::Error{noSoundReason_};
    }
    return sound_->readInt16(span, out);
}

platform::Status Recording::readSpan(const FrameSpan& span, std::vector<float>& out) {
    if (!sound_) {
        return platform::Error{noSoundReason_};
    }
    return sound_->readFloat(span, out);
}

ExportSource Recording::exportSource() const {
    ExportSource source;
    source.name = name_;
    source.scriptPath = script_.path;
    source.wavPath = wavPath_;
    source.recordedAt = recordedAt_;
    source.rows.reserve(rows_.size());
    int number = 0;
    for (const StudyRow& row : rows_) {
        source.rows.push_back({++number, row.startCs, row.endCs, row.text, row.marked});
    }
    return source;
}

}  // namespace study
