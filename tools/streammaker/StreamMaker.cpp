#include "tools/streammaker/StreamMaker.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/opt.h>
}

#include "tools/streammaker/Encoders.h"
#include "tools/streammaker/ProgrammeSound.h"
#include "tools/streammaker/StillPicture.h"
#include "tools/streammaker/TestPicture.h"

namespace tools::stream {
namespace {

struct OutputFree {
    void operator()(AVFormatContext* f) const {
        if (f->pb != nullptr) {
            avio_closep(&f->pb);
        }
        avformat_free_context(f);
    }
};
using OutputPtr = std::unique_ptr<AVFormatContext, OutputFree>;

// One encoder feeding one stream of the transport stream.
struct Track {
    CodecContextPtr codec;
    AVStream* stream = nullptr;
};

class Writer {
  public:
    Writer(AVFormatContext* out, std::string path) : out_(out), path_(std::move(path)) {}

    // Hands frame (nullptr: the end) to the track's encoder and writes out
    // every packet it has ready.
    platform::Status encode(Track& t, const AVFrame* frame) {
        if (int e = avcodec_send_frame(t.codec.get(), frame); e < 0) {
            return fail("encoding", e);
        }
        for (;;) {
            const int e = avcodec_receive_packet(t.codec.get(), packet_.get());
            if (e == AVERROR(EAGAIN) || e == AVERROR_EOF) {
                return {};
            }
            if (e < 0) {
                return fail("encoding", e);
            }
            av_packet_rescale_ts(packet_.get(), t.codec->time_base, t.stream->time_base);
            packet_->stream_index = t.stream->index;
            if (int w = av_interleaved_write_frame(out_, packet_.get()); w < 0) {
                return fail("writing", w);
            }
        }
    }

    platform::Error fail(const char* doing, int e) const {
        return platform::Error{std::string("Failed ") + doing + " '" + path_ + "': " + avError(e)};
    }

