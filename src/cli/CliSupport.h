#pragma once

#include <QCommandLineParser>
#include <QStringList>
#include <array>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/Reflections.h"

namespace lumora {
class clLAUE;
}

namespace lumora::cli {

// Bad command-line input: reported on stderr, exit status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Joins the values after a multi-value option ("--cell 5 5 5 90 90 90") into
// one argument so that the parser sees a single value.
std::vector<std::string> joinOptionValues(const std::vector<std::string>& args, const std::string& option,
                                          int count);

QStringList toQStringList(const std::vector<std::string>& args);

// Parses the arguments (args[0] the program, args[1] the subcommand) and throws
// UsageError for unknown options or missing values.
void parseArguments(QCommandLineParser& parser, const std::vector<std::string>& args);

// A number the user typed, refused when it is not a number.
double parseNumber(const QString& text, const std::string& what);
int parseInteger(const QString& text, const std::string& what);

// Six cell constants a b c alpha beta gamma from one text.
std::array<double, 6> parseCell(const QString& text);

// The usage message for a space-group symbol that names no group.
std::string unknownSymbol(const std::string& symbol);

// Chooses the space group of the engine from --sg SYMBOL or --row N; a symbol
// that names no group is a usage error.
void chooseSpaceGroup(clLAUE& laue, const QCommandLineParser& parser);

// The options that name a crystal: --cell with --sg or --row, --structure
// FILE (.cel, .csf, .cif) or --rsv FILE.
void addCrystalOptions(QCommandLineParser& parser);

// --complete and --d-min A: a complete reflection list instead of the cell's rule.
void addReflectionRangeOptions(QCommandLineParser& parser);
// The choice those options make; a d-min that is not a positive number, or
// one without --complete, is a usage error.
engine::ReflectionRange reflectionRange(const QCommandLineParser& parser);

// What a command works on, checked before anything is loaded.
struct CrystalSource {
    enum class Kind { Cell, Structure, Reflections } kind = Kind::Cell;
    std::array<double, 6> cell{};  // Kind::Cell: as typed
    std::string path;              // Kind::Structure and Kind::Reflections
};
CrystalSource crystalSource(const QCommandLineParser& parser);

// Where a command reports what is worth knowing but no failure (sites a
// structure load left out): the error stream of the run, std::cerr outside one.
std::ostream& notices();
// Sends notices() to `stream` for the lifetime of the object.
class NoticeStream {
public:
    explicit NoticeStream(std::ostream& stream);
    ~NoticeStream();
    NoticeStream(const NoticeStream&) = delete;
    NoticeStream& operator=(const NoticeStream&) = delete;

private:
    std::ostream* previous_;
};

// Loads the crystal into the engine and builds its reflection list (read from
// the file for --rsv). Returns the cell to print spacings from. The notes of a
// structure load go to notices(), one line each after "lumora: ".
std::array<double, 6> loadCrystal(clLAUE& laue, const QCommandLineParser& parser,
                                  const CrystalSource& source);

}  // namespace lumora::cli
