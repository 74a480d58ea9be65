#include "platform/sound/MciInterpreter.h"

#include <cctype>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/core/Clock.h"
#include "platform/sound/MciErrors.h"

namespace platform::sound {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

MciReply fail(uint32_t code, const std::string& detail = {}) {
    return {code, detail.empty() ? mciErrorText(code) : detail};
}

// A decimal number with no sign that fits a 32-bit signed integer.
std::optional<int32_t> parseCount(std::string_view s) {
    if (s.empty() || s.size() > 10) {
        return std::nullopt;
    }
    int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        v = v * 10 + (c - '0');
    }
    if (v > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<int32_t>(v);
}

}  // namespace

// The command split at blanks, each word with where it ends in the line.
struct MciInterpreter::Words {
    std::vector<std::string_view> w;
    std::vector<std::size_t> end;

    explicit Words(std::string_view line) {
        std::size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && isBlank(line[i])) {
                ++i;
            }
            const std::size_t start = i;
            while (i < line.size() && !isBlank(line[i])) {
                ++i;
            }
            if (i > start) {
                w.push_back(line.substr(start, i - start));
                end.push_back(i);
            }
        }
    }
    std::size_t size() const { return w.size(); }
    std::string key(std::size_t i) const { return lower(w[i]); }
};

MciInterpreter::MciInterpreter(InputSource inputs, std::function<void(bool)> recordingChanged)
    : inputs_(std::move(inputs)), recordingChanged_(std::move(recordingChanged)) {}

MciInterpreter::~MciInterpreter() = default;

bool MciInterpreter::anyRecording() const {
    for (const auto& [alias, d] : devices_) {
        if (d->recording()) {
            return true;
        }
    }
    return false;
}

void MciInterpreter::pumpAll() {
    for (auto& [alias, d] : devices_) {
        d->pump();
    }
}

std::string MciInterpreter::takeCaptureProblem() {
    for (auto& [alias, d] : devices_) {
        if (std::string problem = d->takeProblem(); !problem.empty()) {
            return problem;
        }
    }
    return {};
}

void MciInterpreter::noteLost(const WaveDevice& d) {
    if (!d.lostReason().empty()) {
        lostInput_ = d.lostReason();
    }
}

MciReply MciInterpreter::execute(std::string_view command) {
    const bool wasRecording = anyRecording();
    const Words words(command);
    MciReply reply;
    if (words.size() == 0) {
        reply = fail(kMciMissingCommandString);
    } else {
        const std::string verb = words.key(0);
        const bool known = verb == "open" || verb == "set" || verb == "record" || verb == "stop" ||
                           verb == "save" || verb == "close";
        if (!known) {
            reply =
                fail(kMciUnrecognizedCommand, "Unknown command '" + std::string(words.w[0]) +
                                                  "': " + mciErrorText(kMciUnrecognizedCommand));
        } else if (words.size() < 2) {
            reply = fail(kMciMissingDeviceName);
        } else if (verb == "open") {
            reply = open(words);
        } else if (verb == "close") {
            reply = close(words);
        } else {
            auto it = devices_.find(words.key(1));
            if (it == devices_.end()) {
                reply =
                    fail(kMciInvalidDeviceName, "No device is open as '" + std::string(words.w[1]) +
                                                    "': " + mciErrorText(kMciInvalidDeviceName));
            } else if (verb == "set") {
                reply = set(*it->second, words);
            } else if (verb == "record") {
                reply = record(*it->second, words);
            } else if (verb == "save") {
                reply = save(*it->second, command);
            } else if (words.size() > 2) {
                reply = fail(kMciUnrecognizedKeyword,
                             "'stop' takes no '" + std::string(words.w[2]) +
                                 "': " + mciErrorText(kMciUnrecognizedKeyword));
            } else {
                reply = it->second->stop();
                noteLost(*it->second);
            }
        }
    }
    const bool nowRecording = anyRecording();
    if (recordingChanged_ && nowRecording != wasRecording) {
        recordingChanged_(nowRecording);
    }
    return reply;
}

MciReply MciInterpreter::open(const Words& w) {
    if (w.key(1) != "new") {
        return fail(kMciUnsupportedFunction,
                    "Cannot open '" + std::string(w.w[1]) + "': only new recordings can be opened");
    }
    std::optional<std::string_view> type, alias;
    for (std::size_t i = 2; i < w.size(); i += 2) {
        const std::string k = w.key(i);
        std::optional<std::string_view>* slot = k == "type"    ? &type
                                                : k == "alias" ? &alias
                                                               : nullptr;
        if (!slot) {
            return fail(kMciUnrecognizedKeyword, "'open' takes no '" + std::string(w.w[i]) +
                                                     "': " + mciErrorText(kMciUnrecognizedKeyword));
        }
        if (*slot) {
            return fail(kMciDuplicateFlags,
                        "'" + k + "' given twice: " + mciErrorText(kMciDuplicateFlags));
        }
        if (i + 1 >= w.size()) {
            return fail(kMciMissingParameter,
                        "'" + k + "' needs a value: " + mciErrorText(kMciMissingParameter));
        }
        *slot = w.w[i + 1];
    }
    if (!type) {
        return fail(kMciDeviceTypeRequired);
    }
    if (lower(*type) != "waveaudio") {
        return fail(kMciInvalidDeviceName,
                    "Unknown device type '" + std::string(*type) + "': only waveaudio records");
    }
    if (!alias) {
        return fail(kMciNewRequiresAlias);
    }
    const std::string key = lower(*alias);
    if (key == "all") {
        return fail(kMciDeviceOpen, "'all' names every device and cannot be an alias");
    }
    if (devices_.count(key)) {
        return fail(kMciDeviceOpen, "The alias '" + std::string(*alias) +
                                        "' is in use: " + mciErrorText(kMciDeviceOpen));
    }
    devices_[key] = std::make_unique<WaveDevice>();
    lostInput_.clear();
    return {0, std::to_string(nextDeviceId_++)};
}

