// lumora render: draws a pattern exactly as a document window of the same
// size shows it, and writes it as an image, PDF or SVG file.
#include <QBuffer>
#include <QFileInfo>
#include <QPdfWriter>
#include <charconv>
#include <cmath>
#include <functional>
#include <memory>
#include <sstream>

#include "app/PhotoFile.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/DetectorOptions.h"
#include "engine/LaueEngine.h"
#include "engine/OrientationMath.h"
#include "engine/Palette.h"
#include "output/Export.h"
#include "render/PatternRenderer.h"
#include "render/RenderOptions.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::cli {

namespace {

struct Output {
    QString path;
    QString format;  // png, jpg, bmp, pdf, svg
};

Output outputFile(const QCommandLineParser& parser) {
    if (!parser.isSet("output"))
        throw UsageError("the output file is needed: -o FILE (.png, .jpg, .bmp, .pdf or .svg)");
    Output out{parser.value("output"), QFileInfo(parser.value("output")).suffix().toLower()};
    if (out.format == "jpeg") out.format = "jpg";
    static const QStringList known{"png", "jpg", "bmp", "pdf", "svg"};
    if (!known.contains(out.format))
        throw UsageError("-o must name a .png, .jpg, .bmp, .pdf or .svg file, not \"" +
                         out.path.toStdString() + "\"");
    return out;
}

QSize parseSize(const QString& text, const std::string& what, double low, double high) {
    const auto parts = text.toLower().split('x');
    if (parts.size() != 2)
        throw UsageError(what + " must be given as WIDTHxHEIGHT, not \"" + text.toStdString() + "\"");
    const int w = parseInteger(parts[0], what + " width");
    const int h = parseInteger(parts[1], what + " height");
    if (w < low || w > high || h < low || h > high)
        throw UsageError(what + " must lie between " + util::formatNumber(low, "0") + " and " +
                         util::formatNumber(high, "0") + " in both directions");
    return {w, h};
}

std::array<double, 2> parseFilm(const QString& text) {
    const auto parts = text.toLower().split('x');
    if (parts.size() != 2)
        throw UsageError("--film must be given as WIDTHxHEIGHT in mm, not \"" + text.toStdString() + "\"");
    const double w = parseNumber(parts[0], "film width");
    const double h = parseNumber(parts[1], "film height");
    if (!(w > 0 && h > 0 && w < 1e4 && h < 1e4))
        throw UsageError("the film width and height must be positive (mm)");
    return {w, h};
}

double positiveOption(const QCommandLineParser& parser, const QString& name, double fallback) {
    if (!parser.isSet(name)) return fallback;
    const double v = parseNumber(parser.value(name), "--" + name.toStdString());
    if (!(v > 0)) throw UsageError("--" + name.toStdString() + " must be a positive number");
    if (v > 1e6)
        throw UsageError("--" + name.toStdString() + " " + parser.value(name).toStdString() +
                         " is out of range (at most 1000000)");
    return v;
}

// The plot type of a mode name; 5 stands for the structure view.
constexpr int16_t kStructureView = 5;
int16_t plotTypeOf(const QString& mode) {
    static const QStringList names{"reciprocal", "transmission", "back-reflection",
                                   "stereogram", "detector",     "structure"};
    const auto i = names.indexOf(mode.toLower());
    if (i < 0)
        throw UsageError(
            "--mode must be reciprocal, transmission, back-reflection, stereogram, detector or structure, "
            "not \"" +
            mode.toStdString() + "\"");
    return static_cast<int16_t>(i);
}

std::array<double, 2> parsePair(const QString& text, const std::string& what) {
    const auto words = util::splitBlanks(util::replaceAll(text.toStdString(), ",", " "));
    if (words.size() != 2)
        throw UsageError(what + " takes two numbers, \"x y\", not \"" + text.toStdString() + "\"");
    std::array<double, 2> v{};
    for (std::size_t i = 0; i < 2; ++i) {
        v[i] = parseNumber(QString::fromStdString(words[i]), what);
        if (!std::isfinite(v[i]) || std::fabs(v[i]) > 1e6) throw UsageError(what + " is out of range");
    }
    return v;
}

Mat3f parseMatrix(const QString& text) {
    const auto words = util::splitBlanks(util::replaceAll(text.toStdString(), ",", " "));
    if (words.size() != 9) throw UsageError("--matrix needs nine numbers, rows first");
    Mat3f m{};
    for (int i = 0; i < 9; ++i)
        m[static_cast<std::size_t>(i / 3)][static_cast<std::size_t>(i % 3)] = static_cast<float>(
            parseNumber(QString::fromStdString(words[static_cast<std::size_t>(i)]), "--matrix"));
    return m;
}

void applyRotations(clLAUE& laue, const QString& text) {
    for (const auto& step : util::splitBy(text.toStdString(), ",")) {
        const auto parts = util::splitBy(step, ":");
        if (parts.size() != 2)
            throw UsageError("--rotate takes steps AXIS:DEGREES separated by commas, e.g. \"2:10,3:-5\"");
        const int axis = parseInteger(QString::fromStdString(parts[0]), "rotation axis");
        if (axis < 1 || axis > 3) throw UsageError("the rotation axis must be 1, 2 or 3");
        const double degrees = parseNumber(QString::fromStdString(parts[1]), "rotation angle");
        laue.DoRotate(static_cast<int16_t>(axis), static_cast<float>(degrees));
    }
}

// The spectrum and the spot model of --intensity, --anode and --source.
struct IntensityChoice {
    engine::IntensityModel model = engine::IntensityModel::Amplitude;
    engine::BeamSource source = engine::BeamSource::Tube;
    int anode = 1;  // Mo, the program's default
};

IntensityChoice intensityChoice(const QCommandLineParser& parser) {
    IntensityChoice c;
    if (parser.isSet("intensity")) {
        const QString model = parser.value("intensity").toLower();
        if (model == "physical")
            c.model = engine::IntensityModel::Physical;
        else if (model != "f" && model != "amplitude")
            throw UsageError("--intensity is F (spots follow |F|, the default) or physical, not \"" +
                             parser.value("intensity").toStdString() + "\"");
    }
    const bool physical = c.model == engine::IntensityModel::Physical;
    if (parser.isSet("source")) {
        const QString source = parser.value("source").toLower();
        if (source == "synchrotron")
            c.source = engine::BeamSource::Synchrotron;
        else if (source != "tube")
            throw UsageError("--source is tube or synchrotron, not \"" +
                             parser.value("source").toStdString() + "\"");
        if (!physical) throw UsageError("--source chooses the spectrum of --intensity physical: give both");
    }
    if (parser.isSet("anode")) {
        c.anode = engine::anodeIndex(parser.value("anode").toStdString());
        if (c.anode < 0)
            throw UsageError("--anode is Ag, Mo, Cu, Fe or Cr, not \"" + parser.value("anode").toStdString() +
                             "\"");
        if (!physical) throw UsageError("--anode chooses the spectrum of --intensity physical: give both");
        if (c.source == engine::BeamSource::Synchrotron)
            throw UsageError("--anode belongs to the tube: a synchrotron beam has none");
    }
    return c;
}

// Six significant digits, whatever the locale.
std::string significant6(double v) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 6);
    return std::string(buffer, result.ptr);
}

