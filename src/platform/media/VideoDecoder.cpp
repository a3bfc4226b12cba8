#include "VideoDecoder.h"

#include <QDir>
#include <QTransform>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <deque>
#include <mutex>
#include <vector>

namespace fw::media {

namespace {

constexpr AVRational kMediaTimeBase{1, int(kUnitsPerSecond)};
/// Without a seek index, targets this close ahead are reached by decoding forward.
constexpr MediaTime kForwardDecodeLimit = kUnitsPerSecond;
/// Demuxer and decoder errors tolerated in a row before the stream counts as ended.
constexpr int kMaxConsecutiveErrors = 500;
/// Video packets held back while reading ahead for sound; a file whose sound lies further
/// ahead than this in the interleaving plays with gaps rather than filling memory.
constexpr std::size_t kMaxQueuedVideoPackets = 2000;

struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

} // namespace

QString ffmpegErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

struct VideoDecoder::Impl {
    QString path;
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVStream* stream = nullptr;
    int videoIndex = -1;
    std::int64_t origin = 0; ///< stream time of media time 0
    std::int64_t dataStart = 0; ///< byte offset of the first packet
    MediaTime firstFrameT = 0;   ///< time of the first frame in the file
    MediaTime length = 0;
    std::int64_t frames = 0;
    MediaTime frameStep = 0; ///< nominal frame duration, for frames without a timestamp
    int turns = 0;
    QSize shownSize; ///< upright display size
    QSize codedSize; ///< decoded size at open

    PacketPtr packet{av_packet_alloc()};
    FramePtr current{av_frame_alloc()};
    FramePtr next{av_frame_alloc()};
    MediaTime currentT = 0;
    MediaTime nextT = 0;
    bool haveCurrent = false;
    bool haveNext = false;
    bool flushed = false; ///< the decoder has been told the stream ended
    bool ended = false;   ///< the decoder has given its last frame
    MediaTime lastT = -1;
    std::int64_t lastRawTs = AV_NOPTS_VALUE; ///< timestamp of the last decoded picture
    QImage image;
    bool imageValid = false;
    SwsContext* scaler = nullptr;

    // Sound.
    AVCodecContext* audio = nullptr;
    int audioIndex = -1;
    SwrContext* resampler = nullptr;
    AudioFormat audioFormat;
    std::function<void(const AudioChunk&)> audioSink;
    FramePtr audioFrame{av_frame_alloc()};
    std::vector<std::int16_t> audioBuffer;
    MediaTime audioFrom = 0; ///< sound before this time (skipped by a seek) is dropped
    MediaTime audioDecodedTo = 0; ///< end of the sound handed out since the last demuxer seek
    bool audioDecoded = false;
    /// Video packets read while reading ahead for sound, in file order, still to be decoded.
    std::deque<PacketPtr> queuedVideo;
    bool demuxEnded = false; ///< reading ahead met the end of the file

    ~Impl() { reset(); }

    void reset()
    {
        closeAudio();
        sws_freeContext(scaler);
        scaler = nullptr;
        avcodec_free_context(&video);
        avformat_close_input(&format);
        stream = nullptr;
        videoIndex = -1;
        haveCurrent = haveNext = flushed = ended = false;
        dropReadAhead();
        imageValid = false;
        image = QImage();
        lastT = -1;
    }

    void closeAudio()
    {
        swr_free(&resampler);
        avcodec_free_context(&audio);
        audioIndex = -1;
        audioFormat = {};
        audioSink = nullptr;
        if (format)
            for (unsigned i = 0; i < format->nb_streams; ++i)
                if (int(i) != videoIndex)
                    format->streams[i]->discard = AVDISCARD_ALL;
    }

    void dropReadAhead()
    {
        queuedVideo.clear();
        demuxEnded = false;
        audioDecoded = false;
    }

    MediaTime toMedia(std::int64_t ts, AVRational tb) const
    {
        return av_rescale_q(ts, tb, kMediaTimeBase) - av_rescale_q(origin, stream->time_base, kMediaTimeBase);
    }
    std::int64_t toStream(MediaTime t) const { return av_rescale_q(t, kMediaTimeBase, stream->time_base) + origin; }

    QString fail(const QString& reason) const
    {
        return QStringLiteral("Cannot play \"%1\": %2.").arg(QDir::toNativeSeparators(path), reason);
    }

