#pragma once

#include "platform/imaging/WriteOptions.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>

class QWidget;

namespace fw::ui {

/// A file dialog's answer: the chosen path and which of the offered types was selected.
struct FileChoice {
    QString path;        ///< empty when the dialog was cancelled
    int filterIndex = 0; ///< 0-based index into the filters offered
    bool accepted() const { return !path.isEmpty(); }
};

/// Every message box and file, colour or folder dialog of the program goes through this
/// interface. The application installs QtPrompts; tests install a scripted implementation
/// that answers from a queue and records every text shown.
///
/// Called on the user-interface thread only. `parent` may be null.
class Prompts {
public:
    virtual ~Prompts() = default;

    /// Refusal of bad input: a warning with an OK button.
    virtual void warn(QWidget* parent, const QString& text) = 0;
    /// A warning with a single Yes button (the GIF animator's style).
    virtual void warnYes(QWidget* parent, const QString& text) = 0;
    virtual void info(QWidget* parent, const QString& text) = 0;
    virtual void error(QWidget* parent, const QString& text) = 0;
    /// A question with Yes and No; true only for Yes.
    virtual bool confirm(QWidget* parent, const QString& text) = 0;

    /// `filters` are Qt name filters ("PNG files (*.png)"); `selectedFilter` the initial one.
    virtual FileChoice openFile(QWidget* parent, const QString& title, const QString& directory,
                                const QStringList& filters, int selectedFilter = 0) = 0;
    virtual FileChoice saveFile(QWidget* parent, const QString& title, const QString& proposedPath,
                                const QStringList& filters, int selectedFilter = 0) = 0;
    /// A save dialog for images: a preview of `preview` and a button that edits the writer's
    /// `options` for the selected type.
    virtual FileChoice saveImage(QWidget* parent, const QString& title, const QString& proposedPath,
                                 const QStringList& filters, int selectedFilter, const QImage& preview,
                                 imaging::WriteOptions& options) = 0;
    /// An invalid colour when cancelled.
    virtual QColor chooseColor(QWidget* parent, const QColor& initial) = 0;
    /// An empty text when cancelled.
    virtual QString chooseFolder(QWidget* parent, const QString& title, const QString& directory) = 0;
};

} // namespace fw::ui
