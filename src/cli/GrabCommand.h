#pragma once

#include <QStringList>
#include <QTextStream>

namespace fw::cli {

/// `grab VIDEO --in T --out T --every D`: samples the video at IN, IN + D, ... up to OUT and
/// writes each frame to DIR/NAME[STAMP].FORMAT, the names a range save in the player window
/// gives (NAME is the video's base name, "_" and its extension letters; STAMP the position
/// reached as H.MM.SS,hh). Times are seconds ("12.5") or H:MM:SS.ss. With --frames, IN, OUT
/// and D are frame numbers and STAMP is the frame number reached. Prints one line per file.
int runGrab(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace fw::cli
