#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace marklens {

// Where a data file the programs ship with (the probe, attribs.xml) was found, or where it
// was looked for.
struct CDataFileLookup {
    std::string name;
    std::string path;                   // empty when the file is in none of the places
    std::vector<std::string> searched;  // the folders, in the order they were tried

    bool Found() const { return !path.empty(); }
    // "cannot find NAME in FOLDER or FOLDER", for messages.
    std::string Problem() const;
};

// The file beside the running program (a build tree), else in ../share/marklens from it (an
// install).
CDataFileLookup FindDataFile(const std::string& name);
CDataFileLookup FindDataFile(const std::string& name, const std::filesystem::path& programFolder);

// The folder of the running program; empty when the system does not say.
std::filesystem::path ProgramFolder();

}  // namespace marklens
