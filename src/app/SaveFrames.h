#pragma once

#include "platform/imaging/WriteOptions.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace fw::app {

/// One file type of the "Save frames" dialog.
struct SaveType {
    QString description; ///< "JPEG Bitmap (JPG)"
    QString extension;   ///< ".jpg"
    bool os2Bitmap = false;
    QString nameFilter() const; ///< "JPEG Bitmap (JPG) (*.jpg)"
};

/// The thirteen types, in the dialog's order.
const QList<SaveType>& saveTypes();

/// Where and how "Save frames" writes: folder P (with "/"), lower-case extension E (with the
/// dot), base name B; numbered naming when B differs from the first caption.
struct SavePlan {
    QString folder;
    QString extension;
    QString base;
    bool numbered = false;
    bool os2Bitmap = false;

    /// The file for strip index i: P + B + "[" + (i + 1) + "]" + E, or P + caption + E.
    QString targetFor(int index, const QString& caption) const;
};

/// Builds the plan from the dialog's answer. A name without an extension, or with one that
/// names no image type, gets the chosen type's extension.
SavePlan planSave(const QString& chosenPath, int typeIndex, const QString& firstCaption);

/// The question asked before replacing an existing file.
QString replaceQuestion(const QString& target);

} // namespace fw::app

namespace fw::ui {
class Prompts;
}
class QWidget;

namespace fw::app {

class FrameStore;

/// Hooks for the save loop: `step` runs once per frame before its work (the window lets pending
/// events run there), `progress` receives the strip index just finished.
struct SaveLoopHooks {
    std::function<void()> step;
    std::function<void(int index)> progress;
};

/// Writes every frame of the store, in strip order, as the plan says, recording
/// `options.dpi`. A missing frame file is skipped; an existing target is replaced only after
/// the user says Yes. A file that cannot be written stops the loop with an error message.
/// Returns the number of files written.
int saveFrames(const FrameStore& store, const SavePlan& plan, imaging::WriteOptions options, ui::Prompts& prompts,
               QWidget* parent, const SaveLoopHooks& hooks = {});

} // namespace fw::app
