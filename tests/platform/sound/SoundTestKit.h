#pragma once
// Shared pieces of the sound tests: a card feed whose signal encodes the time,
// scratch folders, a reader for the WAV header's own fields, and FFmpeg as a
// second, independent reader of the files.
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/core/Clock.h"
#include "platform/tv/AudioFeed.h"

namespace soundtest {

// A sawtooth over one second of program time, -0.9 at each whole second
// to +0.9 just before the next; the right channel is its negative. Reading a
// sample back tells the moment it was rendered for.
class RampFeed final : public platform::tv::AudioFeed {
  public:
    static float at(double t) {
        const double phase = t - std::floor(t);
        return static_cast<float>(-0.9 + 1.8 * phase);
    }
    void render(double start, int rate, int channels, float* out, std::size_t frames) override {
        for (std::size_t i = 0; i < frames; ++i) {
            const float v = at(start + static_cast<double>(i) / rate);
            out[i * channels] = v;
            if (channels == 2) {
                out[i * channels + 1] = -v;
            }
        }
        ++calls;
        rendered += frames;
    }
    std::string lostReason() const override { return lost; }
    int calls = 0;
    std::size_t rendered = 0;
    std::string lost;  // the card's reason for having no sound
};

// Installs a manual program clock for the life of the object.
class ClockScope {
  public:
    explicit ClockScope(double start) : clock(start) { platform::setProgramClock(&clock); }
    ~ClockScope() { platform::setProgramClock(nullptr); }
    platform::ManualClock clock;
};

// A fresh folder under base (default: the system temp folder), removed at the end.
class ScratchDir {
  public:
    explicit ScratchDir(const std::string& base = std::filesystem::temp_directory_path().string()) {
        std::string tmpl = base + "/cuelark-sound-test-XXXXXX";
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        path = mkdtemp(buf.data()) ? std::string(buf.data()) : std::string();
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
    std::size_t fileCount() const {
        std::size_t n = 0;
        for (auto& e : std::filesystem::directory_iterator(path)) {
            (void)e;
            ++n;
        }
        return n;
    }
    std::string path;
};

// Points TMPDIR somewhere else for the life of the object.
class TmpDirScope {
  public:
    explicit TmpDirScope(const std::string& dir) {
        const char* old = std::getenv("TMPDIR");
        had_ = old != nullptr;
        old_ = old ? old : "";
        setenv("TMPDIR", dir.c_str(), 1);
    }
    ~TmpDirScope() {
        if (had_) {
            setenv("TMPDIR", old_.c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }

  private:
    bool had_ = false;
    std::string old_;
};

// The fields of the "fmt " chunk, found by walking the RIFF chunks.
struct FmtChunk {
    bool found = false;
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t byteRate = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
    uint32_t fmtSize = 0;
    uint32_t dataBytes = 0;
    std::string riff;
    std::string firstChunk;  // the id of the chunk right after "WAVE"
    uint64_t riffEnd = 0;    // 8 + the RIFF size
    uint64_t chunksEnd = 0;  // where walking the chunks stopped
    uint64_t fileSize = 0;
};

inline uint32_t le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint16_t le16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline FmtChunk readFmt(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
    FmtChunk f;
    if (b.size() < 12) {
        return f;
    }
    f.riff.assign(b.begin(), b.begin() + 4);
    f.riffEnd = 8 + static_cast<uint64_t>(le32(&b[4]));
    f.fileSize = b.size();
    std::size_t pos = 12;
    while (pos + 8 <= b.size()) {
        const std::string id(b.begin() + static_cast<long>(pos),
                             b.begin() + static_cast<long>(pos) + 4);
        if (pos == 12) {
            f.firstChunk = id;
        }
        const uint32_t size = le32(&b[pos + 4]);
        const unsigned char* body = b.data() + pos + 8;
        if (id == "fmt " && pos + 8 + 16 <= b.size()) {
            f.found = true;
            f.fmtSize = size;
            f.formatTag = le16(body);
            f.channels = le16(body + 2);
            f.sampleRate = le32(body + 4);
            f.byteRate = le32(body + 8);
            f.blockAlign = le16(body + 12);
            f.bits = le16(body + 14);
        } else if (id == "data") {
            f.dataBytes = size;
        }
        pos += 8 + size + (size & 1);
    }
    f.chunksEnd = pos;
    return f;
}

// What FFmpeg, a reader that is not ours nor libsndfile, makes of a file
// (the ffmpeg package of scripts/packages.txt): the header's fields and
// every sample, decoded to floats.
struct ForeignRead {
    bool ok = false;
    std::string codec;  // "pcm_u8", "pcm_s16le"
    int rate = 0;
    int channels = 0;
    int bits = 0;
    std::vector<float> samples;
    long frames() const { return channels == 0 ? 0 : static_cast<long>(samples.size()) / channels; }
    // "<rate> <channels> <bits> <frames> <codec>"
    std::string summary() const {
        return std::to_string(rate) + " " + std::to_string(channels) + " " + std::to_string(bits) +
               " " + std::to_string(frames()) + " " + codec;
    }
};

inline bool runAndRead(const std::string& command, std::string& out) {
    FILE* p = popen(command.c_str(), "r");
    if (!p) {
        return false;
    }
    char buf[4096];
    std::size_t n = 0;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) {
        out.append(buf, n);
    }
    return pclose(p) == 0;
}

inline ForeignRead readWithFfmpeg(const std::string& path) {
    std::string quoted = "'";
    for (char c : path) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    quoted += "'";
    ForeignRead r;
    std::string fields;
    if (!runAndRead("ffprobe -v error -select_streams a:0 -show_entries "
                    "stream=codec_name,sample_rate,channels,bits_per_sample "
                    "-of default=noprint_wrappers=1 " +
                        quoted,
                    fields)) {
        return r;
    }
    std::size_t at = 0;
    while (at < fields.size()) {
        const std::size_t end = std::min(fields.find('\n', at), fields.size());
        const std::string line = fields.substr(at, end - at);
        const std::size_t eq = line.find('=');
        const std::string key = line.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : line.substr(eq + 1);
        if (key == "codec_name") {
            r.codec = value;
        } else if (key == "sample_rate") {
            r.rate = std::atoi(value.c_str());
        } else if (key == "channels") {
            r.channels = std::atoi(value.c_str());
        } else if (key == "bits_per_sample") {
            r.bits = std::atoi(value.c_str());
        }
        at = end + 1;
    }
    std::string raw;
    if (!runAndRead("ffmpeg -v error -nostdin -i " + quoted + " -f f32le -c:a pcm_f32le -", raw)) {
        return r;
    }
    r.samples.resize(raw.size() / sizeof(float));
    if (!r.samples.empty()) {
        std::memcpy(r.samples.data(), raw.data(), r.samples.size() * sizeof(float));
    }
    r.ok = r.channels > 0;
    return r;
}

// The whole file through libsndfile, as floats.
struct Decoded {
    bool ok = false;
    SF_INFO info{};
    std::vector<float> samples;
};

inline Decoded decode(const std::string& path) {
    Decoded d;
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &d.info);
    if (!f) {
        return d;
    }
    d.samples.resize(static_cast<std::size_t>(d.info.frames * d.info.channels));
    sf_readf_float(f, d.samples.data(), d.info.frames);
    sf_close(f);
    d.ok = true;
    return d;
}

}  // namespace soundtest
