#pragma once

#include <QString>
#include <array>
#include <optional>

#include "engine/Detector.h"

namespace lumora::app {

// The entries of the detector list, in its order: the two films of the
// classic pattern and the cameras the Laue pattern can be drawn on.
enum class DetectorEntry { TransmissionFilm, BackReflectionFilm, TopCamera, CustomCamera, DetFile };

constexpr bool isCameraEntry(DetectorEntry e) {
    return e != DetectorEntry::TransmissionFilm && e != DetectorEntry::BackReflectionFilm;
}

// The numbers that place a camera, in the order of the fields.
enum CameraField {
    Distance,     // mm, along the normal
    CentreX,      // pixels, the normal's foot; 0 is the centre of the top-left pixel
    CentreY,      //
    PixelSize,    // mm, square pixels
    FrameWidth,   // pixels
    FrameHeight,  //
    TwoTheta,     // degrees, the normal's direction (2theta, chi)
    Chi,          //
    TiltU,        // degrees, turned about u, then v, then n
    TiltV,        //
    TiltN,        //
    kCameraFields
};
using CameraValues = std::array<double, kCameraFields>;

// The top camera of engine::kTopCameraDefaults: normal (90, 0), no tilts.
CameraValues defaultCameraValues();
// What a LaueTools calibration amounts to: the top camera turned by -xbet
// about u and -xgam about n.
CameraValues calibrationValues(const engine::DetCalibration& c);

// The values of the custom camera that make a camera `d` (its normal as 2theta
// and chi, its frame turned about the normal by the last tilt); nullopt for a
// film, a frame whose u x v is not n, pixels that are not square, or values
// the fields refuse.
std::optional<CameraValues> cameraValuesOf(const engine::Detector& d);

// The field's name as the messages give it ("Distance", "Frame width", ...).
QString cameraFieldName(int field);
// Why a value cannot go into the field (empty when it can): distances and
// pixel sizes positive and no larger than any camera has, frames a whole
// number of pixels from 1 to 1000000, centres and angles within bounds that
// keep the geometry finite.
QString cameraFieldFault(int field, double value);

// What the detector list stands at, and the values of each camera.
struct DetectorSetup {
    DetectorEntry entry = DetectorEntry::BackReflectionFilm;  // the entry shown
    DetectorEntry camera = DetectorEntry::TopCamera;          // the camera chosen last
    CameraValues top = defaultCameraValues();                 // normal and tilts stay those of the top camera
    CameraValues custom = defaultCameraValues();
    QString detPath;                     // the calibration file read last
    std::optional<engine::DetFile> det;  // its contents, while it could be read
};

// The camera `entry` of the setup, built by the engine's presets
// (engine::topCamera, engine::placedDetector or the calibration); throws when
// its values do not make a camera.
engine::Detector cameraOf(const DetectorSetup& setup, DetectorEntry entry);

// The setup as the settings store keeps it (group "Detector"), and back.
// Values that cannot be used read as the defaults: an unknown entry, a record
// of the wrong length or with a value cameraFieldFault refuses, a calibration
// file that can no longer be read (the top camera takes its place).
struct StoredDetector {
    QString choice;  // "transmission", "back-reflection", "top", "custom" or "file"
    QString camera;  // "top", "custom" or "file"
    QString top;     // distance, centre x and y, pixel size, frame width and height
    QString custom;  // the same, then 2theta, chi and the three tilts
    QString file;    // the calibration's path
};
StoredDetector storedDetector(const DetectorSetup& setup);
DetectorSetup detectorSetup(const StoredDetector& stored);

}  // namespace lumora::app
