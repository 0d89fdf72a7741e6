#pragma once

#include <QCommandLineParser>
#include <ostream>
#include <string>
#include <vector>

namespace lumora::cli {

void addSymmetryOptions(QCommandLineParser& parser);
int runSymmetry(const std::vector<std::string>& args, std::ostream& out);

void addReflectionsOptions(QCommandLineParser& parser);
int runReflections(const std::vector<std::string>& args, std::ostream& out);

void addRenderOptions(QCommandLineParser& parser);
int runRender(const std::vector<std::string>& args, std::ostream& out);

void addPeaksOptions(QCommandLineParser& parser);
int runPeaks(const std::vector<std::string>& args, std::ostream& out);

}  // namespace lumora::cli
