#pragma once
#include <map>
#include <string>

namespace marklens {

// The key store file that stands in for the system registry: one "[key path]" section per
// key, "name=value" lines below it, "@" for the default value. Keys are kept sorted, so a
// file this class wrote reads back and writes out byte for byte the same.
class CKeyStore {
public:
    using Values = std::map<std::string, std::string>;

    // A missing file is an empty store. False, with the reason, when the file cannot be read
    // or holds a line this format does not know; such a file is never written over.
    bool Load(const std::string& path, std::string& error);
    bool Save(const std::string& path, std::string& error) const;

    void CreateKey(const std::string& key) { keys_[key]; }
    void SetValue(const std::string& key, const std::string& name, const std::string& value);
    // Removes the key with all keys below it; nothing happens for a missing key.
    void RemoveKeyTree(const std::string& key);
    bool HasKey(const std::string& key) const { return keys_.count(key) != 0; }
    // True for a present key without values and without keys below it.
    bool IsEmptyKey(const std::string& key) const;
    // Empty for a missing key or value.
    std::string Value(const std::string& key, const std::string& name) const;
    const std::map<std::string, Values>& Keys() const { return keys_; }

private:
    std::map<std::string, Values> keys_;
};

}  // namespace marklens