  private:
    AVFormatContext* out_;
    std::string path_;
    PacketPtr packet_{av_packet_alloc()};
};

platform::Result<Track> addTrack(AVFormatContext* out, platform::Result<CodecContextPtr> codec) {
    if (!codec) {
        return platform::Error{codec.message()};
    }
    Track t;
    t.codec = std::move(codec.value());
    t.stream = avformat_new_stream(out, nullptr);
    if (t.stream == nullptr) {
        return platform::Error{"Cannot add a stream to the transport stream"};
    }
    t.stream->time_base = t.codec->time_base;
    if (int e = avcodec_parameters_from_context(t.stream->codecpar, t.codec.get()); e < 0) {
        return platform::Error{"Cannot add a stream to the transport stream: " + avError(e)};
    }
    return t;
}

// One frame of sound in the encoder's own sample layout.
void fillSound(AVFrame* frame, const std::vector<float>& stereo) {
    const auto n = static_cast<std::size_t>(frame->nb_samples);
    if (frame->format == AV_SAMPLE_FMT_S16) {
        auto* out = reinterpret_cast<int16_t*>(frame->data[0]);
        for (std::size_t i = 0; i < 2 * n; ++i) {
            const float v = std::clamp(stereo[i], -1.0f, 1.0f);
            out[i] = static_cast<int16_t>(std::lrint(v * 32767.0f));
        }
        return;
    }
    auto* left = reinterpret_cast<float*>(frame->data[0]);
    auto* right = reinterpret_cast<float*>(frame->data[1]);
    for (std::size_t i = 0; i < n; ++i) {
        left[i] = stereo[2 * i];
        right[i] = stereo[2 * i + 1];
    }
}

}  // namespace

platform::Result<StreamSummary> makeStream(const platform::tv::Station& station,
                                           const StreamOptions& o, const std::string& outputPath) {
    platform::Result<ProgrammeSound> sound = ProgrammeSound::of(station);
    if (!sound) {
        return platform::Error{sound.message()};
    }
    TestPicture picture(o.width, o.height, station.title);
    picture.setGrain(o.grain);
    if (!station.picturePath.empty()) {
        platform::Result<std::vector<uint8_t>> still =
            readStillPicture(station.picturePath, o.width, o.height);
        if (!still) {
            return platform::Error{still.message()};
        }
        picture.setBackground(std::move(still.value()));
    }

    // Written beside the output and renamed at the end, so that a stream cut
    // short never stands under the output's name.
    const std::string partPath = outputPath + ".part";
    AVFormatContext* rawOut = nullptr;
    if (int e = avformat_alloc_output_context2(&rawOut, nullptr, "mpegts", partPath.c_str());
        e < 0) {
        return platform::Error{"Cannot make a transport stream: " + avError(e)};
    }
    OutputPtr out(rawOut);
    out->flags |= AVFMT_FLAG_BITEXACT;
    // Each picture arrives well before it is decoded, as in a broadcast: the
    // clock (PCR) runs 0.7 s behind the timestamps.
    out->max_delay = 700000;
    av_dict_set(&out->metadata, "service_name", station.title.c_str(), 0);
    av_dict_set(&out->metadata, "service_provider", "Cuelark", 0);

    platform::Result<Track> video = addTrack(out.get(), openVideoEncoder(o));
    if (!video) {
        return platform::Error{video.message()};
    }
    platform::Result<Track> audio = addTrack(out.get(), openSoundEncoder(o));
    if (!audio) {
        return platform::Error{audio.message()};
    }
    Writer writer(out.get(), outputPath);
    if (int e = avio_open(&out->pb, partPath.c_str(), AVIO_FLAG_WRITE); e < 0) {
        return platform::Error{"Cannot write '" + partPath + "': " + avError(e)};
    }
    if (int e = avformat_write_header(out.get(), nullptr); e < 0) {
        return writer.fail("writing", e);
    }

    const Rational fps = framesPerSecond(o.cadence.rate);
    const double seconds = o.seconds > 0 ? o.seconds : station.lengthSeconds();
    StreamSummary summary;
    summary.seconds = seconds;
    summary.videoFrames =
        std::max<int64_t>(1, static_cast<int64_t>(std::ceil(seconds * fps.num / fps.den - 1e-9)));
    const int64_t soundWanted = std::llround(seconds * kStreamRate);

    const int64_t programme = station.lengthFrames();
    const PairAt pairAt = [&station, programme](int64_t k) -> uint16_t {
        return programme > 0 ? station.pairs[static_cast<std::size_t>(k % programme)] : 0x8080;
    };

    FramePtr picFrame(av_frame_alloc());
    picFrame->format = AV_PIX_FMT_YUV420P;
    picFrame->width = o.width;
    picFrame->height = o.height;
    FramePtr soundFrame(av_frame_alloc());
    soundFrame->format = audio.value().codec->sample_fmt;
    soundFrame->sample_rate = kStreamRate;
    av_channel_layout_copy(&soundFrame->ch_layout, &audio.value().codec->ch_layout);
    soundFrame->nb_samples = audio.value().codec->frame_size;
    if (av_frame_get_buffer(picFrame.get(), 0) < 0 ||
        av_frame_get_buffer(soundFrame.get(), 0) < 0) {
        return platform::Error{"Out of memory making '" + outputPath + "'"};
    }
    std::vector<float> stereo(static_cast<std::size_t>(soundFrame->nb_samples) * 2);
    int64_t soundAt = 0;

    for (int64_t f = 0; f < summary.videoFrames; ++f) {
        // The sound up to the end of this picture goes first, so the muxer
        // interleaves the two without holding much back.
        const int64_t soundUntil = std::min(soundWanted, (f + 1) * fps.den * kStreamRate / fps.num);
        while (soundAt < soundUntil) {
            if (av_frame_make_writable(soundFrame.get()) < 0) {
                return platform::Error{"Out of memory making '" + outputPath + "'"};
            }
            sound.value().take(soundAt, stereo.size() / 2, stereo.data());
            fillSound(soundFrame.get(), stereo);
            soundFrame->pts = soundAt;
            if (platform::Status s = writer.encode(audio.value(), soundFrame.get()); !s) {
                return platform::Error{s.message()};
            }
            soundAt += soundFrame->nb_samples;
        }

        if (av_frame_make_writable(picFrame.get()) < 0) {
            return platform::Error{"Out of memory making '" + outputPath + "'"};
        }
        Planes planes;
        for (int p = 0; p < 3; ++p) {
            planes.data[p] = picFrame->data[p];
            planes.stride[p] = picFrame->linesize[p];
        }
        picture.draw(planes, f, fps);
        picFrame->pts = f;
        picFrame->interlaced_frame = o.cadence.rate == FrameRate::Interlaced2997 ? 1 : 0;
        picFrame->top_field_first = 1;
        av_frame_remove_side_data(picFrame.get(), AV_FRAME_DATA_A53_CC);
        const std::vector<uint8_t> cc = ccDataOfFrame(o.cadence, f, pairAt);
        AVFrameSideData* side =
            av_frame_new_side_data(picFrame.get(), AV_FRAME_DATA_A53_CC, cc.size());
        if (side == nullptr) {
            return platform::Error{"Out of memory making '" + outputPath + "'"};
        }
        std::copy(cc.begin(), cc.end(), side->data);
        if (platform::Status s = writer.encode(video.value(), picFrame.get()); !s) {
            return platform::Error{s.message()};
        }
    }
    summary.soundFrames = soundAt;

    for (Track* t : {&video.value(), &audio.value()}) {
        if (platform::Status s = writer.encode(*t, nullptr); !s) {
            return platform::Error{s.message()};
        }
    }
    if (int e = av_write_trailer(out.get()); e < 0) {
        return writer.fail("writing", e);
    }
    if (int e = avio_closep(&out->pb); e < 0) {
        return writer.fail("writing", e);
    }
    std::error_code ec;
    std::filesystem::rename(partPath, outputPath, ec);
    if (ec) {
        return platform::Error{"Cannot write '" + outputPath + "': " + ec.message()};
    }
    return summary;
}

}  // namespace tools::stream
