#pragma once

#include <QStringList>
#include <QTextStream>

namespace fw::cli {

/// Runs one command on its arguments (without the command's name); returns the exit code.
using CommandRunner = int (*)(const QStringList& args, QTextStream& out, QTextStream& err);

/// Runs one framewell-cli command. `args` excludes the program name.
/// Writes results to `out` and one-line errors to `err`; returns the process exit code
/// (0 success, 1 failure of the work, 2 bad usage). `grab` runs the video command: the
/// executable passes one that starts the separate video tool, so that the image commands
/// never load the video libraries (loading them costs 60 ms a process).
int runCli(const QStringList& args, QTextStream& out, QTextStream& err, CommandRunner grab);

/// The same with the video command run in this process.
int runCli(const QStringList& args, QTextStream& out, QTextStream& err);

/// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

} // namespace fw::cli
