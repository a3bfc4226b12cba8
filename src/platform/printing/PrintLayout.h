#pragma once

#include <QImage>
#include <QList>
#include <QMarginsF>
#include <QRectF>
#include <QSizeF>

class QPagedPaintDevice;

namespace fw::printing {

enum class VerticalPlace { Top, Center, Bottom };
enum class HorizontalPlace { Left, Center, Right };
enum class SizeMode { Normal, FitToPage, StretchToPage, SpecifiedSize };

/// How images are laid out on the printed pages: one image per page.
struct PrintSettings {
    VerticalPlace vertical = VerticalPlace::Center;
    HorizontalPlace horizontal = HorizontalPlace::Center;
    QMarginsF marginsInches{0.5, 0.5, 0.5, 0.5}; ///< left, top, right, bottom
    SizeMode sizeMode = SizeMode::FitToPage;
    QSizeF specifiedInches{4, 3};                ///< for SizeMode::SpecifiedSize
    double normalDpi = 100;                      ///< Normal prints the image's pixels at this resolution
};

/// Where one image lands on a page, in the page's device units.
///
///   page (paperRect, device pixels)
///   +------------------------------+
///   |  margin                      |
///   |   +----------------------+   |
///   |   |  area                |   |  the image is sized by the mode, then placed in the
///   |   |    [ image ]         |   |  area by the vertical and horizontal placement; an image
///   |   +----------------------+   |  larger than the area is clipped by the page
///   +------------------------------+
QRectF placeImage(const QSizeF& pageSize, double deviceDpi, const QSize& imagePixels, const PrintSettings& settings);

/// Prints the images, one per page, on a printer or a PDF writer. Returns false when the
/// device cannot be painted on.
bool printImages(QPagedPaintDevice& device, const QList<QImage>& images, const PrintSettings& settings);

} // namespace fw::printing
