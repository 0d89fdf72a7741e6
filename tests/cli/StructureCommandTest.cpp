#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "RunCli.h"

using lumora::test::lines;
using lumora::test::run;

static std::string dataFile(const std::string& name) {
    return std::string(LUMORA_TEST_DATA_DIR) + "/" + name;
}

TEST(StructureCommand, ReflectionsCarryStructureFactorsAndListingsAreTheHklText) {
    const auto l = lines(run({"reflections", "--structure", dataFile("Si.cel")}).out);
    ASSERT_FALSE(l.empty());
    EXPECT_EQ(l[0].substr(0, 17), "-1 -1 -1 3.13542 ");
    for (const auto& line : l) {
        const auto w = lumora::util::splitBlanks(line);
        ASSERT_EQ(w.size(), 5u) << line;
        EXPECT_GE(lumora::test::number(w[4]), 1.0) << line;  // weaker reflections are left out
        // The diamond structure extinguishes 200 (a glide) and 222 (the atoms).
        EXPECT_FALSE(w[0] == "2" && (w[1] == "0" || w[1] == "2") && w[2] == w[1]) << line;
    }
    for (const std::string name : {"Si.cel", "quartz.csf", "NaCl.cif", "corundum.cif"}) {
        const auto r = run({"reflections", "--structure", dataFile(name)});
        EXPECT_EQ(r.status, 0) << name << ": " << r.err;
        EXPECT_GT(lines(r.out).size(), 50u) << name;
    }
    const auto rsv = run({"reflections", "--rsv", dataFile("fe3o4.rsv")});
    ASSERT_EQ(rsv.status, 0) << rsv.err;
    EXPECT_EQ(lines(rsv.out).size(), 13u);
    const auto r =
        run({"reflections", "--cell", "5.431 5.431 5.431 90 90 90", "--sg", "F D 3 M", "--listing"});
    EXPECT_EQ(r.out.substr(0, r.out.find("\r\n")), "Unit Cell : 5.431 5.431 5.431 90.0 90.0 90.0 ");
    EXPECT_NE(r.out.find("   h   k   l  d-spacing\r\n"), std::string::npos);
}

TEST(StructureCommand, RendersTheStructureView) {
    QTemporaryDir dir;
    const std::string png = dir.filePath("quartz.png").toStdString();
    const auto r = run({"render", "--structure", dataFile("quartz.csf"), "--mode", "structure", "--orient",
                        "1 2 3", "--size", "400x400", "-o", png});
    ASSERT_EQ(r.status, 0) << r.err;
    const QImage image(QString::fromStdString(png));
    ASSERT_FALSE(image.isNull());
    // The a edge from the origin is red, b green, c blue: some red and green show.
    int red = 0, green = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            red += image.pixel(x, y) == qRgb(255, 0, 0);
            green += image.pixel(x, y) == qRgb(0, 255, 0);
        }
    EXPECT_GT(red, 20);
    EXPECT_GT(green, 20);
}

TEST(StructureCommand, BadFilesAndCombinationsAreRefused) {
    QTemporaryDir dir;
    QFile garbage(dir.filePath("garbage.cif"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("\x01\x02not a cif at all\n;\n");
    garbage.close();
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"reflections", "--structure", garbage.fileName().toStdString()},
             {"reflections", "--structure", dataFile("missing.cel")},
             {"reflections", "--structure", dataFile("fe3o4.rsv")},
             {"reflections", "--rsv", dataFile("Si.cel")},
             {"reflections", "--structure", dataFile("Si.cel"), "--cell", "5 5 5 90 90 90"},
             {"render", "--cell", "5 5 5 90 90 90", "--sg", "P 1", "--mode", "structure", "-o",
              dir.filePath("x.png").toStdString()},
         }) {
        const auto r = run(args);
        EXPECT_EQ(r.status, 2) << args[2];
        EXPECT_TRUE(r.out.empty()) << args[2];
        EXPECT_FALSE(r.err.empty()) << args[2];
    }
    EXPECT_NE(run({"reflections", "--structure", dataFile("missing.cel")}).err.find("Error 53"),
              std::string::npos);
}