// Which position --spots gives: pixels from the picture centre (y up), the
// detector's own coordinates, or pixels of the photo under the pattern.
enum class SpotPlace { Picture, Detector, Photo };

// With physical intensities each line ends in the spot's intensity relative
// to the strongest spot drawn.
std::string spotLines(const std::vector<render::SpotRecord>& spots, SpotPlace place, bool withIntensity) {
    std::ostringstream text;
    char colour[8];
    for (const auto& s : spots) {
        std::snprintf(colour, sizeof colour, "#%06x", s.colour & 0xFFFFFFu);
        const double x = place == SpotPlace::Photo      ? s.photoX
                         : place == SpotPlace::Detector ? s.detectorX
                                                        : s.x;
        const double y = place == SpotPlace::Photo      ? s.photoY
                         : place == SpotPlace::Detector ? s.detectorY
                                                        : s.y;
        text << s.h << '\t' << s.k << '\t' << s.l << '\t' << util::formatNumber(x, "0.000") << '\t'
             << util::formatNumber(y, "0.000") << '\t' << util::formatNumber(s.wavelength, "0.00000") << '\t'
             << util::formatNumber(s.radius, "0.000") << '\t' << colour;
        if (withIntensity)
            text << '\t' << (std::isnan(s.intensity) ? std::string("0") : significant6(s.intensity));
        text << '\n';
    }
    return text.str();
}