    bool openFile(const QString& file, QString& error)
    {
        path = file;
        int rc = avformat_open_input(&format, QFile::encodeName(file).constData(), nullptr, nullptr);
        if (rc < 0) {
            error = fail(ffmpegErrorText(rc).toLower());
            return false;
        }
        dataStart = format->pb ? avio_tell(format->pb) : 0;
        rc = avformat_find_stream_info(format, nullptr);
        if (rc < 0) {
            error = fail(ffmpegErrorText(rc).toLower());
            return false;
        }
        const AVCodec* codec = nullptr;
        videoIndex = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
        if (videoIndex == AVERROR_STREAM_NOT_FOUND) {
            error = fail(QStringLiteral("it holds no video stream"));
            return false;
        }
        if (videoIndex < 0 || !codec) {
            error = fail(QStringLiteral("no decoder for its video stream"));
            return false;
        }
        stream = format->streams[videoIndex];
        for (unsigned i = 0; i < format->nb_streams; ++i)
            if (int(i) != videoIndex)
                format->streams[i]->discard = AVDISCARD_ALL;

        video = avcodec_alloc_context3(codec);
        if (!video || avcodec_parameters_to_context(video, stream->codecpar) < 0) {
            error = fail(QStringLiteral("cannot set up the video decoder"));
            return false;
        }
        video->pkt_timebase = stream->time_base;
        video->thread_count = 0; // one per core
        video->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
        rc = avcodec_open2(video, codec, nullptr);
        if (rc < 0) {
            error = fail(QStringLiteral("cannot open the %1 decoder (%2)").arg(QString::fromUtf8(codec->name), ffmpegErrorText(rc)));
            return false;
        }

        origin = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
        readOrientation();
        if (!decodeFrame(current.get(), currentT)) {
            error = fail(QStringLiteral("no picture could be decoded"));
            return false;
        }
        // Time 0 is the first picture shown. Demuxers that only know decoding times (AVI
        // with B-frames) stamp it one frame late; counting from it keeps frame n at n frame
        // durations.
        if (lastRawTs != AV_NOPTS_VALUE) {
            origin = lastRawTs;
            currentT = lastT = 0;
        }
        haveCurrent = true;
        firstFrameT = currentT;
        readTiming();
        return true;
    }

    void readTiming()
    {
        const AVRational rate = av_guess_frame_rate(format, stream, nullptr);
        if (rate.num > 0 && rate.den > 0)
            frameStep = av_rescale_q(1, av_inv_q(rate), kMediaTimeBase);
        if (frameStep <= 0)
            frameStep = kUnitsPerSecond / 25;

        // The length of the pictures, so that frame n of a clip of N frames sits at n / N of
        // it; a longer sound track is not counted. Failing that, the whole file's.
        if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
            length = av_rescale_q(stream->duration, stream->time_base, kMediaTimeBase);
        } else if (format->duration != AV_NOPTS_VALUE && format->duration > 0) {
            const std::int64_t start = format->start_time != AV_NOPTS_VALUE ? format->start_time : 0;
            length = toMedia(start + format->duration, AV_TIME_BASE_Q);
        }
        length = std::max<MediaTime>(length, 0);

        if (stream->nb_frames > 0) {
            frames = stream->nb_frames;
        } else if (stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0
                   && av_cmp_q(stream->avg_frame_rate, stream->r_frame_rate) == 0 && length > 0) {
            // Constant frame rate: the count follows from the length.
            frames = std::llround(double(length) / kUnitsPerSecond * av_q2d(stream->avg_frame_rate));
        }
    }

