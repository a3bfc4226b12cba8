#include "MediaPlayer.h"

#include "FfmpegPlayer.h"

namespace fw::media {

std::unique_ptr<MediaPlayer> createPlayer(QObject* parent) { return std::make_unique<FfmpegPlayer>(parent); }

} // namespace fw::media