int renderWulffNet(const Output& out) {
    if (out.format == "pdf") {
        // A vector page at printer resolution, written as the window's printer would.
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        {
            QPdfWriter pdf(&buffer);
            pdf.setTitle("Lumora");
            pdf.setCreator("Lumora");
            pdf.setPageSize(QPageSize(QPageSize::A4));
            pdf.setResolution(600);
            render::printWulffNet(pdf);
        }
        output::saveFiles({{out.path, bytes}});
    } else if (out.format == "svg") {
        // A4 at 150 dpi, the size of the printed page.
        output::saveFiles({{out.path, output::encodeSvg(QSize(1240, 1754), render::printWulffNet, 150)}});
    } else {
        QImage image(1240, 1754, QImage::Format_RGB32);  // A4 at 150 dpi
        image.setDotsPerMeterX(5906);
        image.setDotsPerMeterY(5906);
        image.fill(Qt::white);
        render::printWulffNet(image);
        output::saveImage(image, out.path, out.format);
    }
    return 0;
}

}  // namespace

void addRenderOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        "lumora render --cell a b c alpha beta gamma --sg SYMBOL -o FILE: draw the pattern as a document "
        "window of "
        "the same size shows it and write it to FILE (.png, .jpg, .bmp, .pdf or .svg). The beam runs along "
        "+x of a "
        "right-handed laboratory frame whose z axis points down; each film is shown as seen from outside the "
        "camera, "
        "looking towards the crystal (--flip-x mirrors it). With a detector option the Laue pattern is drawn "
        "on "
        "that camera, in its own pixels (column right, row down).");
    addCrystalOptions(parser);
    parser.addOption(
        {"mode",
         "reciprocal, transmission, back-reflection (default), stereogram, detector (the Laue pattern on the "
         "camera of the detector options; the default when one is given), or structure (the crystal "
         "structure of --structure).",
         "MODE"});
    parser.addOption(
        {"orient", "Orientation vector put on the beam (default \"0 0 1\"; \"111\" means 1 1 1).", "u v w"});
    parser.addOption(
        {"hkl", "The orientation vector is a plane normal (h k l) instead of a direction [u v w]."});
    parser.addOption({"matrix",
                      "Orientation matrix instead of --orient, rows first: a crystal vector v lies along "
                      "O^T v in the laboratory (beam along +x).",
                      "o11 ... o33"});
    parser.addOption(
        {"rotate", "Further turns after the orientation: AXIS:DEGREES,... (axes 1 x, 2 y, 3 z).", "STEPS"});
    parser.addOption({"size", "Picture size in pixels (default 1000x800).", "WxH"});
    parser.addOption({"kv", "Tube voltage in kV (default 50); the band starts at 12.398/kV Å.", "KV"});
    parser.addOption({"lambda-max", "Longest wavelength of the band in Å (default 2.5).", "A"});
    parser.addOption({"intensity",
                      "What sizes and colours the Laue spots: F (|F|, or d without a structure; the default) "
                      "or physical (the spot's intensity: its harmonics weighted by the spectrum, lambda^4, "
                      "|F|^2, polarisation and 1/sin^2 theta; see the help page \"Intensities\").",
                      "MODEL"});
    parser.addOption(
        {"anode", "Anode of the tube for --intensity physical: Ag, Mo (default), Cu, Fe or Cr.", "EL"});
    parser.addOption(
        {"source",
         "Beam for --intensity physical: tube (default) or synchrotron (white, horizontally polarised).",
         "SOURCE"});
    parser.addOption({"distance", "Film-sample distance in mm (default 30).", "MM"});
    parser.addOption({"film", "Film width and height in mm (default 90x120).", "WxH"});
    parser.addOption({"zoom", "Zoom factor (default 1).", "Z"});
    parser.addOption({"labels", "Draw hkl labels."});
    parser.addOption({"black", "Black background."});
    parser.addOption({"colour", "Colour the spots."});
    parser.addOption({"polar-net", "Polar net on the stereogram."});
    parser.addOption({"outline", "Film outline with grid, ticks and caption."});
    parser.addOption({"clip-film", "Clip the spots to the film."});
    parser.addOption({"wulff-monitor", "Small stereogram inset."});
    parser.addOption({"zeroth-layer", "Only the zeroth layer in the reciprocal-lattice view."});
    parser.addOption({"flip-x", "Flip x in the Laue patterns."});
    parser.addOption({"antialias", "Anti-aliased spots."});
    addDetectorOptions(parser);
    parser.addOption(
        {"photo",
         "Lay a photograph or detector frame under the Laue pattern, as the Photo tab does: on a "
         "film the photo spans the film, on a camera it lies 1:1 on the frame.",
         "IMAGE"});
    parser.addOption({"photo-centre",
                      "Where the beam lies on a film photo, mm from its top left corner (default: the film's "
                      "centre).",
                      "x y"});
    parser.addOption({"spots",
                      "Also write one line per reflection drawn: h k l x y wavelength (Å) radius (pixels) "
                      "colour, tab-separated, in drawing order (with --intensity physical a last column, the "
                      "spot's intensity relative to the strongest spot drawn); hkl and -h-k-l share one spot "
                      "and have a "
                      "line each. x y are pixels from the picture centre (y up); on a camera its pixel "
                      "column and row; with --photo the photo's pixel column and row, counted from the "
                      "centre of its top left pixel.",
                      "FILE.tsv"});
    parser.addOption({"wulff-net", "Render the printed Wulff net instead of a pattern."});
    parser.addOption(
        {"title", "Title of the PDF page (default: the structure's title, else \"Laue pattern\").", "TEXT"});
    parser.addOption({{"o", "output"}, "Output file.", "FILE"});
    addReflectionRangeOptions(parser);
}

