#pragma once

#include "app/SaveFrames.h"
#include "platform/media/RangePlan.h"

#include <QString>

#include <optional>

namespace fw::video {

using fw::media::MediaTime;

/// The fields of the " selected frames " group as the user left them.
struct RangeFields {
    bool frameFormat = false;
    QString inHours, inMinutes, inSeconds;    ///< `VEdit1`, `VEdit6`, `VEdit7`
    QString outHours, outMinutes, outSeconds; ///< `VEdit8`, `VEdit9`, `VEdit10`
    QString inFrame, outFrame;                ///< `VInFrame`, `VOutFrame`
    double intervalSeconds = 1;               ///< `VSamplingValueTime`
    int intervalFrames = 1;                   ///< `VSamplingValueFrame`
};

/// IN, OUT and the interval in media time. Time fields that are not integers count as 0, frame
/// fields as 1. Nothing when OUT is before IN, either lies outside 0..duration, or the interval
/// does not advance (the caller says kDefinePositionMessage).
std::optional<fw::media::RangePlan> planRange(const RangeFields& fields, MediaTime duration, std::int64_t frameCount);

inline const QString kDefinePositionMessage = QStringLiteral("Define position correctly.");
inline const QString kLowDiskMessage = QStringLiteral("Not enough free disk space.\r\nProcess is stopped.");
/// A range save stops when the target volume has less free space than this after a sample.
inline constexpr qint64 kMinimumFreeBytes = 2'000'000;

/// The seven file types of the range save dialog, in order (BMP first).
const QList<fw::app::SaveType>& rangeSaveTypes();

/// Where a range save writes: folder F (ending in "/"), base B and extension E (with its dot,
/// as typed). A chosen name without an extension, or with one that names no image type,
/// keeps its whole name as B and takes the chosen type's extension.
struct RangeSaveTarget {
    QString folder;
    QString base;
    QString extension;
    /// F + B + "[" + stamp + "]" + E.
    QString fileFor(const QString& stamp) const;
};

RangeSaveTarget planRangeSave(const QString& chosenPath, int typeIndex);

} // namespace fw::video
