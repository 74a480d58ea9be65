#include "StreamFixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/scc/Scc.h"
#include "platform/tv/Line21.h"
#include "tools/streammaker/StreamMaker.h"

namespace streamtest {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kSoundSeconds = 4.2;

uint16_t textPair(char a, char b) {
    using platform::tv::withOddParity;
    return static_cast<uint16_t>(withOddParity(static_cast<uint8_t>(a)) << 8 |
                                 withOddParity(static_cast<uint8_t>(b)));
}

}  // namespace

double sweep(double t) {
    const double u = std::fmod(t, 2.0);
    return 0.4 * std::sin(2 * kPi * (200 * u + 900 * u * u));
}

platform::tv::Station writeStation(const std::string& dir) {
    std::vector<platform::scc::CaptionWord> words;
    const char* text = "CAPTIONS FROM A STREAM";
    for (int s = 0; s < 3; ++s) {
        std::vector<uint16_t> pairs = {0x9420, 0x9420, 0x94D0, 0x94D0};
        for (int i = 0; text[i] != '\0' && text[i + 1] != '\0'; i += 2) {
            pairs.push_back(textPair(text[i], static_cast<char>(text[i + 1] + s % 2)));
        }
        for (uint16_t p : {0x942C, 0x942C, 0x942F, 0x942F}) {
            pairs.push_back(p);
        }
        int64_t frame = s * 30 + 2;
        for (uint16_t p : pairs) {
            words.push_back({frame++, static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)});
        }
    }
    std::ofstream(dir + "/captions.scc") << platform::scc::formatScc(words, false);
    std::ofstream(dir + "/title.txt") << "Stream\n";
    std::vector<float> sound(static_cast<std::size_t>(kSoundSeconds * kStationRate));
    for (std::size_t i = 0; i < sound.size(); ++i) {
        sound[i] = static_cast<float>(sweep(static_cast<double>(i) / kStationRate));
    }
    SF_INFO info{};
    info.samplerate = kStationRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open((dir + "/sound.wav").c_str(), SFM_WRITE, &info);
    if (f == nullptr) {
        throw std::runtime_error("cannot write " + dir + "/sound.wav");
    }
    sf_writef_float(f, sound.data(), static_cast<sf_count_t>(sound.size()));
    sf_close(f);
    std::ostringstream warnings;
    platform::Result<platform::tv::Station> s = platform::tv::loadStation(dir, 1, warnings);
    if (!s) {
        throw std::runtime_error(s.message());
    }
    return std::move(s.value());
}

std::string makeStream(const platform::tv::Station& station, tools::stream::StreamOptions options,
                       const std::string& dir, const std::string& name) {
    const std::string path = dir + "/" + name;
    platform::Result<tools::stream::StreamSummary> made =
        tools::stream::makeStream(station, options, path);
    if (!made) {
        throw std::runtime_error(made.message());
    }
    return path;
}

LoopbackFiles::LoopbackFiles(const std::string& dir) {
    int out[2];
    if (::pipe(out) != 0) {
        return;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(out[1], 1);
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, 2);  // its log of every request
        ::close(out[0]);
        ::close(out[1]);
        ::execlp("python3", "python3", "-u", "-m", "http.server", "0", "--bind", "127.0.0.1",
                 "--directory", dir.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    // "Serving HTTP on 127.0.0.1 port 41234 (http://127.0.0.1:41234/) ..."
    std::string line;
    pollfd p{out[0], POLLIN, 0};
    while (pid_ > 0 && line.find('\n') == std::string::npos && ::poll(&p, 1, 10000) > 0) {
        char buffer[256];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        line.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    const std::size_t at = line.find(" port ");
    if (at != std::string::npos) {
        port_ = std::atoi(line.c_str() + at + 6);
    }
}

LoopbackFiles::~LoopbackFiles() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

Alignment align(const std::vector<float>& a, const std::vector<float>& b, int maxLag) {
    Alignment best;
    best.correlation = -2;
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double ab = 0;
        double aa = 0;
        double bb = 0;
        for (std::size_t i = 0; i < b.size(); ++i) {
            const auto j = static_cast<std::ptrdiff_t>(i) + lag;
            if (j < 0 || j >= static_cast<std::ptrdiff_t>(a.size())) {
                continue;
            }
            ab += static_cast<double>(a[static_cast<std::size_t>(j)]) * b[i];
            aa += static_cast<double>(a[static_cast<std::size_t>(j)]) *
                  a[static_cast<std::size_t>(j)];
            bb += static_cast<double>(b[i]) * b[i];
        }
        const double c = aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
        if (c > best.correlation) {
            best = {lag, c};
        }
    }
    return best;
}

}  // namespace streamtest
