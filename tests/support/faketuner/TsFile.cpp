#include "TsFile.h"

#include <algorithm>
#include <optional>

#include "TsPacket.h"
#include "platform/core/WholeFile.h"

namespace faketuner {
namespace {

constexpr int64_t kPcrWrap = kTimestampWrap * 300;

uint8_t at(std::string_view s, std::size_t i) {
    return static_cast<uint8_t>(s[i]);
}

// The section a packet's payload starts (after the pointer field), or empty.
std::string_view sectionOf(std::string_view packet) {
    if (!startsPayload(packet)) {
        return {};
    }
    const std::string_view payload = payloadOf(packet);
    if (payload.empty() || 1u + at(payload, 0) + 3 > payload.size()) {
        return {};
    }
    const std::string_view section = payload.substr(1u + at(payload, 0));
    const std::size_t length = ((at(section, 1) & 0x0F) << 8) | at(section, 2);
    // Sections longer than the packet are not followed: ours fit in one.
    if (3 + length > section.size() || length < 9) {
        return {};
    }
    return section.substr(0, 3 + length - 4);  // without the CRC
}

// The PID of the first programme's PMT, from a PAT.
std::optional<int> pmtPid(std::string_view section) {
    if (section.empty() || at(section, 0) != 0x00) {
        return std::nullopt;
    }
    for (std::size_t i = 8; i + 4 <= section.size(); i += 4) {
        const int program = (at(section, i) << 8) | at(section, i + 1);
        if (program != 0) {
            return ((at(section, i + 2) & 0x1F) << 8) | at(section, i + 3);
        }
    }
    return std::nullopt;
}

std::string videoName(int streamType) {
    switch (streamType) {
        case 0x01:
        case 0x02:
            return "MPEG2";
        case 0x1B:
            return "H264";
        case 0x24:
            return "HEVC";
        default:
            return "";
    }
}

std::string audioName(int streamType) {
    switch (streamType) {
        case 0x03:
        case 0x04:
            return "MPEG";
        case 0x0F:
        case 0x11:
            return "AAC";
        case 0x81:
            return "AC3";
        case 0x87:
            return "EAC3";
        default:
            return "";
    }
}

// The codecs of a PMT's first video and first sound stream.
void readPmt(std::string_view section, TsFile& ts) {
    if (section.size() < 12 || at(section, 0) != 0x02) {
        return;
    }
    std::size_t i = 12 + (((at(section, 10) & 0x0F) << 8) | at(section, 11));
    while (i + 5 <= section.size()) {
        const int type = at(section, i);
        if (ts.videoCodec.empty()) {
            ts.videoCodec = videoName(type);
        }
        if (ts.audioCodec.empty()) {
            ts.audioCodec = audioName(type);
        }
        i += 5 + (((at(section, i + 3) & 0x0F) << 8) | at(section, i + 4));
    }
}

// Adds whole wraps so that a value that wrapped around follows the one before.
int64_t unwrap(int64_t value, std::optional<int64_t> previous, int64_t range) {
    if (!previous) {
        return value;
    }
    int64_t v = value + (*previous / range) * range;
    if (v < *previous - range / 2) {
        v += range;
    } else if (v > *previous + range / 2) {
        v -= range;
    }
    return v;
}

}  // namespace

platform::Result<TsFile> indexTs(std::string bytes, const std::string& source) {
    TsFile ts;
    bytes.resize(bytes.size() / kPacketSize * kPacketSize);
    ts.bytes = std::move(bytes);
    const std::size_t n = ts.packets();
    if (n == 0) {
        return platform::Error{"'" + source + "' holds no transport stream packets"};
    }

    struct Pcr {
        std::size_t index;
        int64_t ticks;  // 27 MHz, unwrapped
    };
    std::vector<Pcr> pcrs;
    std::vector<int64_t> pictures;  // video PTS, unwrapped
    int pcrPid = -1;
    std::optional<int> pmt;
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view p = ts.packet(i);
        if (at(p, 0) != 0x47) {
            return platform::Error{"'" + source +
                                   "' is not an MPEG transport stream: no sync byte in packet " +
                                   std::to_string(i + 1)};
        }
        const int pid = packetPid(p);
        if (pid == 0 && !pmt) {
            pmt = pmtPid(sectionOf(p));
        } else if (pmt && pid == *pmt && ts.videoCodec.empty() && ts.audioCodec.empty()) {
            readPmt(sectionOf(p), ts);
        }
        if (const std::optional<int64_t> pcr = packetPcr(p); pcr && (pcrPid < 0 || pid == pcrPid)) {
            pcrPid = pid;
            const std::optional<int64_t> last =
                pcrs.empty() ? std::nullopt : std::optional<int64_t>(pcrs.back().ticks);
            pcrs.push_back({i, unwrap(*pcr, last, kPcrWrap)});
        }
        if (const std::optional<PesStart> pes = pesStart(p);
            pes && pes->pts && (pes->streamId & 0xF0) == 0xE0) {
            const std::optional<int64_t> last =
                pictures.empty() ? std::nullopt : std::optional<int64_t>(pictures.back());
            pictures.push_back(unwrap(*pes->pts, last, kTimestampWrap));
        }
    }
    if (pcrs.size() < 2 || pcrs.back().ticks <= pcrs.front().ticks) {
        return platform::Error{"'" + source + "' has no running clock (PCR) to pace it by"};
    }