    void readOrientation()
    {
        size_t size = 0;
        const auto* matrix = reinterpret_cast<const std::int32_t*>(
            av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size));
        if (matrix && size >= 9 * sizeof(std::int32_t)) {
            const double angle = -av_display_rotation_get(matrix); // clockwise degrees
            if (std::isfinite(angle)) {
                const long quarter = std::lround(angle / 90.0);
                turns = int(((quarter % 4) + 4) % 4);
            }
        }
        const AVRational sar = av_guess_sample_aspect_ratio(format, stream, nullptr);
        int w = video->width, h = video->height;
        if (sar.num > 0 && sar.den > 0 && sar.num != sar.den) {
            const std::int64_t scaled = av_rescale(w, sar.num, sar.den);
            if (scaled > 0 && scaled <= 16384)
                w = int(scaled);
        }
        shownSize = turns % 2 ? QSize(h, w) : QSize(w, h);
        codedSize = QSize(video->width, video->height);
    }

    /// Hands one audio packet's sound to the sink.
    void decodeAudio(const AVPacket* p)
    {
        if (avcodec_send_packet(audio, p) < 0)
            return;
        while (avcodec_receive_frame(audio, audioFrame.get()) >= 0) {
            AVFrame* f = audioFrame.get();
            const int capacity = swr_get_out_samples(resampler, f->nb_samples);
            if (capacity > 0) {
                audioBuffer.resize(size_t(capacity) * size_t(audioFormat.channels));
                auto* out = reinterpret_cast<std::uint8_t*>(audioBuffer.data());
                const int got = swr_convert(resampler, &out, capacity, const_cast<const std::uint8_t**>(f->extended_data), f->nb_samples);
                const std::int64_t ts = f->best_effort_timestamp;
                if (got > 0 && ts != AV_NOPTS_VALUE) {
                    const MediaTime start = toMedia(ts, format->streams[audioIndex]->time_base);
                    const MediaTime end = start + MediaTime(got) * kUnitsPerSecond / audioFormat.sampleRate;
                    if (end > audioFrom) {
                        int skip = 0;
                        if (start < audioFrom)
                            skip = int((audioFrom - start) * audioFormat.sampleRate / kUnitsPerSecond);
                        skip = std::clamp(skip, 0, got);
                        AudioChunk chunk;
                        chunk.start = start + MediaTime(skip) * kUnitsPerSecond / audioFormat.sampleRate;
                        chunk.samples = audioBuffer.data() + size_t(skip) * size_t(audioFormat.channels);
                        chunk.frames = got - skip;
                        if (chunk.frames > 0)
                            audioSink(chunk);
                    }
                    if (!audioDecoded || end > audioDecodedTo) {
                        audioDecodedTo = end;
                        audioDecoded = true;
                    }
                }
            }
            av_frame_unref(f);
        }
    }

    /// Decodes the next picture in display order into `out`; false at the end of the stream.
    bool decodeFrame(AVFrame* out, MediaTime& t)
    {
        if (ended)
            return false;
        int errors = 0;
        while (true) {
            const int rc = avcodec_receive_frame(video, out);
            if (rc >= 0) {
                const std::int64_t ts = out->best_effort_timestamp;
                lastRawTs = ts;
                if (ts != AV_NOPTS_VALUE)
                    t = toMedia(ts, stream->time_base);
                else
                    t = lastT < 0 ? 0 : lastT + frameStep;
                if (lastT >= 0 && t <= lastT && ts == AV_NOPTS_VALUE)
                    t = lastT + frameStep;
                lastT = t;
                return true;
            }
            if (rc == AVERROR_EOF) {
                ended = true;
                return false;
            }
            if (rc != AVERROR(EAGAIN) && ++errors > kMaxConsecutiveErrors) {
                ended = true;
                return false;
            }
            if (flushed) {
                // Drained and still nothing: the decoder is done.
                ended = true;
                return false;
            }
            if (!queuedVideo.empty()) {
                if (avcodec_send_packet(video, queuedVideo.front().get()) < 0)
                    ++errors;
                queuedVideo.pop_front();
                continue;
            }
            const int read = demuxEnded ? AVERROR_EOF : av_read_frame(format, packet.get());
            if (read < 0) {
                if (read == AVERROR(EAGAIN) && ++errors <= kMaxConsecutiveErrors)
                    continue;
                // End of file or a damaged tail: drain what the decoder holds.
                avcodec_send_packet(video, nullptr);
                flushed = true;
                continue;
            }
            if (packet->stream_index == videoIndex) {
                if (avcodec_send_packet(video, packet.get()) < 0)
                    ++errors; // a damaged packet: skip it
            } else if (packet->stream_index == audioIndex && audioSink) {
                decodeAudio(packet.get());
            }
            av_packet_unref(packet.get());
        }
    }

    /// Reads on in the file, decoding sound and keeping the video packets for later, until the
    /// sound handed out reaches `until` (so the audio device never runs dry while the pictures
    /// wait for their time).
    void readAheadAudio(MediaTime until)
    {
        if (!audioSink || !format || ended)
            return;
        while ((!audioDecoded || audioDecodedTo < until) && !demuxEnded && queuedVideo.size() < kMaxQueuedVideoPackets) {
            const int read = av_read_frame(format, packet.get());
            if (read < 0) {
                if (read != AVERROR(EAGAIN))
                    demuxEnded = true;
                return;
            }
            if (packet->stream_index == videoIndex)
                queuedVideo.emplace_back(av_packet_clone(packet.get()));
            else if (packet->stream_index == audioIndex)
                decodeAudio(packet.get());
            av_packet_unref(packet.get());
        }
    }

    bool fillNext()
    {
        if (!haveNext)
            haveNext = decodeFrame(next.get(), nextT);
        return haveNext;
    }

    void advanceFrame()
    {
        std::swap(current, next);
        av_frame_unref(next.get());
        currentT = nextT;
        haveNext = false;
        haveCurrent = true;
        imageValid = false;
    }

    /// Decodes forward, without converting pictures, until the next frame starts after t.
    void decodeForwardTo(MediaTime t)
    {
        while (fillNext() && nextT <= t)
            advanceFrame();
    }

    /// True when the keyframe a seek to t would land on is not after the current frame, so
    /// decoding forward gets there with less work.
    bool canDecodeForward(MediaTime t) const
    {
        if (!haveCurrent || t < currentT)
            return false;
        if (haveNext && t < nextT)
            return true;
        const AVIndexEntry* entry = avformat_index_get_entry_from_timestamp(stream, toStream(t), AVSEEK_FLAG_BACKWARD);
        if (entry && avformat_index_get_entries_count(stream) > 1)
            return toMedia(entry->timestamp, stream->time_base) <= currentT;
        return t - currentT <= kForwardDecodeLimit;
    }

    void restartAt(std::int64_t ts, bool toBytes, bool& ok)
    {
        int rc = -1;
        if (toBytes)
            rc = avformat_seek_file(format, -1, 0, dataStart, dataStart, AVSEEK_FLAG_BYTE);
        if (rc < 0)
            rc = av_seek_frame(format, videoIndex, ts, AVSEEK_FLAG_BACKWARD);
        if (rc < 0)
            rc = avformat_seek_file(format, videoIndex, INT64_MIN, ts, ts, 0);
        ok = rc >= 0;
        avcodec_flush_buffers(video);
        if (audio)
            avcodec_flush_buffers(audio);
        haveNext = false;
        flushed = ended = false;
        dropReadAhead();
        lastT = -1;
    }

    bool seekTo(MediaTime t)
    {
        t = std::clamp<MediaTime>(t, 0, std::max<MediaTime>(length, 0));
        audioFrom = t;
        // Sound read ahead past t was handed out already and is dropped by the seek; decoding
        // forward would leave a gap in it, so restart the demuxer instead.
        const bool soundAhead = audioSink && audioDecoded && audioDecodedTo > t;
        if (!soundAhead && canDecodeForward(t)) {
            decodeForwardTo(t);
            return true;
        }
        // Seek to a keyframe at or before t; when the demuxer lands after t (an inexact
        // index, or leading pictures of an open GOP that cannot be decoded), back off further.
        // A timestamp seek to the start of a stream without an index (MPEG program streams)
        // can also land on a later keyframe; then go back to the first byte of the data.
        MediaTime backoff = 0;
        bool toBytes = false;
        while (true) {
            const MediaTime from = std::max<MediaTime>(t - backoff, 0);
            bool ok = false;
            restartAt(toStream(from), toBytes, ok);
            if (!ok)
                return false;
            MediaTime firstT = 0;
            const bool decoded = decodeFrame(current.get(), firstT);
            if (from == 0 && !toBytes && (!decoded || (firstT > t && firstT > firstFrameT))
                && !(format->iformat->flags & AVFMT_NO_BYTE_SEEK)) {
                toBytes = true;
                continue;
            }
            if (!decoded) {
                if (from == 0)
                    return haveCurrent = false;
            } else {
                if (firstT <= t || from == 0) {
                    currentT = firstT;
                    haveCurrent = true;
                    imageValid = false;
                    decodeForwardTo(t);
                    return true;
                }
            }
            backoff = backoff == 0 ? kUnitsPerSecond : backoff * 2;
        }
    }

    QImage convert()
    {
        if (!haveCurrent)
            return {};
        if (imageValid)
            return image;
        AVFrame* f = current.get();
        if (f->width <= 0 || f->height <= 0)
            return {};
        // Every picture gets the size fixed at open; a stream that changes size midway is
        // scaled by the new frame's own pixel aspect ratio.
        QSize size = turns % 2 ? shownSize.transposed() : shownSize;
        if (QSize(f->width, f->height) != codedSize || !size.isValid()) {
            size = QSize(f->width, f->height);
            AVRational sar = f->sample_aspect_ratio;
            if (sar.num <= 0 || sar.den <= 0)
                sar = av_guess_sample_aspect_ratio(format, stream, f);
            if (sar.num > 0 && sar.den > 0 && sar.num != sar.den) {
                const std::int64_t scaled = av_rescale(f->width, sar.num, sar.den);
                if (scaled > 0 && scaled <= 16384)
                    size.setWidth(int(scaled));
            }
        }
        const int w = size.width(), h = size.height();
        scaler = sws_getCachedContext(scaler, f->width, f->height, AVPixelFormat(f->format), w, h, AV_PIX_FMT_RGB24,
                                      SWS_BICUBIC, nullptr, nullptr, nullptr);
        if (!scaler)
            return {};
        // Convert with the matrix and range the stream is tagged with (HD video is BT.709);
        // untagged video gets the BT.601 default.
        const int space = f->colorspace != AVCOL_SPC_UNSPECIFIED ? int(f->colorspace) : SWS_CS_DEFAULT;
        const int fullRange = f->color_range == AVCOL_RANGE_JPEG ? 1 : 0;
        int* inTable = nullptr;
        int* outTable = nullptr;
        int inRange = 0, outRange = 0, brightness = 0, contrast = 0, saturation = 0;
        if (sws_getColorspaceDetails(scaler, &inTable, &inRange, &outTable, &outRange, &brightness, &contrast, &saturation) >= 0)
            sws_setColorspaceDetails(scaler, sws_getCoefficients(space), fullRange || inRange, outTable, outRange, brightness,
                                     contrast, saturation);
        QImage out(w, h, QImage::Format_RGB888);
        if (out.isNull())
            return {};
        std::uint8_t* dst[4] = {out.bits(), nullptr, nullptr, nullptr};
        int dstStride[4] = {int(out.bytesPerLine()), 0, 0, 0};
        sws_scale(scaler, f->data, f->linesize, 0, f->height, dst, dstStride);
        if (turns)
            out = out.transformed(QTransform().rotate(90.0 * turns));
        image = out;
        imageValid = true;
        return image;
    }

    AudioFormat openAudio(std::function<void(const AudioChunk&)> sink)
    {
        closeAudio();
        if (!sink || !format)
            return {};
        const AVCodec* codec = nullptr;
        const int index = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, videoIndex, &codec, 0);
        if (index < 0 || !codec)
            return {};
        AVStream* s = format->streams[index];
        audio = avcodec_alloc_context3(codec);
        if (!audio || avcodec_parameters_to_context(audio, s->codecpar) < 0 || avcodec_open2(audio, codec, nullptr) < 0) {
            avcodec_free_context(&audio);
            return {};
        }
        audio->pkt_timebase = s->time_base;
        const int channels = std::min(audio->ch_layout.nb_channels, 2);
        if (channels <= 0 || audio->sample_rate <= 0) {
            avcodec_free_context(&audio);
            return {};
        }
        AVChannelLayout outLayout;
        av_channel_layout_default(&outLayout, channels);
        if (swr_alloc_set_opts2(&resampler, &outLayout, AV_SAMPLE_FMT_S16, audio->sample_rate, &audio->ch_layout,
                                audio->sample_fmt, audio->sample_rate, 0, nullptr) < 0
            || swr_init(resampler) < 0) {
            swr_free(&resampler);
            avcodec_free_context(&audio);
            return {};
        }
        audioIndex = index;
        s->discard = AVDISCARD_DEFAULT;
        audioFormat = {audio->sample_rate, channels};
        audioSink = std::move(sink);
        audioFrom = haveCurrent ? currentT : 0;
        return audioFormat;
    }
};

