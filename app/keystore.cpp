#include "keystore.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace marklens {

namespace {

bool ParseLine(const std::string& line, std::string& section, std::map<std::string, CKeyStore::Values>& keys) {
    if (line.empty()) return true;
    if (line.front() == '[' && line.back() == ']' && line.size() > 2) {
        section = line.substr(1, line.size() - 2);
        keys[section];
        return true;
    }
    const std::size_t equals = line.find('=');
    if (section.empty() || equals == std::string::npos || equals == 0) return false;
    keys[section][line.substr(0, equals)] = line.substr(equals + 1);
    return true;
}

}  // namespace

bool CKeyStore::Load(const std::string& path, std::string& error) {
    keys_.clear();
    std::error_code code;
    if (!std::filesystem::exists(path, code)) return true;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    std::string section;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!ParseLine(line, section, keys_)) {
            error = path + " line " + std::to_string(number) + " is not a key or a value";
            keys_.clear();
            return false;
        }
    }
    return true;
}

bool CKeyStore::Save(const std::string& path, std::string& error) const {
    std::ostringstream text;
    bool first = true;
    for (const auto& [key, values] : keys_) {
        if (!first) text << '\n';
        first = false;
        text << '[' << key << "]\n";
        for (const auto& [name, value] : values) text << name << '=' << value << '\n';
    }
    const std::filesystem::path target(path);
    std::error_code code;
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), code);
    // Written beside and renamed, so a failed write never leaves half a store.
    const std::filesystem::path temporary = target.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text.str();
        if (!out.flush()) {
            error = "cannot write " + temporary.string();
            return false;
        }
    }
    std::filesystem::rename(temporary, target, code);
    if (code) {
        error = "cannot replace " + path + ": " + code.message();
        std::filesystem::remove(temporary, code);
        return false;
    }
    return true;
}

void CKeyStore::SetValue(const std::string& key, const std::string& name, const std::string& value) {
    keys_[key][name] = value;
}

void CKeyStore::RemoveKeyTree(const std::string& key) {
    const std::string below = key + '\\';
    for (auto it = keys_.begin(); it != keys_.end();) {
        if (it->first == key || it->first.compare(0, below.size(), below) == 0) it = keys_.erase(it);
        else ++it;
    }
}

bool CKeyStore::IsEmptyKey(const std::string& key) const {
    const auto found = keys_.find(key);
    if (found == keys_.end() || !found->second.empty()) return false;
    // Keys such as "A.x" sort between "A" and "A\\B", so look where the keys below would start.
    const std::string below = key + '\\';
    const auto next = keys_.lower_bound(below);
    return next == keys_.end() || next->first.compare(0, below.size(), below) != 0;
}

std::string CKeyStore::Value(const std::string& key, const std::string& name) const {
    const auto found = keys_.find(key);
    if (found == keys_.end()) return {};
    const auto value = found->second.find(name);
    return value == found->second.end() ? std::string() : value->second;
}

}  // namespace marklens
