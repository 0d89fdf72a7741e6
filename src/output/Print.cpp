// Printing the pattern with its header line.
#include <QPainter>
#include <QPrinter>
#include <algorithm>

#include "output/Export.h"

namespace lumora::output {

bool printImage(QPrinter& printer, const QImage& picture, const QString& header) {
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0) return false;
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(10);
    painter.setFont(font);

    // The header line needs room beneath the picture; the rest of the
    // printable area takes the picture at the larger scale that still fits.
    const QRect area = painter.viewport();
    const int lineHeight = painter.fontMetrics().height();
    const int headerRoom = 3 * lineHeight;
    const double available = std::max(1, area.height() - headerRoom);
    const double scale =
        std::min(area.width() / static_cast<double>(picture.width()), available / picture.height());
    const QSizeF size(picture.width() * scale, picture.height() * scale);
    const QRectF target(QPointF((area.width() - size.width()) / 2, (available - size.height()) / 2), size);
    painter.drawImage(target, picture);

    const QRectF headerBox(target.left(), target.bottom() + lineHeight / 2.0,
                           std::max(target.width(), area.width() - target.left()), 2.5 * lineHeight);
    painter.drawText(headerBox, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, header);

    if (!painter.end()) return false;
    return printer.printerState() != QPrinter::Error && printer.printerState() != QPrinter::Aborted;
}

}  // namespace lumora::output
