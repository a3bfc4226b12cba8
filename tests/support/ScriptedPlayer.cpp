#include "support/ScriptedPlayer.h"

#include <QFileInfo>

#include <algorithm>

namespace fw::test {

using media::MediaTime;
using media::PlayerState;

QColor ScriptedPlayer::colourAt(MediaTime t)
{
    const std::int64_t h = t / 100'000;
    return QColor(int(h & 0xff), int((h >> 8) & 0xff), int((h >> 16) & 0xff));
}

MediaTime ScriptedPlayer::positionOf(const QColor& c)
{
    return (MediaTime(c.red()) | MediaTime(c.green()) << 8 | MediaTime(c.blue()) << 16) * 100'000;
}

bool ScriptedPlayer::connectPlayer()
{
    calls << QStringLiteral("connect");
    const auto it = clips_.constFind(input_);
    if (it == clips_.constEnd() || !it->opens) {
        error_ = QFileInfo(input_).fileName() + QStringLiteral(": no playable video stream");
        return false;
    }
    error_.clear();
    clip_ = *it;
    connected_ = true;
    state_ = PlayerState::Paused; // paused on the first frame
    position_ = 0;
    return true;
}

void ScriptedPlayer::disconnectPlayer()
{
    calls << QStringLiteral("disconnect");
    connected_ = false;
    state_ = PlayerState::Stopped;
    position_ = 0;
    events_.clear();
}

void ScriptedPlayer::run()
{
    calls << QStringLiteral("run");
    if (connected_)
        state_ = PlayerState::Playing;
}

void ScriptedPlayer::pause()
{
    calls << QStringLiteral("pause");
    if (connected_)
        state_ = PlayerState::Paused;
}

void ScriptedPlayer::stop()
{
    calls << QStringLiteral("stop");
    if (connected_)
        state_ = PlayerState::Stopped;
}

bool ScriptedPlayer::seekAndWait(MediaTime t)
{
    calls << QStringLiteral("seek %1").arg(t);
    const int n = seekCount++;
    if (!connected_ || (failSeeksFrom >= 0 && n >= failSeeksFrom)) {
        error_ = QStringLiteral("decoding error at %1").arg(t);
        return false;
    }
    position_ = std::clamp<MediaTime>(t, 0, clip_.duration);
    if (onSeek)
        onSeek(position_);
    return true;
}

QImage ScriptedPlayer::currentFrame() const
{
    if (!connected_ || !grabbing_)
        return {};
    QImage frame(clip_.frameSize, QImage::Format_RGB888);
    frame.fill(colourAt(position_));
    return frame;
}

std::vector<int> ScriptedPlayer::takeEvents()
{
    std::vector<int> out;
    out.swap(events_);
    return out;
}

void ScriptedPlayer::advance(MediaTime dt)
{
    if (!connected_ || state_ != PlayerState::Playing)
        return;
    position_ = std::min(position_ + dt, clip_.duration);
    emit newFrame();
    if (position_ >= clip_.duration)
        postEvent(media::kEventComplete);
}

void ScriptedPlayer::postEvent(int code)
{
    events_.push_back(code);
    emit eventPending();
}

} // namespace fw::test
