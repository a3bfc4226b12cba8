#pragma once

#include <QStringList>
#include <QTextStream>

namespace fw::cli {

/// `edit IN OUT OPERATION`: applies one editing operation and writes OUT in the format its
/// extension names. Operations: --resize WxH [--filter NAME], --crop L,T,W,H, --rotate DEG
/// [--antialias], --flip h|v, --equalize, --negative, --contrast N, --brightness N,
/// --rgb R,G,B, --hsv H,S,V, --hsl H,S,L. Also --dpi N and --quality Q as for convert.
int runEdit(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace fw::cli
