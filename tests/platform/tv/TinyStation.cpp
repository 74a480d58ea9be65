#include "TinyStation.h"

#include <sndfile.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>
#include <vector>

namespace tvtest {

TempBroadcasts::TempBroadcasts() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "cuelark-broadcasts-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    root_ = pattern;
}

TempBroadcasts::~TempBroadcasts() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

void TempBroadcasts::writeFile(int channel, const std::string& name,
                               const std::string& text) const {
    std::filesystem::create_directories(folder(channel));
    std::ofstream(folder(channel) / name, std::ios::binary) << text;
}

void TempBroadcasts::addStation(int channel, const std::string& sccBody, double soundSeconds,
                                float offset, const std::string& title) {
    writeFile(channel, "captions.scc", "Scenarist_SCC V1.0\n\n" + sccBody);
    writeFile(channel, "title.txt", title + "\n");
    const auto frames = static_cast<long>(soundSeconds * kTinyRate);
    std::vector<float> samples(static_cast<std::size_t>(frames));
    for (long i = 0; i < frames; ++i) {
        samples[static_cast<std::size_t>(i)] = ramp(i, offset);
    }
    SF_INFO info{};
    info.samplerate = kTinyRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    const std::string path = (folder(channel) / "sound.wav").string();
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr) {
        throw std::runtime_error("cannot write " + path);
    }
    sf_writef_float(f, samples.data(), frames);
    sf_close(f);
}

}  // namespace tvtest
