#pragma once

#include <QCommandLineParser>
#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "engine/Indexing.h"

namespace lumora::cli {

void addSymmetryOptions(QCommandLineParser& parser);
int runSymmetry(const std::vector<std::string>& args, std::ostream& out);

void addReflectionsOptions(QCommandLineParser& parser);
int runReflections(const std::vector<std::string>& args, std::ostream& out);

void addRenderOptions(QCommandLineParser& parser);
int runRender(const std::vector<std::string>& args, std::ostream& out);

void addPeaksOptions(QCommandLineParser& parser);
int runPeaks(const std::vector<std::string>& args, std::ostream& out);
void addIndexOptions(QCommandLineParser& parser);
int runIndex(const std::vector<std::string>& args, std::ostream& out);
// One block of `lumora index`: "HEADING: M of T spots, mean deviation D deg", the Matrix line and
// a Spot line per explained spot; observedAngles holds 2theta chi of every spot given.
std::string indexBlock(const std::string& heading, const engine::IndexSolution& solution,
                       const std::vector<std::array<double, 2>>& observedAngles);

}  // namespace lumora::cli
