// The one-page PDF: title, picture, orientation line and footer.
#include <QBuffer>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include "output/Export.h"
#include "output/OutputSupport.h"
#include "util/Error.h"

#ifndef LUMORA_VERSION_MAJOR
#define LUMORA_VERSION_MAJOR 1
#endif
#ifndef LUMORA_VERSION_MINOR
#define LUMORA_VERSION_MINOR 0
#endif

namespace lumora::output {

namespace detail {

QString productLine() {
    return QStringLiteral("Lumora %1.%2 by Tessarin").arg(LUMORA_VERSION_MAJOR).arg(LUMORA_VERSION_MINOR);
}

QString webAddress() { return QStringLiteral("www.tessarin.example/lumora"); }

}  // namespace detail

namespace {

constexpr int kResolution = 300;  // dots per inch of the page layout
constexpr double kMillimetre = kResolution / 25.4;

// "Arial" where it is installed; otherwise whatever sans-serif face the
// system offers, so the page still reads the same.
QFont pageFont(double points) {
    if (QFontDatabase::families().isEmpty()) throw Error(Error::InvalidCall, "Could not init font : Arial");
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    return font;
}

}  // namespace

QByteArray encodePdf(const QString& title, const QImage& picture, const QString& orientationLine) {
    if (picture.isNull()) throw Error(Error::InvalidCall, "There is no picture to export");
    const QFont titleFont = pageFont(25);
    const QFont lineFont = pageFont(10);
    const QFont footerFont = pageFont(7);

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        writer.setResolution(kResolution);
        writer.setTitle(title);
        writer.setCreator(detail::productLine());

        QPainter painter;
        if (!painter.begin(&writer)) throw Error(Error::InvalidCall, "Could not start the PDF page");
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF page(QPointF(0, 0), QSizeF(writer.width(), writer.height()));
        const double margin = 20 * kMillimetre;

        // Title, centred near the top.
        painter.setFont(titleFont);
        const double titleHeight = painter.fontMetrics().height();
        const QRectF titleBox(margin, margin, page.width() - 2 * margin, titleHeight * 1.2);
        painter.drawText(titleBox, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, title.trimmed());

        // Footer first, so the picture knows how much room is left.
        painter.setFont(footerFont);
        const double footerLine = painter.fontMetrics().height();
        const QRectF footerBox(margin, page.height() - margin - 2 * footerLine, page.width() - 2 * margin,
                               2 * footerLine);
        painter.drawText(footerBox, Qt::AlignHCenter | Qt::AlignTop,
                         detail::productLine() + "\n" + detail::webAddress());

        painter.setFont(lineFont);
        const double lineHeight = painter.fontMetrics().height();
        const double gap = 8 * kMillimetre;
        const double top = titleBox.bottom() + gap;
        const double bottomLimit = footerBox.top() - gap - 3 * lineHeight;

        // The picture at 0.6 of the page width; a very tall one is shrunk so
        // the orientation line still fits above the footer.
        QSizeF size(0.6 * page.width(), 0.6 * page.width() * picture.height() / picture.width());
        if (size.height() > bottomLimit - top)
            size.scale(size.width(), bottomLimit - top, Qt::KeepAspectRatio);
        const QRectF pictureBox(QPointF((page.width() - size.width()) / 2, top), size);
        painter.drawImage(pictureBox, picture);

        const QRectF lineBox(margin, pictureBox.bottom() + lineHeight, page.width() - 2 * margin,
                             3 * lineHeight);
        painter.drawText(lineBox, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, orientationLine);

        if (!painter.end()) throw Error(Error::InvalidCall, "Could not finish the PDF page");
    }
    return bytes;
}

void exportPdf(const QString& path, const QString& title, const QImage& picture,
               const QString& orientationLine) {
    const QByteArray bytes = encodePdf(title, picture, orientationLine);
    QSaveFile file(path);
    if (path.isEmpty() || QFileInfo(path).isDir() || !file.open(QIODevice::WriteOnly))
        throw Error(Error::PathAccess, ("Could not open PDF file : " + path).toStdString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        detail::refuseWrite(path, reason);
    }
    detail::commit(file);
}

}  // namespace lumora::output
