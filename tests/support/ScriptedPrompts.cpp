#include "support/ScriptedPrompts.h"

namespace fw::test {

QStringList ScriptedPrompts::texts(const QString& kind) const
{
    QStringList out;
    for (const Shown& s : shown)
        if (s.kind == kind)
            out << s.text;
    return out;
}

bool ScriptedPrompts::confirm(QWidget*, const QString& text)
{
    record(QStringLiteral("confirm"), text);
    return confirmAnswers.isEmpty() ? false : confirmAnswers.dequeue();
}

ui::FileChoice ScriptedPrompts::openFile(QWidget*, const QString& title, const QString& directory,
                                         const QStringList& filters, int selectedFilter)
{
    shown.append({QStringLiteral("openFile"), title, filters, directory, selectedFilter});
    return fileAnswers.isEmpty() ? ui::FileChoice{} : fileAnswers.dequeue();
}

ui::FileChoice ScriptedPrompts::saveFile(QWidget*, const QString& title, const QString& proposedPath,
                                         const QStringList& filters, int selectedFilter)
{
    shown.append({QStringLiteral("saveFile"), title, filters, proposedPath, selectedFilter});
    return fileAnswers.isEmpty() ? ui::FileChoice{} : fileAnswers.dequeue();
}

ui::FileChoice ScriptedPrompts::saveImage(QWidget*, const QString& title, const QString& proposedPath,
                                          const QStringList& filters, int selectedFilter, const QImage& preview,
                                          imaging::WriteOptions& options)
{
    shown.append({QStringLiteral("saveImage"), title, filters, proposedPath, selectedFilter});
    lastSavePreview = preview;
    if (fileAnswers.isEmpty())
        return {};
    if (editSaveOptions)
        editSaveOptions(options);
    return fileAnswers.dequeue();
}

QColor ScriptedPrompts::chooseColor(QWidget*, const QColor&)
{
    record(QStringLiteral("color"), QString());
    return colorAnswers.isEmpty() ? QColor() : colorAnswers.dequeue();
}

QString ScriptedPrompts::chooseFolder(QWidget*, const QString& title, const QString& directory)
{
    shown.append({QStringLiteral("folder"), title, {}, directory, 0});
    return folderAnswers.isEmpty() ? QString() : folderAnswers.dequeue();
}

} // namespace fw::test
