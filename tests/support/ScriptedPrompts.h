#pragma once

#include "platform/ui/Prompts.h"

#include <QList>
#include <QQueue>
#include <QString>

#include <functional>

namespace fw::test {

/// Prompts for tests: every text shown is recorded with its kind; questions and dialogs are
/// answered from queues (a question with nothing queued is answered No, a dialog is cancelled).
class ScriptedPrompts : public ui::Prompts {
public:
    struct Shown {
        QString kind; ///< "warn", "warnYes", "info", "error", "confirm", "openFile", "saveFile", "saveImage", "color", "folder"
        QString text; ///< the message, or the dialog's title
        QStringList filters;
        QString proposed; ///< the proposed path or start folder of a file dialog
        int selectedFilter = 0;
    };

    QList<Shown> shown;
    QQueue<bool> confirmAnswers;
    QQueue<ui::FileChoice> fileAnswers;
    QQueue<QColor> colorAnswers;
    QQueue<QString> folderAnswers;

    /// Texts shown of one kind, in order.
    QStringList texts(const QString& kind) const;

    void warn(QWidget*, const QString& text) override { record(QStringLiteral("warn"), text); }
    void warnYes(QWidget*, const QString& text) override { record(QStringLiteral("warnYes"), text); }
    void info(QWidget*, const QString& text) override { record(QStringLiteral("info"), text); }
    void error(QWidget*, const QString& text) override { record(QStringLiteral("error"), text); }
    bool confirm(QWidget*, const QString& text) override;
    ui::FileChoice openFile(QWidget*, const QString& title, const QString& directory, const QStringList& filters,
                            int selectedFilter) override;
    ui::FileChoice saveFile(QWidget*, const QString& title, const QString& proposedPath, const QStringList& filters,
                            int selectedFilter) override;
    ui::FileChoice saveImage(QWidget*, const QString& title, const QString& proposedPath, const QStringList& filters,
                             int selectedFilter, const QImage& preview, imaging::WriteOptions& options) override;
    QColor chooseColor(QWidget*, const QColor& initial) override;

    /// What the user does with the save dialog's "Options..." button, if anything.
    std::function<void(imaging::WriteOptions&)> editSaveOptions;
    /// The preview the last image save dialog showed.
    QImage lastSavePreview;
    QString chooseFolder(QWidget*, const QString& title, const QString& directory) override;

private:
    void record(const QString& kind, const QString& text) { shown.append({kind, text, {}, {}, 0}); }
};

} // namespace fw::test
