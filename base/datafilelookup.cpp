#include "datafilelookup.h"

namespace marklens {

std::string CDataFileLookup::Problem() const {
    std::string text = "cannot find " + name + " in ";
    for (std::size_t i = 0; i < searched.size(); ++i) {
        if (i > 0) text += i + 1 == searched.size() ? " or " : ", ";
        text += searched[i];
    }
    return searched.empty() ? "cannot find " + name + " (the program's own folder is unknown)" : text;
}

std::filesystem::path ProgramFolder() {
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : program.parent_path();
}

CDataFileLookup FindDataFile(const std::string& name, const std::filesystem::path& programFolder) {
    CDataFileLookup lookup{name, {}, {}};
    if (programFolder.empty()) return lookup;
    for (const std::filesystem::path& folder :
         {programFolder, (programFolder / ".." / "share" / "marklens").lexically_normal()}) {
        lookup.searched.push_back(folder.string());
        std::error_code ec;
        if (std::filesystem::is_regular_file(folder / name, ec)) {
            lookup.path = (folder / name).string();
            break;
        }
    }
    return lookup;
}

CDataFileLookup FindDataFile(const std::string& name) { return FindDataFile(name, ProgramFolder()); }

}  // namespace marklens
