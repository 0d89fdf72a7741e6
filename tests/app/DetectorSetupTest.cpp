// The detector list as the settings store keeps it for new documents.
#include "AppFixture.h"

namespace lumora::app::test {
namespace {

TEST_F(AppFixture, StoredDetectorValuesThatCannotBeUsedReadAsTheDefaults) {
    const CameraValues defaults = defaultCameraValues();
    DetectorSetup setup = readDetectorSetup();  // nothing stored yet
    EXPECT_EQ(setup.entry, DetectorEntry::BackReflectionFilm);
    EXPECT_EQ(setup.camera, DetectorEntry::TopCamera);
    EXPECT_EQ(setup.top, defaults);
    EXPECT_EQ(setup.top[Distance], engine::kTopCameraDefaults.distance);

    setup.entry = setup.camera = DetectorEntry::CustomCamera;
    setup.custom = {80.25, -3, 4e6, 0.0732, 1, 1000000, 45.5, -30, 1, 2, 3};
    setup.top[FrameWidth] = 1024;
    saveDetectorSetup(setup);
    const DetectorSetup back = readDetectorSetup();
    EXPECT_EQ(back.entry, DetectorEntry::CustomCamera);
    EXPECT_EQ(back.custom, setup.custom);
    EXPECT_EQ(back.top, setup.top);

    QSettings store(QSettings::UserScope, "Tessarin", "LUMORA");
    store.beginGroup("Detector");
    const QStringList unusable[] = {
        {"Choice", "sideways"},
        {"Camera", "film"},
        {"Top", "70 1023.5 1023.5 0.08 2048"},        // one value short
        {"Custom", "0 0 0 0.1 10 10 90 0 0 0 0"},     // no distance
        {"Custom", "50 0 0 0.1 10.5 10 90 0 0 0 0"},  // half a pixel
        {"Custom", "50 0 0 0.1 10 10 90 0 0 0 x"},    // not a number
        {"Custom", "50 0 0 0.1 10 10 90 0 0 0 nan"},  //
        {"Choice", "file"},                           // no file
    };
    for (const QStringList& value : unusable) {
        saveDetectorSetup(setup);
        store.setValue(value[0], value[1]);
        store.sync();
        const DetectorSetup read = readDetectorSetup();
        SCOPED_TRACE(value.join(" = ").toStdString());
        // A calibration that cannot be read gives way to the camera chosen before it.
        const DetectorEntry entry = value[0] != "Choice" ? setup.entry
                                    : value[1] == "file" ? DetectorEntry::CustomCamera
                                                         : DetectorEntry::BackReflectionFilm;
        EXPECT_EQ(read.entry, entry);
        EXPECT_EQ(read.camera, value[0] == "Camera" ? DetectorEntry::TopCamera : setup.camera);
        EXPECT_EQ(read.top, value[0] == "Top" ? defaults : setup.top);
        EXPECT_EQ(read.custom, value[0] == "Custom" ? defaults : setup.custom);
    }
}

}  // namespace
}  // namespace lumora::app::test
