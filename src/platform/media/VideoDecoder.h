#pragma once

#include "MediaTime.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace fw::media {

/// Decoded sound handed to the audio output: interleaved signed 16-bit samples.
struct AudioChunk {
    MediaTime start = 0; ///< media time of the first sample
    const std::int16_t* samples = nullptr;
    int frames = 0; ///< sample frames (one sample per channel each)
};

/// Format of the sound a VideoDecoder hands out (0 channels when the file has none).
struct AudioFormat {
    int sampleRate = 0;
    int channels = 0;
};

/// Demuxes and decodes the first video stream of a file, one frame at a time, and seeks
/// exactly. Not thread-safe: the player serialises every call. Media times count from the
/// start of the video stream, so 0 is the first frame.
class VideoDecoder {
public:
    VideoDecoder();
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    /// Opens the file and decodes the first frame. False with `error` naming the file and
    /// the reason when the file cannot be opened or no picture decodes.
    bool open(const QString& path, QString& error);
    void close();
    bool isOpen() const;

    MediaTime duration() const;
    std::int64_t frameCount() const;
    /// Size of the pictures handed out: rotated upright and at the display aspect ratio.
    QSize displaySize() const;
    /// Quarter turns clockwise needed to show the picture upright (0 to 3).
    int quarterTurns() const;

    /// Decodes sound too and hands it to `sink` while demuxing (null stops it).
    /// Returns the format the sink will get; 0 channels when the file has no sound.
    AudioFormat enableAudio(std::function<void(const AudioChunk&)> sink);

    /// Time of the current frame.
    MediaTime currentTime() const;
    bool hasFrame() const;
    /// Decodes the frame after the current one if not done yet; false at the end of the stream.
    bool peekNext(MediaTime& t);
    /// Makes the frame found by peekNext() current.
    void advance();
    /// Decodes sound ahead of the pictures until the sound handed to the sink reaches `until`,
    /// keeping the video packets read meanwhile for later. Does nothing without a sound sink.
    void readAheadAudio(MediaTime until);
    /// Makes current the frame whose display interval holds t (clamped to the stream); decodes
    /// forward from the current frame when no keyframe lies between, else seeks to the keyframe
    /// at or before t. False when nothing could be decoded.
    bool seek(MediaTime t);
    /// The current frame as a 24-bit picture, upright and at its display aspect ratio.
    QImage currentImage();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

/// One-line reason for an FFmpeg error code.
QString ffmpegErrorText(int code);

} // namespace fw::media
