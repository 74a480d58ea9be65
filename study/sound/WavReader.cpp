#include "study/sound/WavReader.h"

#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

namespace study {

namespace {

SNDFILE* handle(void* p) {
    return static_cast<SNDFILE*>(p);
}

std::string readError(const std::string& path, SNDFILE* file) {
    return "Cannot read the sound file '" + path + "': " + sf_strerror(file);
}

}  // namespace

int64_t WavInfo::durationCs() const {
    return sampleRate > 0 ? frames * 100 / sampleRate : 0;
}

platform::Result<std::unique_ptr<WavReader>> WavReader::open(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) {
        return platform::Error{"There is no sound file '" + path + "'."};
    }
    SF_INFO sfInfo{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &sfInfo);
    if (file == nullptr) {
        return platform::Error{readError(path, nullptr)};
    }
    if (sfInfo.samplerate <= 0 || sfInfo.channels <= 0 || sfInfo.seekable == 0) {
        sf_close(file);
        return platform::Error{"Cannot read the sound file '" + path +
                               "': it holds no sound that can be played in parts."};
    }
    WavInfo info;
    info.sampleRate = sfInfo.samplerate;
    info.channels = sfInfo.channels;
    info.frames = sfInfo.frames;
    return std::unique_ptr<WavReader>(new WavReader(path, file, info));
}

WavReader::WavReader(std::string path, void* sndfile, WavInfo info)
    : path_(std::move(path)), sndfile_(sndfile), info_(info) {}

WavReader::~WavReader() {
    sf_close(handle(sndfile_));
}

namespace {

template <class Sample, class ReadFn>
platform::Status readSpan(SNDFILE* file, const std::string& path, const WavInfo& info,
                          const FrameSpan& span, std::vector<Sample>& out, ReadFn readFrames) {
    out.clear();
    const int64_t first = std::max<int64_t>(span.first, 0);
    const int64_t count = std::min(span.first + span.count, info.frames) - first;
    if (count <= 0) {
        return platform::Status::ok();
    }
    if (sf_seek(file, first, SEEK_SET) < 0) {
        return platform::Error{readError(path, file)};
    }
    out.resize(static_cast<std::size_t>(count * info.channels));
    const sf_count_t got = readFrames(file, out.data(), count);
    if (got < 0) {
        out.clear();
        return platform::Error{readError(path, file)};
    }
    // A file cut short after it was opened gives what it still holds.
    out.resize(static_cast<std::size_t>(got * info.channels));
    return platform::Status::ok();
}

}  // namespace

platform::Status WavReader::readFloat(const FrameSpan& span, std::vector<float>& out) {
    return readSpan(handle(sndfile_), path_, info_, span, out, sf_readf_float);
}

platform::Status WavReader::readInt16(const FrameSpan& span, std::vector<int16_t>& out) {
    return readSpan(handle(sndfile_), path_, info_, span, out, sf_readf_short);
}

}  // namespace study
