#include "FirstFrameSize.h"

namespace fw::video {

QSize firstFrameWindowSize(QSize window, QSize view, QSize frame, QSize screen)
{
    const int w = frame.width();
    const int h = frame.height();
    // The right-hand panel and the window's edges take 185 pixels across; the transport bar
    // and the ruler take 110 down.
    if (view.width() - 10 < w && w + 160 < screen.width())
        window.setWidth(w + 185);
    if (view.height() - 10 < h && h + 105 < screen.height())
        window.setHeight(h + 110);
    if (w < 523)
        window.setWidth(kPlayerWindowWidth);
    if (h < 367)
        window.setHeight(kPlayerWindowHeight);
    return window;
}

} // namespace fw::video
