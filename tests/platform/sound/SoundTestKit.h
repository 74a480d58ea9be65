#pragma once
// Shared pieces of the sound tests: a card feed whose signal encodes the time,
// scratch folders, and a reader for the WAV header's own fields.
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

// What sox makes of a file: "<rate> <channels> <bits> <samples> <encoding>",
// or "" when sox cannot read it.
inline std::string soxInfo(const std::string& path) {
    const std::string command = "sox --i -r '" + path + "' && sox --i -c '" + path +
                                "' && sox --i -b '" + path + "' && sox --i -s '" + path +
                                "' && sox --i -e '" + path + "'";
    FILE* p = popen((command + " 2>/dev/null").c_str(), "r");
    if (!p) {
        return {};
    }
    std::string out;
    char buf[256] = {};
    while (fgets(buf, sizeof buf, p)) {
        out += buf;
    }
    if (pclose(p) != 0) {
        return {};
    }
    for (char& c : out) {
        if (c == '\n') {
            c = ' ';
        }
    }
    while (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
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
