#pragma once

#include "platform/imaging/Bytes.h"
#include "platform/imaging/ImageFormat.h"

#include <QByteArray>

namespace fw::test {

/// Feeds damaged copies of a valid file to the codec of `format`: every truncation length on
/// a sliding scale, then `flips` copies with random bytes changed (a fixed seed, so a failure
/// repeats). Each read must either succeed with a non-null image or throw ImageError; any
/// other exception fails the test, and a crash or memory error ends it under the sanitizers.
/// Returns the number of damaged inputs that still decoded (for information only).
int checkCorruptInputs(imaging::ImageFormat format, const QByteArray& valid, int flips = 400);

} // namespace fw::test
