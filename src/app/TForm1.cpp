#include "TForm1.h"

#include "AppSettings.h"
#include "CommandState.h"
#include "SaveFrames.h"
#include "TAboutForm.h"
#include "TfOptions.h"
#include "editor/EditorPage.h"
#include "video/TformVideo.h"
#include "platform/ui/Prompts.h"
#include "platform/widgets/ImageView.h"
#include "platform/widgets/PrintPreviewDialog.h"
#include "platform/widgets/ThumbnailStrip.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

using namespace fw::app;

TForm1::TForm1(AppEnvironment environment, QWidget* parent) : QMainWindow(parent), env_(std::move(environment))
{
    setWindowTitle(QStringLiteral("Framewell 7.6"));
    setWindowIcon(QIcon(QStringLiteral(":/framewell.png")));
    setMinimumSize(800, 500); // the window never shrinks below 800 x 500
    resize(1000, 680);

    if (!workFolder_.setUp(env_.documentsFolder))
        env_.prompts->error(this, QStringLiteral("Cannot create temporary directory"));
    store_ = std::make_unique<FrameStore>(workFolder_.path());
    Resolution = AppSettings(env_.settingsPath).readResolution();

    buildControls();
    buildMenu();
    buildVideoWindow();

    printPreview = [this](const QList<QImage>& images) {
        QPrinter printer(QPrinter::HighResolution);
        fw::widgets::PrintPreviewDialog dialog(&printer, images, this);
        dialog.exec();
    };

    ControlTimer = new QTimer(this);
    ControlTimer->setInterval(500);
    connect(ControlTimer, &QTimer::timeout, this, &TForm1::ControlTimerTimer);
    ControlTimer->start();
    ControlTimerTimer();
}

TForm1::~TForm1()
{
    // FormDestroy: the setting reaches the store only at a normal end.
    AppSettings(env_.settingsPath).writeResolution(Resolution);
}

void TForm1::buildControls()
{
    auto* central = new QWidget;
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    outer->addLayout(body, 1);

    FramePanel = new QWidget;
    FramePanel->setFixedWidth(229);
    auto* frameLayout = new QVBoxLayout(FramePanel);
    frameLayout->setContentsMargins(2, 2, 2, 2);
    ImageEnMView1 = new fw::widgets::ThumbnailStrip(QSize(FrameStore::kThumbWidth, FrameStore::kThumbHeight));
    ImageEnMView1->setModel(store_.get());
    frameLayout->addWidget(ImageEnMView1, 1);
    FramesPanel = new QWidget;
    auto* buttons = new QGridLayout(FramesPanel);
    buttons->setContentsMargins(0, 2, 0, 0);
    auto button = [](const char* caption, const char* hint) {
        auto* b = new QPushButton(QString::fromLatin1(caption));
        b->setToolTip(QString::fromLatin1(hint));
        return b;
    };
    btRemove = button("Remove", "Removes the selected image");
    btRemoveAll = button("Remove All", "Removes all images");
    btPrint = button("Print", "Prints an images");
    btSave = button("Save", "Saves an images to disk");
    buttons->addWidget(btRemove, 0, 0);
    buttons->addWidget(btRemoveAll, 0, 1);
    buttons->addWidget(btPrint, 1, 0);
    buttons->addWidget(btSave, 1, 1);
    frameLayout->addWidget(FramesPanel);
    body->addWidget(FramePanel);

    PageControl2 = new QTabWidget;
    TabSheet4 = new QWidget;
    TabSheet2 = new QWidget;
    PageControl2->addTab(TabSheet4, QStringLiteral("Image Editor"));
    IEn = new fw::widgets::ImageView(this); // never shown; grey 128 like the editor view, so turns match the preview
    IEn->hide();
    PageControl2->addTab(TabSheet2, QStringLiteral("GIF animator"));
    body->addWidget(PageControl2, 1);

    Panel1 = new QWidget;
    Panel1->setFixedHeight(16);
    auto* bottom = new QHBoxLayout(Panel1);
    bottom->setContentsMargins(0, 0, 0, 0);
    ProgressBar = new QProgressBar;
    ProgressBar->setTextVisible(false);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    bottom->addWidget(ProgressBar);
    outer->addWidget(Panel1);
    setCentralWidget(central);

    auto* editorLayout = new QVBoxLayout(TabSheet4);
    editorLayout->setContentsMargins(0, 0, 0, 0);
    ImageEditor = new EditorPage({store_.get(), ImageEnMView1, ProgressBar, IEn, env_.prompts, &EditOrigWidth, &EditOrigHeight});
    editorLayout->addWidget(ImageEditor);
    connect(this, &TForm1::editFrameChanged, ImageEditor, &EditorPage::showFrame);

    connect(btRemove, &QPushButton::clicked, this, &TForm1::Remove);
    connect(btRemoveAll, &QPushButton::clicked, this, &TForm1::RemoveAll);
    connect(btPrint, &QPushButton::clicked, this, &TForm1::Print);
    connect(btSave, &QPushButton::clicked, this, &TForm1::Save);
    connect(ImageEnMView1, &fw::widgets::ThumbnailStrip::imageSelected, this, &TForm1::ImageEnMView1ImageSelect);
    connect(PageControl2, &QTabWidget::currentChanged, this, &TForm1::PageControl2Change);
}

