#include "QtPrompts.h"

#include "platform/widgets/ImageSaveDialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace fw::ui {

namespace {

QString title() { return QApplication::applicationName(); }

// Messages keep Windows-style "\r\n" line breaks in their text; show them as plain breaks.
QString shown(const QString& text)
{
    QString t = text;
    return t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

FileChoice runFileDialog(QFileDialog& dialog, const QStringList& filters, int selectedFilter)
{
    dialog.setNameFilters(filters);
    if (selectedFilter >= 0 && selectedFilter < filters.size())
        dialog.selectNameFilter(filters[selectedFilter]);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return {dialog.selectedFiles().first(), int(filters.indexOf(dialog.selectedNameFilter()))};
}

} // namespace

void QtPrompts::warn(QWidget* parent, const QString& text) { QMessageBox::warning(parent, title(), shown(text)); }

void QtPrompts::warnYes(QWidget* parent, const QString& text)
{
    QMessageBox::warning(parent, title(), shown(text), QMessageBox::Yes);
}

void QtPrompts::info(QWidget* parent, const QString& text) { QMessageBox::information(parent, title(), shown(text)); }

void QtPrompts::error(QWidget* parent, const QString& text) { QMessageBox::critical(parent, title(), shown(text)); }

bool QtPrompts::confirm(QWidget* parent, const QString& text)
{
    return QMessageBox::question(parent, title(), shown(text), QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

FileChoice QtPrompts::openFile(QWidget* parent, const QString& caption, const QString& directory,
                               const QStringList& filters, int selectedFilter)
{
    QFileDialog dialog(parent, caption, directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return runFileDialog(dialog, filters, selectedFilter);
}

FileChoice QtPrompts::saveFile(QWidget* parent, const QString& caption, const QString& proposedPath,
                               const QStringList& filters, int selectedFilter)
{
    QFileDialog dialog(parent, caption);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectFile(proposedPath);
    // Replacing is asked per file by the caller, not by the dialog.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    return runFileDialog(dialog, filters, selectedFilter);
}

FileChoice QtPrompts::saveImage(QWidget* parent, const QString& caption, const QString& proposedPath,
                                const QStringList& filters, int selectedFilter, const QImage& preview,
                                imaging::WriteOptions& options)
{
    widgets::ImageSaveDialog dialog(parent, caption, preview, options);
    dialog.selectFile(proposedPath);
    const FileChoice choice = runFileDialog(dialog, filters, selectedFilter);
    if (choice.accepted())
        options = dialog.options();
    return choice;
}

QColor QtPrompts::chooseColor(QWidget* parent, const QColor& initial)
{
    return QColorDialog::getColor(initial, parent);
}

QString QtPrompts::chooseFolder(QWidget* parent, const QString& caption, const QString& directory)
{
    return QFileDialog::getExistingDirectory(parent, caption, directory);
}

} // namespace fw::ui
