#pragma once

#include "AppEnvironment.h"
#include "FrameStore.h"
#include "OpenDispatch.h"
#include "WorkFolder.h"
#include "platform/imaging/WriteOptions.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTimer;
class Tform_video;

namespace fw::widgets {
class ImageView;
class ThumbnailStrip;
} // namespace fw::widgets

namespace fw::app {
class EditorPage;
}

/// The main window: the frame strip with its buttons on the left, the "Image Editor" and
/// "GIF animator" pages, the progress bar along the bottom, the menu, and the command timer
/// that enables commands from the strip's and the GIF project's state.
///
/// It owns the run's shared state: the working folder, the frame store (`FrameIds`,
/// `FrameCaptions`, `FrameCounter`, `EditIndex`), the output resolution, `VideoFileName` and
/// `OpenKind`. Every frame source adds frames through AppendFrame.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    explicit TForm1(fw::app::AppEnvironment environment, QWidget* parent = nullptr);
    ~TForm1() override;

    /// Adds a frame at the end of the strip (see FrameStore::AppendFrame); reports a frame
    /// file that cannot be written. Returns false then.
    bool AppendFrame(const QImage& picture, const QString& caption);

    fw::app::FrameStore& frames() { return *store_; }
    const QString& WorkDir() const { return workFolder_.path(); }

    // Handlers, named after their commands and controls.
    void Open();
    /// Opens a file as File > Open does once it is chosen (also used for a file named on the command line).
    void OpenPath(const QString& path);
    void Save();
    void Print();
    void Remove();
    void RemoveAll();
    void ControlTimerTimer();
    void Options1Click();
    void About1Click();
    void Content1Click();
    void Emailus1Click();
    void Webpage1Click();
    void Exit1Click();
    void ImageEnMView1ImageSelect(int index);
    void PageControl2Change(int page);

    /// Shows the print preview for the collected frames; tests replace it.
    std::function<void(const QList<QImage>& images)> printPreview;

    // Shared state.
    int Resolution = 100;
    QString VideoFileName;
    fw::app::OpenKind OpenKind = fw::app::OpenKind::None;
    int GifCounter = 0;
    QString GifSourceName;
    int FrameDelay = 500;
    int EditOrigWidth = 1;
    int EditOrigHeight = 1;
    fw::imaging::WriteOptions saveOptions; ///< the writer's parameters the save dialog edits

    // Controls.
    QWidget* FramePanel;
    fw::widgets::ThumbnailStrip* ImageEnMView1;
    QWidget* FramesPanel;
    QPushButton* btRemove;
    QPushButton* btRemoveAll;
    QPushButton* btPrint;
    QPushButton* btSave;
    QTabWidget* PageControl2;
    QWidget* TabSheet4; ///< "Image Editor"
    fw::app::EditorPage* ImageEditor; ///< the page inside TabSheet4
    QWidget* TabSheet2; ///< "GIF animator"
    QWidget* Panel1;
    QProgressBar* ProgressBar;
    QTimer* ControlTimer;
    fw::widgets::ImageView* IEn; ///< hidden work view: Apply and Apply All edit frames here
    QAction* mnuOpen;
    QAction* mnuSave;
    QAction* mnuPrint;
    QAction* mnuExit;
    QAction* mnuOptions;
    QAction* mnuContent;
    QAction* mnuEmail;
    QAction* mnuWeb;
    QAction* mnuAbout;
    /// The video player window: created hidden at start, shown by File > Open of a video
    /// file, hidden when closed. Null when the environment offers no player.
    Tform_video* form_video = nullptr;

signals:
    /// File > Open chose a file for the video player, the media grabber or the GIF import.
    void openRequested(fw::app::OpenKind kind, const QString& path);
    /// The image editor should show the frame at `EditIndex` (-1: blank).
    void editFrameChanged(int editIndex);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenu();
    void buildControls();
    void buildVideoWindow();
    void refreshStripToolTip();
    bool editorPageActive() const;

    fw::app::AppEnvironment env_;
    fw::app::WorkFolder workFolder_;
    std::unique_ptr<fw::app::FrameStore> store_;
    bool closed_ = false;
};