VideoDecoder::VideoDecoder() : d(std::make_unique<Impl>()) {}
VideoDecoder::~VideoDecoder() = default;

bool VideoDecoder::open(const QString& path, QString& error)
{
    // Damaged streams make the libraries log every concealed error; the caller reports
    // what matters, so keep the console quiet.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_FATAL); });
    d->reset();
    if (!d->openFile(path, error)) {
        d->reset();
        return false;
    }
    return true;
}

void VideoDecoder::close() { d->reset(); }
bool VideoDecoder::isOpen() const { return d->format != nullptr; }
MediaTime VideoDecoder::duration() const { return d->length; }
std::int64_t VideoDecoder::frameCount() const { return d->frames; }
QSize VideoDecoder::displaySize() const { return d->shownSize; }
int VideoDecoder::quarterTurns() const { return d->turns; }
AudioFormat VideoDecoder::enableAudio(std::function<void(const AudioChunk&)> sink) { return d->openAudio(std::move(sink)); }
MediaTime VideoDecoder::currentTime() const { return d->currentT; }
bool VideoDecoder::hasFrame() const { return d->haveCurrent; }

bool VideoDecoder::peekNext(MediaTime& t)
{
    if (!d->format || !d->fillNext())
        return false;
    t = d->nextT;
    return true;
}

void VideoDecoder::advance()
{
    if (d->haveNext)
        d->advanceFrame();
}

void VideoDecoder::readAheadAudio(MediaTime until) { d->readAheadAudio(until); }

bool VideoDecoder::seek(MediaTime t) { return d->format && d->seekTo(t); }
QImage VideoDecoder::currentImage() { return d->convert(); }

} // namespace fw::media
