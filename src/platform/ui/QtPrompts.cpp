#include "QtPrompts.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace fw::ui {

namespace {

QString title() { return QApplication::applicationName(); }

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

void QtPrompts::warn(QWidget* parent, const QString& text) { QMessageBox::warning(parent, title(), text); }

void QtPrompts::warnYes(QWidget* parent, const QString& text)
{
    QMessageBox::warning(parent, title(), text, QMessageBox::Yes);
}

void QtPrompts::info(QWidget* parent, const QString& text) { QMessageBox::information(parent, title(), text); }

void QtPrompts::error(QWidget* parent, const QString& text) { QMessageBox::critical(parent, title(), text); }

bool QtPrompts::confirm(QWidget* parent, const QString& text)
{
    return QMessageBox::question(parent, title(), text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
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

QColor QtPrompts::chooseColor(QWidget* parent, const QColor& initial)
{
    return QColorDialog::getColor(initial, parent);
}

QString QtPrompts::chooseFolder(QWidget* parent, const QString& caption, const QString& directory)
{
    return QFileDialog::getExistingDirectory(parent, caption, directory);
}

} // namespace fw::ui
