#include "tools/streammaker/StillPicture.h"

#include "tools/streammaker/Ffmpeg.h"

namespace tools::stream {

platform::Result<std::vector<uint8_t>> readStillPicture(const std::string& path, int width,
                                                        int height) {
    const auto fail = [&path](const std::string& why) {
        return platform::Error{"Cannot read picture '" + path + "': " + why};
    };
    AVFormatContext* raw = nullptr;
    if (int e = avformat_open_input(&raw, path.c_str(), nullptr, nullptr); e < 0) {
        return fail(avError(e));
    }
    InputPtr input(raw);
    if (int e = avformat_find_stream_info(input.get(), nullptr); e < 0) {
        return fail(avError(e));
    }
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (index < 0 || codec == nullptr) {
        return fail("no picture in it");
    }
    CodecContextPtr decoder(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoder.get(), input->streams[index]->codecpar);
    if (int e = avcodec_open2(decoder.get(), codec, nullptr); e < 0) {
        return fail(avError(e));
    }
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    bool got = false;
    while (!got && av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == index &&
            avcodec_send_packet(decoder.get(), packet.get()) >= 0) {
            got = avcodec_receive_frame(decoder.get(), frame.get()) >= 0;
        }
        av_packet_unref(packet.get());
    }
    if (!got) {
        avcodec_send_packet(decoder.get(), nullptr);
        got = avcodec_receive_frame(decoder.get(), frame.get()) >= 0;
    }
    if (!got) {
        return fail("the picture does not decode");
    }

    SwsPtr scale(sws_getContext(
        frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), width, height,
        AV_PIX_FMT_YUV420P, SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    if (!scale) {
        return fail("cannot scale it");
    }
    const auto lumaSize = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<uint8_t> yuv(lumaSize + 2 * (lumaSize / 4));
    uint8_t* planes[4] = {yuv.data(), yuv.data() + lumaSize, yuv.data() + lumaSize + lumaSize / 4,
                          nullptr};
    const int strides[4] = {width, width / 2, width / 2, 0};
    sws_scale(scale.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
    return yuv;
}

}  // namespace tools::stream
