// Image files, SVG, the header lines of printouts and the clipboard.
#include "output/Export.h"

#include <QBuffer>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMimeData>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <memory>

#include "engine/LaueEngine.h"
#include "output/OutputSupport.h"
#include "util/Error.h"

namespace lumora::output {

namespace detail {

[[noreturn]] void refuseWrite(const QString& path, const QString& reason) {
    QString text = "Path/File access error: cannot write " + QFileInfo(path).absoluteFilePath();
    if (!reason.isEmpty()) text += " (" + reason + ")";
    throw Error(Error::PathAccess, text.toStdString());
}

void openForWriting(QSaveFile& file) {
    if (file.fileName().isEmpty())
        throw Error(Error::PathAccess, "Path/File access error: no file name given");
    if (QFileInfo(file.fileName()).isDir()) refuseWrite(file.fileName(), "it is a folder");
    if (!file.open(QIODevice::WriteOnly)) refuseWrite(file.fileName(), file.errorString());
}

void commit(QSaveFile& file) {
    // QSaveFile::commit() may report success although its last flush failed
    // (a full disk): the old file would then be replaced by a cut one. Flushing
    // first keeps the old file whenever anything was not written.
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.cancelWriting();
        refuseWrite(file.fileName(), reason);
    }
    if (!file.commit()) refuseWrite(file.fileName(), file.errorString());
}

}  // namespace detail

namespace {

// Writers of the formats without transparency get an opaque picture, so a
// pattern never turns black where a surface left alpha behind.
QImage opaque(const QImage& image) {
    if (!image.hasAlphaChannel()) return image;
    QImage out(image.size(), QImage::Format_RGB32);
    out.setDevicePixelRatio(image.devicePixelRatio());
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, image);
    return out;
}

QByteArray writerFormat(const QString& format) {
    const QString f = format.trimmed().toLower();
    if (f == "jpg" || f == "jpeg") return "jpg";
    if (f == "bmp" || f == "png") return f.toLatin1();
    throw Error(Error::InvalidCall, "Unknown picture format '" + format.toStdString() + "'");
}

}  // namespace

QByteArray encodeImage(const QImage& image, const QString& format) {
    const QByteArray kind = writerFormat(format);
    if (image.isNull()) throw Error(Error::InvalidCall, "There is no picture to save");
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, kind);
    if (kind == "jpg") writer.setQuality(100);
    if (!writer.write(kind == "png" ? image : opaque(image)))
        throw Error(Error::InvalidCall,
                    "Could not encode the picture: " + writer.errorString().toStdString());
    return bytes;
}

QByteArray encodeSvg(QSize size, const std::function<void(QPaintDevice&)>& paint, int dotsPerInch) {
    if (size.isEmpty()) throw Error(Error::InvalidCall, "There is no picture to save");
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setResolution(dotsPerInch);
        svg.setTitle("Lumora");
        svg.setDescription("Laue pattern");
        paint(svg);
    }
    return bytes;
}

void saveFiles(const std::vector<std::pair<QString, QByteArray>>& files) {
    std::vector<std::unique_ptr<QSaveFile>> saves;
    for (const auto& [path, bytes] : files) {
        auto file = std::make_unique<QSaveFile>(path);
        detail::openForWriting(*file);
        if (file->write(bytes) != bytes.size() || !file->flush()) {
            const QString reason = file->errorString();
            file->cancelWriting();
            detail::refuseWrite(path, reason);
        }
        saves.push_back(std::move(file));
    }
    for (auto& file : saves) detail::commit(*file);
}

void saveImage(const QImage& image, const QString& path, const QString& format) {
    saveFiles({{path, encodeImage(image, format)}});
}

void saveSvg(const QString& path, QSize size, const std::function<void(QPaintDevice&)>& paint) {
    saveFiles({{path, encodeSvg(size, paint)}});
}

QString printHeaderLine(const clLAUE& laue) {
    return QString::fromStdString("Lumora - Orientation " + laue.m_ahkl + " / " + laue.m_auvw +
                                  ",  Cell: " + laue.getCellString());
}

QString pdfOrientationLine(const clLAUE& laue) {
    return QString::fromStdString("Orientation " + laue.m_ahkl + " / " + laue.m_auvw +
                                  " ,   Cell: " + laue.getCellString());
}

void copyImage(const QImage& picture) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    if (!picture.isNull()) clipboard->setImage(picture);
}

void copyText(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

}  // namespace lumora::output
