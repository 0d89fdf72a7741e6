// Detector frames for spot search: 16-bit TIFF and MarCCD frames keep their full values, 8-bit and
// colour pictures give their grey levels, and unreadable files say why.
#include <gtest/gtest.h>

#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>

#include "app/PhotoFile.h"

namespace lumora::app::test {
namespace {

// A 16-bit ramp whose values run far above 255, with a saturated corner.
QImage deepFrame() {
    QImage image(37, 23, QImage::Format_Grayscale16);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<quint16*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) row[x] = quint16(300 + 1700 * x + 13 * y);
    }
    reinterpret_cast<quint16*>(image.scanLine(0))[0] = 65535;
    return image;
}

void expectDeepValues(const FrameRead& read, const QString& name) {
    SCOPED_TRACE(name.toStdString());
    ASSERT_EQ(read.error, 0) << read.problem.toStdString();
    EXPECT_EQ(read.depth, 16);
    EXPECT_EQ(read.frame.saturation, 65535.f);
    ASSERT_EQ(read.frame.width, 37);
    ASSERT_EQ(read.frame.height, 23);
    ASSERT_EQ(read.frame.values.size(), 37u * 23u);
    EXPECT_EQ(read.frame.at(0, 0), 65535.f);
    EXPECT_EQ(read.frame.at(36, 0), 300.f + 1700 * 36);
    EXPECT_EQ(read.frame.at(5, 22), 300.f + 1700 * 5 + 13 * 22);
    EXPECT_EQ(read.frame.at(1, 1), 300.f + 1700 + 13);
}

TEST(FrameRead, SixteenBitTiffAndMarCcdFramesKeepTheirFullValues) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QImage image = deepFrame();
    ASSERT_TRUE(image.save(dir.filePath("frame.tif")));
    ASSERT_TRUE(image.save(dir.filePath("frame.tiff"), "tiff"));
    {
        // A MarCCD frame: TIFF content under its own extension.
        QImageWriter writer(dir.filePath("frame.mccd"), "tiff");
        ASSERT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    }
    for (const QString name : {"frame.tif", "frame.tiff", "frame.mccd"}) {
        expectDeepValues(readFrame(dir.filePath(name)), name);
        // The photo page shows the same files.
        const PhotoRead photo = readPhoto(dir.filePath(name));
        EXPECT_EQ(photo.error, 0) << name.toStdString() << ": " << photo.problem.toStdString();
        EXPECT_EQ(photo.image.size(), QSize(37, 23));
    }
    // An image already read gives the same frame.
    const engine::GreyFrame direct = greyFrame(image);
    EXPECT_EQ(direct.values, readFrame(dir.filePath("frame.tif")).frame.values);
}

TEST(FrameRead, EightBitGreyAndColourGiveGreyLevelsUpTo255) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage grey(4, 3, QImage::Format_Grayscale8);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) grey.scanLine(y)[x] = uchar(20 * x + 70 * y);
    grey.scanLine(2)[3] = 255;
    ASSERT_TRUE(grey.save(dir.filePath("grey.png")));
    ASSERT_TRUE(grey.save(dir.filePath("grey.tif")));
    for (const QString name : {"grey.png", "grey.tif"}) {
        SCOPED_TRACE(name.toStdString());
        const FrameRead read = readFrame(dir.filePath(name));
        ASSERT_EQ(read.error, 0) << read.problem.toStdString();
        EXPECT_EQ(read.depth, 8);
        EXPECT_EQ(read.frame.saturation, 255.f);
        EXPECT_EQ(read.frame.at(1, 0), 20.f);
        EXPECT_EQ(read.frame.at(2, 1), 110.f);
        EXPECT_EQ(read.frame.at(3, 2), 255.f);
    }

    QImage colour(2, 2, QImage::Format_RGB32);
    colour.setPixel(0, 0, qRgb(255, 0, 0));
    colour.setPixel(1, 0, qRgb(0, 255, 0));
    colour.setPixel(0, 1, qRgb(0, 0, 255));
    colour.setPixel(1, 1, qRgb(255, 255, 255));
    ASSERT_TRUE(colour.save(dir.filePath("colour.png")));
    const FrameRead read = readFrame(dir.filePath("colour.png"));
    ASSERT_EQ(read.error, 0) << read.problem.toStdString();
    EXPECT_EQ(read.depth, 8);
    EXPECT_NEAR(read.frame.at(0, 0), 0.299 * 255, 1e-3);
    EXPECT_NEAR(read.frame.at(1, 0), 0.587 * 255, 1e-3);
    EXPECT_NEAR(read.frame.at(0, 1), 0.114 * 255, 1e-3);
    EXPECT_NEAR(read.frame.at(1, 1), 255, 1e-3);

    // Sixteen bits a channel: the luminance keeps them.
    QImage deepColour(1, 1, QImage::Format_RGBX64);
    deepColour.setPixelColor(0, 0, QColor::fromRgba64(40000, 40000, 40000));
    const engine::GreyFrame deep = greyFrame(deepColour);
    EXPECT_EQ(deep.saturation, 65535.f);
    EXPECT_NEAR(deep.at(0, 0), 40000, 0.05);
}

TEST(FrameRead, WhatCannotBeReadIsRefusedWithTheReason) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile text(dir.filePath("notes.tif"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture\n");
    text.close();

    const FrameRead missing = readFrame(dir.filePath("missing.mccd"));
    EXPECT_EQ(missing.error, 53);
    EXPECT_EQ(missing.problem, "File not found");
    EXPECT_TRUE(missing.frame.values.empty());

    const FrameRead bad = readFrame(dir.filePath("notes.tif"));
    EXPECT_EQ(bad.error, 75);
    EXPECT_FALSE(bad.problem.isEmpty());
    EXPECT_EQ(bad.frame.width, 0);
    EXPECT_TRUE(bad.frame.values.empty());

    EXPECT_EQ(readFrame(dir.path()).error, 75);  // a folder
    EXPECT_TRUE(greyFrame(QImage()).values.empty());
}

}  // namespace
}  // namespace lumora::app::test