int runRender(const std::vector<std::string>& rawArgs, std::ostream& /*out*/) {
    const auto args = joinOptionValues(rawArgs, "--cell", 6);
    QCommandLineParser parser;
    addRenderOptions(parser);
    parseArguments(parser, args);
    const Output out = outputFile(parser);
    if (parser.isSet("wulff-net")) return renderWulffNet(out);

    // Everything is read and checked before anything is drawn or written.
    const CrystalSource source = crystalSource(parser);
    const engine::ReflectionRange range = reflectionRange(parser);
    if (range.complete && source.kind == CrystalSource::Kind::Reflections)
        throw UsageError("--complete generates the list: it does not go with --rsv");
    const QSize size =
        parser.isSet("size") ? parseSize(parser.value("size"), "--size", 16, 10000) : QSize(1000, 800);
    const std::optional<engine::Detector> detector = detectorFromOptions(parser);
    const int16_t mode = parser.isSet("mode") ? plotTypeOf(parser.value("mode"))
                         : detector           ? kDetectorPlot
                                              : 2;
    if (mode == kStructureView && source.kind != CrystalSource::Kind::Structure)
        throw UsageError("--mode structure needs a structure file: --structure FILE");
    if (detector && mode != kDetectorPlot)
        throw UsageError(
            "the detector options draw the Laue pattern on a camera: they go with --mode detector only");
    if (parser.isSet("photo") && !isLauePlot(mode))
        throw UsageError(
            "--photo goes with the Laue patterns: --mode transmission, back-reflection or detector");
    if (parser.isSet("photo-centre") && !(parser.isSet("photo") && (mode == 1 || mode == 2)))
        throw UsageError(
            "--photo-centre places a film photo: it needs --photo and a film (transmission or "
            "back-reflection)");
    const IntensityChoice intensity = intensityChoice(parser);
    if (intensity.model == engine::IntensityModel::Physical && !isLauePlot(mode))
        throw UsageError(
            "--intensity physical sizes Laue spots: --mode transmission, back-reflection or detector");
    const double kv = positiveOption(parser, "kv", 50);
    const double lambdaMax = positiveOption(parser, "lambda-max", 2.5);
    const double distance = positiveOption(parser, "distance", 30);
    const double zoom = positiveOption(parser, "zoom", 1);
    const auto film = parser.isSet("film") ? parseFilm(parser.value("film")) : std::array<double, 2>{90, 120};
    if (parser.isSet("orient") && parser.isSet("matrix"))
        throw UsageError("give either --orient or --matrix, not both");
    std::array<double, 3> vector{0, 0, 1};
    if (parser.isSet("orient")) {
        std::string text = util::trim(parser.value("orient").toStdString());
        if (text.size() == 3 && text.find(' ') == std::string::npos)
            text = {text[0], ' ', text[1], ' ', text[2]};
        const auto words = util::splitBlanks(text);
        if (words.size() < 3)
            throw UsageError("--orient needs three numbers separated by blanks, e.g. \"1 1 1\"");
        for (int i = 0; i < 3; ++i)
            vector[static_cast<std::size_t>(i)] =
                parseNumber(QString::fromStdString(words[static_cast<std::size_t>(i)]), "orientation vector");
        if (vector == std::array<double, 3>{0, 0, 0})
            throw UsageError("--orient must not be the zero vector");
    }
    const bool hasMatrix = parser.isSet("matrix");
    const Mat3f matrix = hasMatrix ? parseMatrix(parser.value("matrix")) : Mat3f{};
    if (hasMatrix && !engine::isRotation(matrix))
        throw UsageError(
            "--matrix must be a rotation: orthonormal rows and determinant +1, within 1e-6 (got \"" +
            parser.value("matrix").toStdString() + "\")");

    // The photo is read before anything is drawn; one that cannot be read stops here.
    QImage photo;
    if (parser.isSet("photo")) {
        app::PhotoRead read = app::readPhoto(parser.value("photo"));
        if (read.image.isNull())
            throw Error(read.error ? read.error : Error::PathAccess,
                        "the photo \"" + parser.value("photo").toStdString() +
                            "\" cannot be read: " + read.problem.toStdString());
        photo = std::move(read.image);
    }

    render::RenderOptions options;
    options.flipX = parser.isSet("flip-x");
    render::DisplayFlags& flags = options.flags;
    flags.hklIndices = parser.isSet("labels");
    flags.blackBackground = parser.isSet("black");
    flags.spotColouring = parser.isSet("colour");
    flags.polarNet = parser.isSet("polar-net");
    flags.filmOutline = parser.isSet("outline");
    flags.clipFilmRegion = parser.isSet("clip-film");
    flags.wulffMonitor = parser.isSet("wulff-monitor");
    flags.zerothLayer = parser.isSet("zeroth-layer");
    options.palette = engine::spotPalette(flags.spotColouring);
    options.antialias = parser.isSet("antialias");
    options.showPhoto = !photo.isNull();
    options.photoCentreX = film[0] / 2;
    options.photoCentreY = film[1] / 2;
    if (parser.isSet("photo-centre")) {
        const auto centre = parsePair(parser.value("photo-centre"), "--photo-centre");
        options.photoCentreX = centre[0];
        options.photoCentreY = centre[1];
    }

    EngineDefaults defaults;
    defaults.voltage = static_cast<float>(kv);
    defaults.filmDistance = static_cast<float>(distance);
    defaults.filmWidth = static_cast<float>(film[0]);
    defaults.filmHeight = static_cast<float>(film[1]);
    defaults.intensityModel = intensity.model;
    defaults.beamSource = intensity.source;
    defaults.anodeIndex = intensity.anode;
    clLAUE laue;
    laue.newDocument(defaults);
    laue.x_lambda_min = laue.getWavelengthMinimum();
    laue.x_lambda_max = static_cast<float>(lambdaMax);
    if (detector) laue.setDetector(*detector);
    laue.setReflectionRange(range);
    loadCrystal(laue, parser, source);
    if (hasMatrix) {
        laue.setOrientationMatrix(matrix);
    } else {
        laue.setOrientation(static_cast<float>(vector[0]), static_cast<float>(vector[1]),
                            static_cast<float>(vector[2]), !parser.isSet("hkl"));
    }
    if (parser.isSet("rotate")) applyRotations(laue, parser.value("rotate"));
    laue.m_mode = mode == kStructureView ? 0 : mode;
    render::fitScales(options, laue, size.width(), size.height());
    options.zoom = static_cast<float>(zoom);

    std::vector<render::SpotRecord> spots;
    render::PatternRenderer renderer(laue);
    renderer.setSpotRecorder(&spots);
    renderer.setPhotoSimulation(!photo.isNull());
    // The structure view draws on the structure surface, the patterns on the picture.
    const auto draw = [&](render::Surface& visible, render::Surface& backBuffer) {
        if (mode == kStructureView) {
            renderer.setGraphicsContext(&backBuffer, &visible, &backBuffer, nullptr);
            renderer.setStructureVisible(true);
            renderer.drawStructure(options);
        } else {
            renderer.setGraphicsContext(&visible, nullptr, &backBuffer, photo.isNull() ? nullptr : &photo);
            renderer.drawHKL(options);
        }
    };
    // The picture goes through the writers of the window's File menu; with
    // --spots both files are written or neither.
    QByteArray bytes;
    if (out.format == "svg") {
        bytes = output::encodeSvg(size, [&](QPaintDevice& svg) {
            render::Surface surface(&svg, size);
            draw(surface, surface);
            surface.finish();
        });
    } else {
        render::Surface visible(size);
        render::Surface backBuffer(size);
        draw(visible, backBuffer);
        if (out.format == "pdf") {
            const QString title = parser.isSet("title") ? parser.value("title")
                                  : source.kind == CrystalSource::Kind::Structure
                                      ? QString::fromStdString(laue.m_tit)
                                      : QStringLiteral("Laue pattern");
            bytes = output::encodePdf(title, visible.image(), output::pdfOrientationLine(laue));
        } else {
            bytes = output::encodeImage(visible.image(), out.format);
        }
    }
    std::vector<std::pair<QString, QByteArray>> files{{out.path, bytes}};
    if (parser.isSet("spots"))
        files.emplace_back(parser.value("spots"),
                           QByteArray::fromStdString(spotLines(spots,
                                                               !photo.isNull()         ? SpotPlace::Photo
                                                               : mode == kDetectorPlot ? SpotPlace::Detector
                                                                                       : SpotPlace::Picture,
                                                               laue.physicalIntensities())));
    output::saveFiles(files);
    return 0;
}

}  // namespace lumora::cli
