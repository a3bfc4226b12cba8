#pragma once

#include <QStringList>
#include <QTextStream>

namespace fw::cli {

/// `convert IN OUT [--dpi N] [--quality Q]`: reads any readable image and writes OUT in the
/// format its extension names, recording the resolution (default 100 dpi).
int runConvert(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace fw::cli
