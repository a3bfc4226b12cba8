#pragma once

#include "Prompts.h"

namespace fw::ui {

/// Prompts shown with Qt's message boxes and dialogs.
class QtPrompts : public Prompts {
public:
    void warn(QWidget* parent, const QString& text) override;
    void warnYes(QWidget* parent, const QString& text) override;
    void info(QWidget* parent, const QString& text) override;
    void error(QWidget* parent, const QString& text) override;
    bool confirm(QWidget* parent, const QString& text) override;
    FileChoice openFile(QWidget* parent, const QString& title, const QString& directory, const QStringList& filters,
                        int selectedFilter) override;
    FileChoice saveFile(QWidget* parent, const QString& title, const QString& proposedPath,
                        const QStringList& filters, int selectedFilter) override;
    FileChoice saveImage(QWidget* parent, const QString& title, const QString& proposedPath, const QStringList& filters,
                         int selectedFilter, const QImage& preview, imaging::WriteOptions& options) override;
    QColor chooseColor(QWidget* parent, const QColor& initial) override;
    QString chooseFolder(QWidget* parent, const QString& title, const QString& directory) override;
};

} // namespace fw::ui