void TForm1::buildMenu()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    mnuOpen = file->addAction(QStringLiteral("Open"), QKeySequence::Open, this, &TForm1::Open);
    file->addSeparator();
    mnuSave = file->addAction(QStringLiteral("Save frames"), QKeySequence::Save, this, &TForm1::Save);
    file->addSeparator();
    mnuPrint = file->addAction(QStringLiteral("Print"), QKeySequence::Print, this, &TForm1::Print);
    file->addSeparator();
    mnuExit = file->addAction(QStringLiteral("Exit"), QKeySequence(Qt::CTRL | Qt::Key_Q), this, &TForm1::Exit1Click);
    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    mnuOptions = tools->addAction(QStringLiteral("Options..."), this, &TForm1::Options1Click);
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuContent = help->addAction(QStringLiteral("Content"), QKeySequence::HelpContents, this, &TForm1::Content1Click);
    help->addSeparator();
    mnuEmail = help->addAction(QStringLiteral("E-mail us"), this, &TForm1::Emailus1Click);
    mnuWeb = help->addAction(QStringLiteral("Web page"), this, &TForm1::Webpage1Click);
    help->addSeparator();
    mnuAbout = help->addAction(QStringLiteral("About..."), this, &TForm1::About1Click);
}

void TForm1::buildVideoWindow()
{
    if (!env_.makePlayer)
        return;
    Tform_video::Services services;
    services.prompts = env_.prompts;
    services.videoFileName = [this] { return VideoFileName; };
    services.appendFrame = [this](const QImage& picture, const QString& caption) { return AppendFrame(picture, caption); };
    services.aviFrameCount = env_.aviFrameCount;
    services.freeBytes = env_.freeBytes;
    form_video = new Tform_video(env_.makePlayer(), std::move(services), this);
    // Centred on the screen, hidden until a video is opened.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = form_video->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        form_video->move(frame.topLeft());
    }
}

bool TForm1::AppendFrame(const QImage& picture, const QString& caption)
{
    QString error;
    if (!store_->AppendFrame(picture, caption, &error)) {
        env_.prompts->error(this, QStringLiteral("The frame could not be stored: ") + error);
        return false;
    }
    ImageEnMView1->selectIndex(store_->count() - 1); // no selection event
    return true;
}

bool TForm1::editorPageActive() const { return PageControl2->currentWidget() == TabSheet4; }

void TForm1::refreshStripToolTip() { ImageEnMView1->setToolTip(FrameStore::countText(store_->count())); }

void TForm1::Remove()
{
    if (env_.prompts->confirm(this, QStringLiteral("Marked image will be deleted. Are you sure?"))) {
        const int i = ImageEnMView1->selectedIndex();
        if (i >= 0) {
            store_->removeAt(i);
            ImageEnMView1->selectIndex(std::min(i, store_->count() - 1));
            if (store_->count() == 0) {
                store_->EditIndex = -1;
                emit editFrameChanged(-1);
            } else if (editorPageActive() && store_->frameFileExists(0)) {
                ImageEnMView1->selectIndex(0);
                store_->EditIndex = 0;
                emit editFrameChanged(0);
            }
        }
    }
    refreshStripToolTip();
}

void TForm1::RemoveAll()
{
    if (env_.prompts->confirm(this, QStringLiteral("All images will be removed. Are you sure?"))) {
        store_->removeAll();
        emit editFrameChanged(-1);
    }
    refreshStripToolTip();
}

void TForm1::ImageEnMView1ImageSelect(int index)
{
    if (editorPageActive() && store_->count() > 0) {
        store_->EditIndex = index;
        emit editFrameChanged(index);
    }
}

void TForm1::PageControl2Change(int)
{
    if (!editorPageActive() || store_->count() == 0)
        return;
    // The editor takes the selected frame, or the first when none is.
    store_->EditIndex = std::max(0, ImageEnMView1->selectedIndex());
    emit editFrameChanged(store_->EditIndex);
    ImageEnMView1->selectIndex(store_->EditIndex);
}

