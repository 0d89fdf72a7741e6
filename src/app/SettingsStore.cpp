#include "app/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <cmath>
#include <exception>

#include "app/AppState.h"
#include "app/Folders.h"
#include "app/SettingsCheck.h"
#include "engine/SettingsText.h"
#include "util/NumberText.h"

namespace lumora::app {

namespace {

constexpr const char* kMaker = "Tessarin";
constexpr const char* kProduct = "LUMORA";
constexpr const char* kTitle = "Lumora";
constexpr const char* kPlacementKeys[] = {"MainLeft", "MainTop", "MainWidth", "MainHeight"};

QString defaultText() { return QString::fromStdString(std::string(kDefaultSettingsText)); }

// Applies a record that passed its checks, with what follows from it.
// Options > Intensity, kept beside the classic record: group "Intensity" with
// "Model" (F or physical) and "Source" (tube or synchrotron).
void readIntensityChoice(Settings& s) {
    QSettings store(QSettings::UserScope, kMaker, kProduct);
    store.beginGroup("Intensity");
    s.physicalIntensity = store.value("Model").toString() == QStringLiteral("physical");
    s.synchrotronBeam = store.value("Source").toString() == QStringLiteral("synchrotron");
}

void saveIntensityChoice(const Settings& s) {
    QSettings store(QSettings::UserScope, kMaker, kProduct);
    store.beginGroup("Intensity");
    store.setValue("Model", s.physicalIntensity ? "physical" : "F");
    store.setValue("Source", s.synchrotronBeam ? "synchrotron" : "tube");
    store.endGroup();
    store.sync();
}

void useSettings(const Settings& settings) {
    AppState& state = appState();
    state.settings = settings;
    readIntensityChoice(state.settings);
    state.currentLabelColour = settings.labelColour;
    if (settings.startBlack) state.flags.blackBackground = true;
    state.flags.polarNet = true;
    state.flags.fourIndex = readFourIndexNotation();
}

// Group "Reflections": "Complete" 0 or 1 and "DMin" in Å (0 or more).
void readReflectionOptions(Settings& settings) {
    QSettings store(QSettings::UserScope, kMaker, kProduct);
    store.beginGroup("Reflections");
    const QString complete = store.value("Complete").toString();
    bool ok = false;
    const double dMin = store.value("DMin").toString().toDouble(&ok);
    const bool usable =
        (complete == "0" || complete == "1") && ok && std::isfinite(dMin) && dMin >= 0 && dMin <= 1e6;
    const Settings defaults;
    settings.completePattern = usable ? complete == "1" : defaults.completePattern;
    settings.completeDMin = usable ? static_cast<float>(dMin) : defaults.completeDMin;
}

void saveReflectionOptions(const Settings& settings) {
    QSettings store(QSettings::UserScope, kMaker, kProduct);
    store.beginGroup("Reflections");
    store.setValue("Complete", settings.completePattern ? "1" : "0");
    store.setValue("DMin", QString::fromStdString(util::singleText(settings.completeDMin)));
    store.endGroup();
    store.sync();
}

}  // namespace

QString readRegString(const QString& product, const QString& name) {
    const QSettings store(QSettings::UserScope, kMaker, product);
    const QVariant value = store.value(name);
    return value.canConvert<QString>() ? value.toString() : QString();
}

void writeRegString(const QString& product, const QString& name, const QString& value) {
    QSettings store(QSettings::UserScope, kMaker, product);
    store.setValue(name, value);
    store.sync();
}

void resetSettings() {
    writeRegString(kProduct, "SX", "0");
    writeRegString(kProduct, "WNDO", "0 0 12000 9000");
    writeRegString(kProduct, "WNDS", "0");
    writeRegString(kProduct, "DEF", defaultText());
    saveIntensityChoice(Settings{});
    saveReflectionOptions(Settings{});
    ReadRegistry();
}

void ReadRegistry() {
    // resetSettings reads the first-run record back through here; that record
    // is always good, but a store that cannot be written must not loop.
    static int depth = 0;
    if (depth > 0) {
        useSettings(parseSettingsText(kDefaultSettingsText).settings);
        return;
    }
    ++depth;
    try {
        if (readRegString(kProduct, "SX").isEmpty()) {
            resetSettings();
        } else {
            writeRegString(kProduct, "SX", "0");
            const ParsedSettings parsed = parseSettingsText(readRegString(kProduct, "DEF").toStdString());
            if (parsed.needsReset || !acceptableSettings(parsed.settings))
                resetSettings();
            else {
                Settings settings = parsed.settings;
                readReflectionOptions(settings);
                useSettings(settings);
            }
        }
    } catch (const std::exception&) {
        resetSettings();
    }
    --depth;
}

void SaveRegistry(const WindowPlacement& placement) {
    writeRegString(kProduct, "DEF", QString::fromStdString(formatSettingsText(appState().settings)));
    saveIntensityChoice(appState().settings);
    saveReflectionOptions(appState().settings);
    if (placement.state == 0) {
        const QRect& g = placement.normalGeometry;
        writeRegString(kProduct, "WNDO",
                       QStringLiteral("%1 %2 %3 %4")
                           .arg(g.x() * kTwipsPerPixel)
                           .arg(g.y() * kTwipsPerPixel)
                           .arg(g.width() * kTwipsPerPixel)
                           .arg(g.height() * kTwipsPerPixel));
    }
    writeRegString(kProduct, "WNDS", QString::number(placement.state));
    writeRegString(kProduct, "PATH", QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
    writeRegString(kProduct, "DIREXE", QDir::toNativeSeparators(programFolder()));
}

bool readFourIndexNotation() { return readRegString(kProduct, "HEX4") == QLatin1String("1"); }

void saveFourIndexNotation(bool on) { writeRegString(kProduct, "HEX4", on ? "1" : "0"); }

QStringList readRecentFiles() {
    const QSettings store(QSettings::UserScope, kMaker, kProduct);
    const QVariant value = store.value("RECENT");
    // The store gives a list of one as a plain text.
    return value.canConvert<QStringList>() ? value.toStringList() : QStringList();
}

void saveRecentFiles(const QStringList& paths) {
    QSettings store(QSettings::UserScope, kMaker, kProduct);
    if (paths.isEmpty())
        store.remove("RECENT");
    else
        store.setValue("RECENT", paths);
    store.sync();
}

DetectorSetup readDetectorSetup() {
    QSettings store(QSettings::UserScope, kMaker, kProduct);
    store.beginGroup("Detector");
    const auto text = [&store](const char* name) {
        const QVariant value = store.value(name);
        return value.canConvert<QString>() ? value.toString() : QString();
    };
    return detectorSetup({text("Choice"), text("Camera"), text("Top"), text("Custom"), text("File")});
}

void saveDetectorSetup(const DetectorSetup& setup) {
    const StoredDetector stored = storedDetector(setup);
    QSettings store(QSettings::UserScope, kMaker, kProduct);
    store.beginGroup("Detector");
    store.setValue("Choice", stored.choice);
    store.setValue("Camera", stored.camera);
    store.setValue("Top", stored.top);
    store.setValue("Custom", stored.custom);
    store.setValue("File", stored.file);
    store.endGroup();
    store.sync();
}

std::optional<QRect> readMainPlacement() {
    QSettings store(QSettings::UserScope, kTitle, kTitle);
    store.beginGroup("Settings");
    double v[4];
    for (int i = 0; i < 4; ++i) {
        const QString text = store.value(kPlacementKeys[i]).toString();
        if (text.isEmpty()) return std::nullopt;
        try {
            v[i] = util::val(text.toStdString()) / kTwipsPerPixel;
        } catch (const std::exception&) {
            return std::nullopt;
        }
        if (!std::isfinite(v[i]) || std::abs(v[i]) > 1e6) return std::nullopt;
    }
    const auto px = [](double x) { return static_cast<int>(util::nearest(x)); };
    return QRect(px(v[0]), px(v[1]), px(v[2]), px(v[3]));
}

void saveMainPlacement(const QRect& g) {
    QSettings store(QSettings::UserScope, kTitle, kTitle);
    store.beginGroup("Settings");
    const int values[] = {g.x(), g.y(), g.width(), g.height()};
    for (int i = 0; i < 4; ++i)
        store.setValue(kPlacementKeys[i], QString::number(values[i] * kTwipsPerPixel));
    store.sync();
}

}  // namespace lumora::app
