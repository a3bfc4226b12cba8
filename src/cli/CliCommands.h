#pragma once

#include <QStringList>
#include <QTextStream>

namespace fw::cli {

/// Runs one framewell-cli command. `args` excludes the program name.
/// Writes results to `out` and one-line errors to `err`; returns the process exit code
/// (0 success, 1 failure of the work, 2 bad usage).
int runCli(const QStringList& args, QTextStream& out, QTextStream& err);

/// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

} // namespace fw::cli
