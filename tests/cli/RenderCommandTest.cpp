#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include "../support/SmallDisk.h"
#include "RunCli.h"

using lumora::test::lines;
using lumora::test::run;

namespace {

std::vector<std::string> renderArgs(std::vector<std::string> extra) {
    std::vector<std::string> args{"render", "--cell", "5.4307 5.4307 5.4307 90 90 90", "--sg", "F D 3 M"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(RenderCommand, WritesEveryFormatForEveryPlotType) {
    QTemporaryDir dir;
    for (const std::string mode : {"reciprocal", "transmission", "back-reflection", "stereogram"}) {
        for (const std::string ext : {"png", "jpg", "bmp", "pdf", "svg"}) {
            const QString path = dir.filePath(QString::fromStdString(mode + "." + ext));
            const auto r =
                run(renderArgs({"--mode", mode, "--orient", "111", "--size", "400x300", "--outline",
                                "--labels", "--wulff-monitor", "-o", path.toStdString()}));
            ASSERT_EQ(r.status, 0) << mode << " " << ext << ": " << r.err;
            if (ext == "pdf") {
                const QByteArray bytes = readAll(path);
                EXPECT_TRUE(bytes.startsWith("%PDF")) << mode;
                EXPECT_TRUE(bytes.trimmed().endsWith("%%EOF")) << mode;
            } else if (ext == "svg") {
                QSvgRenderer svg(path);
                EXPECT_TRUE(svg.isValid()) << mode;
                EXPECT_EQ(svg.viewBoxF(), QRectF(0, 0, 400, 300));
            } else {
                EXPECT_EQ(QImage(path).size(), QSize(400, 300)) << mode << " " << ext;
            }
        }
    }
}

TEST(RenderCommand, PictureShowsThePatternAndTheSpotsAreListed) {
    QTemporaryDir dir;
    const QString white = dir.filePath("white.png"), black = dir.filePath("black.png");
    const QString spots = dir.filePath("spots.tsv");
    const auto render = [](const QString& out, std::vector<std::string> extra) {
        extra.insert(extra.begin(), {"--mode", "transmission", "--orient", "1 1 1", "-o", out.toStdString()});
        return run(renderArgs(extra)).status;
    };
    ASSERT_EQ(render(white, {"--spots", spots.toStdString()}), 0);
    ASSERT_EQ(render(black, {"--black"}), 0);
    // A white picture with dark spots, and its black-background counterpart.
    const QImage w(white);
    EXPECT_EQ(w.pixelColor(0, 0), QColor(Qt::white));
    EXPECT_EQ(QImage(black).pixelColor(0, 0), QColor(Qt::black));
    int dark = 0;
    for (int y = 0; y < w.height(); ++y)
        for (int x = 0; x < w.width(); ++x) dark += qGray(w.pixel(x, y)) < 128;
    EXPECT_GT(dark, 50);
    // h k l x y wavelength radius #colour
    const auto rows = lines(readAll(spots).toStdString());
    ASSERT_FALSE(rows.empty());
    for (const auto& row : rows) {
        const auto cols = lumora::util::splitBy(row, "\t");
        ASSERT_EQ(cols.size(), 8u) << row;
        EXPECT_EQ(cols[7].size(), 7u);
        EXPECT_EQ(cols[7][0], '#');
    }
}

TEST(RenderCommand, PrintsTheWulffNet) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("net.pdf"), png = dir.filePath("net.png");
    ASSERT_EQ(run({"render", "--wulff-net", "-o", pdf.toStdString()}).status, 0);
    EXPECT_TRUE(readAll(pdf).startsWith("%PDF"));
    ASSERT_EQ(run({"render", "--wulff-net", "-o", png.toStdString()}).status, 0);
    const QImage net(png);
    ASSERT_FALSE(net.isNull());
    int darkOnRow = 0;  // the horizontal diameter runs along the centre row
    for (int x = 0; x < net.width(); ++x) darkOnRow += qGray(net.pixel(x, net.height() / 2)) < 128;
    EXPECT_GT(darkOnRow, net.width() / 2);
}

TEST(RenderCommand, BadArgumentsWriteNothing) {
    QTemporaryDir dir;
    const std::string out = dir.filePath("x.png").toStdString();
    for (const auto& args : std::vector<std::vector<std::string>>{
             renderArgs({"--mode", "sideways", "-o", out}),
             renderArgs({"--size", "0x100", "-o", out}),
             renderArgs({"--kv", "-5", "-o", out}),
             renderArgs({"--distance", "abc", "-o", out}),
             renderArgs({"--film", "0x120", "-o", out}),
             renderArgs({"--orient", "1 1", "-o", out}),
             renderArgs({"--orient", "1 0 0", "--matrix", "1 0 0 0 1 0 0 0 1", "-o", out}),
             renderArgs({"--rotate", "4:10", "-o", out}),
             renderArgs({"--zoom", "0", "-o", out}),
             renderArgs({"-o", dir.filePath("x.gif").toStdString()}),
             renderArgs({}),
             renderArgs({"-o", dir.filePath("missing/deeper/x.png").toStdString()}),
             {"render", "--cell", "0 5 5 90 90 90", "--sg", "P 1", "-o", out},
         }) {
        const auto r = run(args);
        EXPECT_EQ(r.status, 2) << args[args.size() - 3];
        EXPECT_FALSE(r.err.empty()) << args[args.size() - 3];
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

// A degenerate orientation or a value out of range is refused, naming what is wrong.
TEST(RenderCommand, DegenerateOrientationsAndHugeValuesAreRefused) {
    QTemporaryDir dir;
    const std::string out = dir.filePath("x.png").toStdString();
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--orient", "0 0 0"}, "--orient must not be the zero vector"},
        {{"--orient", "000"}, "--orient must not be the zero vector"},
        {{"--matrix", "0 0 0 0 0 0 0 0 0"}, "--matrix must be a rotation"},
        {{"--matrix", "2 0 0 0 2 0 0 0 2"}, "--matrix must be a rotation"},
        {{"--matrix", "1 0 0 0 1 0 0 0 -1"}, "--matrix must be a rotation"},       // a mirror
        {{"--matrix", "1 0 0 0 1 0.00001 0 0 1"}, "--matrix must be a rotation"},  // beyond 1e-6
        {{"--kv", "1e308"}, "--kv 1e308 is out of range"},
        {{"--kv", "0"}, "--kv must be a positive number"},
    };
    for (const auto& [extra, message] : cases) {
        auto args = renderArgs(extra);
        args.insert(args.end(), {"-o", out});
        const auto r = run(args);
        EXPECT_EQ(r.status, 2) << extra[1];
        EXPECT_NE(r.err.find(message), std::string::npos) << extra[1] << ": " << r.err;
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    // A rotation written with six decimals is a rotation.
    const auto r = run(renderArgs({"--matrix", "0.707107 -0.707107 0 0.707107 0.707107 0 0 0 1", "-o", out}));
    EXPECT_EQ(r.status, 0) << r.err;
}

// The picture files come from the window's writers: JPEG and BMP on white, SVG at 96 per inch.
TEST(RenderCommand, WritesThroughTheWindowsWriters) {
    QTemporaryDir dir;
    for (const std::string ext : {"jpg", "bmp"}) {
        const QString path = dir.filePath(QString::fromStdString("p." + ext));
        ASSERT_EQ(run(renderArgs({"--size", "200x150", "-o", path.toStdString()})).status, 0);
        const QImage image(path);
        EXPECT_GT(qGray(image.pixel(0, 0)), 240) << ext;
        EXPECT_GT(qGray(image.pixel(199, 149)), 240) << ext;
    }
    const QString svg = dir.filePath("p.svg");
    ASSERT_EQ(run(renderArgs({"--size", "192x96", "-o", svg.toStdString()})).status, 0);
    // 192 pixels at 96 per inch are two inches, 50.8 mm.
    EXPECT_TRUE(readAll(svg).contains("width=\"50.8mm\"")) << readAll(svg).left(400).toStdString();
    const QString pdf = dir.filePath("p.pdf");
    ASSERT_EQ(run(renderArgs({"--title", "Silicon", "-o", pdf.toStdString()})).status, 0);
    EXPECT_TRUE(readAll(pdf).startsWith("%PDF"));
}

namespace {
using testsupport::FullDiskTest;
}

// On a full disk the command fails and both old files stay as they were.
TEST_F(FullDiskTest, RenderOnAFullDiskFailsAndKeepsTheOldFiles) {
    store("p.png", "old picture");
    store("s.tsv", "old spots");
    fill();
    const auto r = run(renderArgs(
        {"--size", "64x64", "-o", path("p.png").toStdString(), "--spots", path("s.tsv").toStdString()}));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
    EXPECT_EQ(contents("p.png"), "old picture");
    EXPECT_EQ(contents("s.tsv"), "old spots");
    EXPECT_EQ(files().size(), 3) << files().join(' ').toStdString();
}
