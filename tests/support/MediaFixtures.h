#pragma once

#include <QImage>
#include <QString>

#include <vector>

namespace fw::test {

/// Small video files made by the ffmpeg program on first use and kept in a cache folder under
/// the build folder, so every test program shares one set. All are 160x120 at 25 frames a
/// second with a moving test pattern unless said otherwise:
///   "clip.avi"       MPEG-4 Visual + MP3, 4 s, B-frames, a keyframe every 12 frames
///   "clip.divx"      the same tagged DIVX
///   "clip.mpg"       MPEG-2 + MP2 program stream, 4 s, open GOPs with B-frames
///   "clip.dat"       MPEG-1 + MP2 program stream (a VCD file), 4 s
///   "bframes.mp4"    H.264 + AAC, 4 s, 3 B-frames, a keyframe every 30 frames
///   "bframes.mkv"    H.264 with open GOPs + AAC in Matroska, 4 s
///   "portrait.mp4"   H.264, 2 s, stored 160x120 with a display matrix turning it upright
///   "anamorphic.mpg" MPEG-2, 2 s, 160x120 with non-square pixels (4:3 pixels, 16:9 picture)
///   "bt709.mp4"      H.264, 2 s, colours coded and tagged with the BT.709 matrix (as HD video is)
///   "silent.avi"     MPEG-4 without sound, 2 s
///   "truncated.avi"  clip.avi cut off at 60 % of its bytes
///   "notvideo.avi"   a text file
/// Returns the path, or an empty string (with the reason in `error`) when ffmpeg fails.
QString mediaFixture(const QString& name, QString* error = nullptr);

/// Every frame of a video as the ffmpeg program decodes it from the start (upright, as it
/// writes PNG files), with each frame's start time in seconds from the first frame.
struct ReferenceFrames {
    std::vector<double> times;
    std::vector<QString> files; ///< PNG per frame, same order
    QString error;
    bool ok() const { return error.isEmpty() && !files.empty() && files.size() == times.size(); }
    /// Index of the frame whose display interval holds t seconds.
    int indexAt(double t) const;
    QImage image(int index) const;
};
ReferenceFrames referenceFrames(const QString& videoPath);

/// ffprobe's nb_frames of the first video stream (-1 when it does not know).
long long probeFrameCount(const QString& videoPath);

} // namespace fw::test
