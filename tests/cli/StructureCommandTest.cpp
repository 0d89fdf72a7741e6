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

static std::string writeText(const QTemporaryDir& dir, const char* name, const std::string& text) {
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
    return file.fileName().toStdString();
}

TEST(StructureCommand, SitesLeftOutAreToldOnStderrAndTheLoadSucceeds) {
    QTemporaryDir dir;
    const std::string cif = writeText(
        dir, "water.cif",
        "data_ice\n_cell_length_a 4.5\n_cell_length_b 4.5\n_cell_length_c 4.5\n_space_group_IT_number 1\n"
        "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
        "O1 0 0 0\nWat1 0.5 0 0\nWat2 0 0.5 0\nWat3 0 0 0.5\n");
    const auto r = run({"reflections", "--structure", cif});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "lumora: 3 sites without a known element were left out: Wat1, Wat2, Wat3\n");
    EXPECT_FALSE(r.out.empty());
    // An atomic number without scattering data is refused, naming the atom.
    const std::string cel = writeText(dir, "z.cel", "CELL 5 5 5 90 90 90\nnatom 1\nFe1 999 0 0 0\nrgnr 1\n");
    const auto bad = run({"reflections", "--structure", cel});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("Atom Fe1 has the atomic number 999"), std::string::npos) << bad.err;
}

// Sorting once read the printed d back with stoll, which threw for d = 1e19.
TEST(StructureCommand, ReflectionFilesWithHugeSpacingsOrCellsAreListedOrRefused) {
    QTemporaryDir dir;
    const std::string head = "Reflection data\r\nwritten by hand\r\n";
    const std::string far = writeText(
        dir, "far.rsv", head + "CELL  4 5 6 90 90 90\r\nTITL  Far\r\n1 0 0 10 1e19\r\n0 1 0 20\r\n");
    const auto r = run({"reflections", "--rsv", far});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.out)[0], "1 0 0 9999999980506447872.00000 10.00");  // d is a single
    const std::string huge =
        writeText(dir, "huge.rsv", head + "CELL  1e30 5 6 90 90 90\r\nTITL  Huge\r\n1 0 0 10\r\n");
    const auto refused = run({"reflections", "--rsv", huge});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("must not be longer than 10000 Å"), std::string::npos) << refused.err;
}
