#include "cli/Cli.h"

#include <QCommandLineParser>
#include <functional>
#include <map>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "util/Error.h"

namespace lumora::cli {

namespace {

struct Command {
    void (*addOptions)(QCommandLineParser&);
    int (*run)(const std::vector<std::string>&, std::ostream&);
};

const std::map<std::string, Command>& commands() {
    static const std::map<std::string, Command> table{
        {"symmetry", {addSymmetryOptions, runSymmetry}},
        {"reflections", {addReflectionsOptions, runReflections}},
        {"render", {addRenderOptions, runRender}},
        {"peaks", {addPeaksOptions, runPeaks}},
        {"index", {addIndexOptions, runIndex}},
    };
    return table;
}

bool isHelp(const std::string& a) { return a == "--help" || a == "-h" || a == "-?" || a == "help"; }

std::string commandHelp(const std::string& name) {
    QCommandLineParser parser;
    commands().at(name).addOptions(parser);
    parser.addHelpOption();
    std::string text = parser.helpText().toStdString();
    // Qt names the program alone in the usage line; add the subcommand.
    const std::string usage = "Usage: lumora ";
    if (text.rfind(usage, 0) == 0) text.insert(usage.size(), name + " ");
    return text;
}

std::string overallHelp() {
    std::string text =
        "Lumora simulates X-ray Laue diffraction patterns of single crystals.\n\n"
        "Usage: lumora                      start the desktop program\n"
        "       lumora COMMAND [options]    headless work; COMMAND is one of:\n\n"
        "  symmetry      resolve a space-group symbol and list its symmetry operations\n"
        "  reflections   generate the reflection list of a cell and space group\n"
        "  render        draw a pattern (or the Wulff net) to a PNG, JPEG, BMP, PDF or SVG file\n"
        "  peaks         find the spots of detector frames or photographs: x y intensity, strongest first\n\n"
        "  index         find the crystal's orientation from the spots of an exposure (peak files)\n\n"
        "Bad arguments exit with status 2 and a message on stderr.\n";
    for (const auto& [name, command] : commands()) text += "\n" + commandHelp(name);
    return text;
}

}  // namespace

bool isHeadless(const std::vector<std::string>& args) {
    if (args.size() < 2) return false;
    return isHelp(args[1]) || commands().count(args[1]) > 0;
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() < 2 || isHelp(args[1])) {
        out << overallHelp();
        return 0;
    }
    const auto it = commands().find(args[1]);
    if (it == commands().end()) {
        err << "lumora: unknown command \"" << args[1] << "\" (see lumora --help)\n";
        return kUsageError;
    }
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (isHelp(args[i])) {
            out << commandHelp(args[1]);
            return 0;
        }
    }
    try {
        const NoticeStream notes(err);
        return it->second.run(args, out);
    } catch (const UsageError& e) {
        err << "lumora " << args[1] << ": " << e.what() << "\n";
    } catch (const Error& e) {
        err << "lumora " << args[1] << ": " << e.message() << "\n";
    }
    return kUsageError;
}

}  // namespace lumora::cli