MciReply MciInterpreter::set(WaveDevice& d, const Words& w) {
    static constexpr const char* kKeys[] = {"samplespersec", "channels", "bitspersample",
                                            "alignment", "bytespersec"};
    std::optional<int32_t> values[5];
    if (w.size() < 3) {
        return fail(kMciMissingParameter,
                    "'set' needs a value to set: " + mciErrorText(kMciMissingParameter));
    }
    for (std::size_t i = 2; i < w.size(); i += 2) {
        const std::string k = w.key(i);
        int index = -1;
        for (int j = 0; j < 5; ++j) {
            if (k == kKeys[j]) {
                index = j;
            }
        }
        if (index < 0) {
            return fail(kMciUnrecognizedKeyword, "'set' takes no '" + std::string(w.w[i]) +
                                                     "': " + mciErrorText(kMciUnrecognizedKeyword));
        }
        if (values[index]) {
            return fail(kMciDuplicateFlags,
                        "'" + k + "' given twice: " + mciErrorText(kMciDuplicateFlags));
        }
        if (i + 1 >= w.size()) {
            return fail(kMciMissingParameter,
                        "'" + k + "' needs a value: " + mciErrorText(kMciMissingParameter));
        }
        values[index] = parseCount(w.w[i + 1]);
        if (!values[index]) {
            return fail(kMciBadInteger, "'" + std::string(w.w[i + 1]) + "' is not a valid " + k +
                                            ": " + mciErrorText(kMciBadInteger));
        }
    }
    WaveFormat f = d.format();
    f.samplesPerSec = values[0].value_or(f.samplesPerSec);
    f.channels = values[1].value_or(f.channels);
    f.bitsPerSample = values[2].value_or(f.bitsPerSample);
    if (Status s = checkSupported(f); !s) {
        return fail(kMciWaveInputsUnsuitable, s.message());
    }
    if (values[3] && *values[3] != f.blockAlign()) {
        return fail(kMciOutOfRange, "alignment " + std::to_string(*values[3]) + " does not fit " +
                                        describe(f) + " (" + std::to_string(f.blockAlign()) +
                                        " bytes a frame)");
    }
    if (values[4] && *values[4] != f.bytesPerSec()) {
        return fail(kMciOutOfRange, "bytespersec " + std::to_string(*values[4]) + " does not fit " +
                                        describe(f) + " (" + std::to_string(f.bytesPerSec()) +
                                        " bytes a second)");
    }
    return d.setFormat(f);
}

MciReply MciInterpreter::record(WaveDevice& d, const Words& w) {
    if (w.size() < 3) {
        return fail(kMciUnsupportedFunction,
                    "Only 'record <alias> overwrite' is supported: a new recording starts empty");
    }
    if (w.key(2) != "overwrite" || w.size() > 3) {
        const std::string_view bad = w.key(2) != "overwrite" ? w.w[2] : w.w[3];
        return fail(kMciUnrecognizedKeyword, "'record' takes no '" + std::string(bad) +
                                                 "': " + mciErrorText(kMciUnrecognizedKeyword));
    }
    // The moment the command is accepted is the recording's first sample.
    const double startTime = programClock().now();
    auto input =
        inputs_ ? inputs_() : Result<std::unique_ptr<WaveInput>>(Error{"no wave input is set up"});
    if (!input) {
        return fail(kMciWaveInputsUnsuitable, "Cannot record: " + input.message());
    }
    const RecordingPlace place = std::move(nextPlace_);
    nextPlace_ = {};
    return d.record(std::move(input.value()), startTime, place);
}

MciReply MciInterpreter::save(WaveDevice& d, std::string_view command) {
    // The path is everything after the one blank that follows the alias, so
    // blanks inside it, and at its start, belong to it.
    const Words w(command);
    const std::size_t afterAlias = w.end[1];
    if (afterAlias + 1 >= command.size()) {
        return fail(kMciFilenameRequired);
    }
    const std::string path(command.substr(afterAlias + 1));
    if (path.find('\0') != std::string::npos) {
        return fail(kMciFilenameRequired, "A file name cannot contain a NUL character");
    }
    MciReply r = d.save(path);
    noteLost(d);
    return r;
}

MciReply MciInterpreter::close(const Words& w) {
    if (w.size() > 2) {
        return fail(kMciUnrecognizedKeyword, "'close' takes no '" + std::string(w.w[2]) +
                                                 "': " + mciErrorText(kMciUnrecognizedKeyword));
    }
    const std::string key = w.key(1);
    if (key == "all") {
        for (auto& [alias, d] : devices_) {
            d->close();
            noteLost(*d);
        }
        devices_.clear();
        return {};
    }
    auto it = devices_.find(key);
    if (it == devices_.end()) {
        return fail(kMciInvalidDeviceName, "No device is open as '" + std::string(w.w[1]) +
                                               "': " + mciErrorText(kMciInvalidDeviceName));
    }
    it->second->close();
    noteLost(*it->second);
    devices_.erase(it);
    return {};
}

}  // namespace platform::sound
