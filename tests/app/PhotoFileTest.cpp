// Reading photographs: large detector frames are read, what cannot be held or
// is not a regular file is refused with a message that says why.
#include <gtest/gtest.h>

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "AppFixture.h"
#include "app/PhotoFile.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace lumora::app::test {
namespace {

quint32 crc32(const QByteArray& bytes) {
    quint32 c = 0xFFFFFFFFu;
    for (const char b : bytes) {
        c ^= quint8(b);
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

// A PNG file that says it holds an 8-bit RGB picture of the given size; its
// data are a few bytes only, so only its header can be read.
QByteArray pngHeader(quint32 width, quint32 height) {
    QByteArray file("\x89PNG\r\n\x1a\n", 8);
    const auto chunk = [&file](const char* type, const QByteArray& data) {
        QByteArray body = QByteArray(type, 4) + data;
        QDataStream out(&file, QIODevice::WriteOnly | QIODevice::Append);
        out << quint32(data.size());
        out.writeRawData(body.constData(), int(body.size()));
        out << crc32(body);
    };
    QByteArray header;
    QDataStream(&header, QIODevice::WriteOnly)
        << width << height << quint8(8) << quint8(2) << quint8(0) << quint8(0) << quint8(0);
    chunk("IHDR", header);
    chunk("IDAT", qCompress(QByteArray(16, '\0')).mid(4));  // the zlib stream without Qt's length
    chunk("IEND", {});
    return file;
}

TEST(PhotoFile, ReadsAnEightThousandPixelFrameAndRefusesWhatItCannotHoldOrIsNoFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        // 8000 x 8000 in colour takes 244 MB at 32 bits a pixel: beyond Qt's default limit.
        QImage frame(8000, 8000, QImage::Format_RGB32);
        frame.fill(QColor(20, 40, 60));
        ASSERT_TRUE(frame.save(dir.filePath("frame.png")));
    }
    const PhotoRead frame = readPhoto(dir.filePath("frame.png"));
    EXPECT_EQ(frame.error, 0) << frame.problem.toStdString();
    EXPECT_EQ(frame.image.size(), QSize(8000, 8000));
    EXPECT_EQ(frame.image.pixelColor(7999, 7999), QColor(20, 40, 60));

    // The header says what the picture would take; nothing is read.
    ASSERT_TRUE(writeFile(dir.filePath("huge.png"), pngHeader(20000, 20000)));
    ASSERT_TRUE(writeFile(dir.filePath("limit.png"), pngHeader(8192, 8192 + 2048)));
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.png"));
    QFile big(dir.filePath("big.jpg"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize((qint64(64) << 20) + 1));
    big.close();
    const std::pair<QString, std::pair<int, QString>> refused[] = {
        {"huge.png", {6, "too large (1526 MB)"}},
        {"limit.png", {6, "too large (320 MB)"}},
        {"folder.png", {75, "Path/File access error: not a regular file"}},
        {"big.jpg", {75, "Path/File access error: the file is too large (65 MB)"}},
        {"missing.png", {53, "File not found"}},
    };
    for (const auto& [name, outcome] : refused) {
        const PhotoRead read = readPhoto(dir.filePath(name));
        EXPECT_TRUE(read.image.isNull()) << name.toStdString();
        EXPECT_EQ(read.error, outcome.first) << name.toStdString();
        EXPECT_EQ(read.problem, outcome.second);
    }
#ifdef Q_OS_UNIX
    // Reading a pipe would wait for a writer for ever.
    const QString fifo = dir.filePath("pipe.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(readPhoto(fifo).problem, "Path/File access error: not a regular file");
#endif
}

TEST_F(DocumentFixture, APhotoTooLargeIsRefusedWithItsSizeAndTheShownOneStays) {
    ASSERT_TRUE(writeFile(dir_.filePath("huge.png"), pngHeader(20000, 20000)));
    doc->loadPhoto(dir_.filePath("huge.png"));
    EXPECT_EQ(ask_.messages, QStringList({"Lumora: Error 6: huge.png: too large (1526 MB)"}));
    EXPECT_TRUE(doc->photoFile().isEmpty());
}

}  // namespace
}  // namespace lumora::app::test