    // Packets between two PCRs are spread evenly between them; those before
    // the first go with it, and those after the last (the end of the last
    // picture and its sound) with the last.
    const double first = static_cast<double>(pcrs.front().ticks);
    ts.sendTimes.resize(n);
    std::size_t k = 0;
    for (std::size_t i = 0; i < n; ++i) {
        while (k + 1 < pcrs.size() && pcrs[k + 1].index <= i) {
            ++k;
        }
        double ticks = static_cast<double>(pcrs[k].ticks);
        if (i > pcrs[k].index && k + 1 < pcrs.size()) {
            const Pcr& a = pcrs[k];
            const Pcr& b = pcrs[k + 1];
            ticks += static_cast<double>(b.ticks - a.ticks) * static_cast<double>(i - a.index) /
                     static_cast<double>(b.index - a.index);
        }
        // A clock that steps back is a splice in the file: its packets
        // follow on at once rather than before the ones already sent.
        ts.sendTimes[i] = std::max((ticks - first) / 27e6, i == 0 ? 0.0 : ts.sendTimes[i - 1]);
    }
    const double span = static_cast<double>(pcrs.back().ticks) - first;

    // One loop lasts as long as its pictures: from the first to one frame
    // after the last.
    double period = 0;
    std::sort(pictures.begin(), pictures.end());
    pictures.erase(std::unique(pictures.begin(), pictures.end()), pictures.end());
    if (pictures.size() >= 2) {
        int64_t frame = pictures[1] - pictures[0];
        for (std::size_t i = 2; i < pictures.size(); ++i) {
            frame = std::min(frame, pictures[i] - pictures[i - 1]);
        }
        period = static_cast<double>(pictures.back() - pictures.front() + frame) / kTicksPerSecond;
    } else {
        period = (span + span / static_cast<double>(pcrs.size() - 1)) / 27e6;
    }
    // A loop never starts before the last one has gone out.
    ts.period = std::max(period, ts.sendTimes.back() + 0.001);
    return ts;
}

platform::Result<TsFile> readTsFile(const std::string& path) {
    platform::Result<platform::FileRead> read = platform::readWholeFile(path);
    if (!read) {
        return platform::Error{read.message()};
    }
    if (!read.value().exists) {
        return platform::Error{"No such file: '" + path + "'"};
    }
    return indexTs(std::move(read.value().contents), path);
}

}  // namespace faketuner