void TForm1::ControlTimerTimer()
{
    // The GIF project's list joins here when the animator page lands; until then it is empty.
    const CommandState s = computeCommandState(store_->count(), ImageEnMView1->selectedIndex(), 0, -1);
    btRemove->setEnabled(s.remove);
    for (QWidget* w : {static_cast<QWidget*>(btRemoveAll), static_cast<QWidget*>(btPrint), static_cast<QWidget*>(btSave)})
        w->setEnabled(s.frames);
    mnuPrint->setEnabled(s.frames);
    mnuSave->setEnabled(s.frames);
}

void TForm1::Open()
{
    OpenKind = fw::app::OpenKind::None;
    const fw::ui::FileChoice choice = env_.prompts->openFile(this, QStringLiteral("Open"), QString(), openDialogFilters(), 0);
    if (!choice.accepted())
        return;
    QCoreApplication::processEvents();
    OpenPath(choice.path);
}

void TForm1::OpenPath(const QString& path)
{
    VideoFileName = path;
    OpenKind = openKindForPath(path);
    if (OpenKind == fw::app::OpenKind::VideoPlayer && form_video) {
        form_video->show();
        form_video->raise();
        form_video->activateWindow();
        form_video->Open();
    }
    if (OpenKind != fw::app::OpenKind::None)
        emit openRequested(OpenKind, VideoFileName);
}

void TForm1::Save()
{
    const int count = store_->count();
    if (count == 0)
        return;
    ProgressBar->setRange(0, count - 1);
    ProgressBar->setValue(0);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    saveOptions.dpi = {double(Resolution), double(Resolution)};
    QStringList filters;
    for (const SaveType& type : saveTypes())
        filters << type.nameFilter();
    const QString first = store_->FrameCaptions.first();
    QApplication::restoreOverrideCursor(); // the dialog wants the normal cursor
    const fw::ui::FileChoice choice = env_.prompts->saveImage(
        this, QStringLiteral("Save frames"), first + QStringLiteral(".jpg"), filters, 0, store_->loadFrame(0), saveOptions);
    if (choice.accepted()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        saveOptions.dpi = {double(Resolution), double(Resolution)};
        saveFrames(*store_, planSave(choice.path, choice.filterIndex, first), saveOptions, *env_.prompts, this,
                   {[] { QCoreApplication::processEvents(); }, [this](int i) { ProgressBar->setValue(i); }});
        QApplication::restoreOverrideCursor();
    }
    ProgressBar->setValue(ProgressBar->maximum());
    ProgressBar->setValue(0);
}

void TForm1::Print()
{
    const int count = store_->count();
    ProgressBar->setRange(0, std::max(0, count - 1));
    ProgressBar->setValue(0);
    ProgressBar->show();
    QList<QImage> images;
    for (int i = 0; i < count; ++i) {
        QCoreApplication::processEvents();
        const QImage frame = store_->loadFrame(i); // a missing frame file is left out
        if (!frame.isNull())
            images.append(frame);
        ProgressBar->setValue(i);
    }
    ProgressBar->setValue(ProgressBar->maximum());
    ProgressBar->setValue(0);
    ProgressBar->hide();
    if (printPreview)
        printPreview(images);
}

void TForm1::Options1Click()
{
    TfOptions options(&Resolution, this);
    options.exec();
}

void TForm1::About1Click()
{
    TAboutForm about(env_.openUrl, this);
    about.exec();
}

void TForm1::Content1Click()
{
    if (env_.openUrl)
        env_.openUrl(QUrl::fromLocalFile(env_.helpFile)); // a failure is not reported
}

void TForm1::Emailus1Click()
{
    if (env_.openUrl)
        env_.openUrl(QUrl(QStringLiteral("mailto:") + kSupportAddress + QStringLiteral("?subject=Feedback (Framewell)")));
}

void TForm1::Webpage1Click()
{
    if (env_.openUrl)
        env_.openUrl(QUrl(kWebPage));
}

void TForm1::Exit1Click() { close(); }

void TForm1::closeEvent(QCloseEvent* event)
{
    // FormCloseQuery: the working folder goes with everything in it; the close is never refused.
    if (!closed_) {
        closed_ = true;
        if (form_video)
            form_video->close(); // pauses playback and hides it
        workFolder_.remove(
            [this](const QString& path) {
                env_.prompts->warn(this, QStringLiteral("Could NOT delete ") + path);
            },
            env_.beep);
        ImageEnMView1->setModel(nullptr);
    }
    event->accept();
}
