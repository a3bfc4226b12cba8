#include "support/ExternalTools.h"

#include <QProcess>

namespace fw::test {

ToolResult runTool(const QString& program, const QStringList& args, int timeoutMs)
{
    ToolResult result;
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted(timeoutMs)) {
        result.err = QStringLiteral("cannot start ") + program;
        return result;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.err = program + QStringLiteral(" timed out");
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

double IdentifyResult::dpiX() const
{
    if (units == QLatin1String("PixelsPerCentimeter"))
        return resolutionX * 2.54;
    return units == QLatin1String("PixelsPerInch") ? resolutionX : 0;
}

double IdentifyResult::dpiY() const
{
    if (units == QLatin1String("PixelsPerCentimeter"))
        return resolutionY * 2.54;
    return units == QLatin1String("PixelsPerInch") ? resolutionY : 0;
}

IdentifyResult identify(const QString& path, const QString& prefix)
{
    IdentifyResult r;
    const QString target = (prefix.isEmpty() ? path : prefix + QLatin1Char(':') + path) + QStringLiteral("[0]");
    const ToolResult t = runTool(QStringLiteral("identify"),
                                 {QStringLiteral("-format"), QStringLiteral("%w %h %x %y %U %m\\n"), target});
    if (!t.ok()) {
        r.error = t.err;
        return r;
    }
    const QStringList parts = t.out.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() < 6) {
        r.error = QStringLiteral("unexpected identify output: ") + t.out;
        return r;
    }
    r.width = parts[0].toInt();
    r.height = parts[1].toInt();
    r.resolutionX = parts[2].toDouble();
    r.resolutionY = parts[3].toDouble();
    r.units = parts[4];
    r.format = parts[5];
    r.ok = r.width > 0 && r.height > 0;
    return r;
}

} // namespace fw::test
