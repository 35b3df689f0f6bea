#pragma once
#include <iosfwd>
#include <string>

#include <nlohmann/json.hpp>

namespace marklens::cli {

// Keys keep the order they are written in, so the JSON reads like the text.
using Json = nlohmann::ordered_json;

// Where a command's answer and its failure go: text as people read it, or with --json one JSON
// document on stdout, a failure included.
class CCliOutput {
public:
    CCliOutput(std::ostream& out, std::ostream& err, bool json) : out_(out), err_(err), json_(json) {}

    bool IsJson() const { return json_; }
    // Progress for people, on stderr in both forms.
    std::ostream& Progress() const { return err_; }

    // The answer: the value under --json, else the text. Returns 0.
    int Answer(const Json& value, const std::string& text) const;
    // One record: under --json the object, else its values on one line separated by spaces.
    int Record(const Json& record) const;
    // A list of records: under --json the array, else one line a record with its values
    // separated by tabs, empty ones included; a flag is "*" when set, else empty.
    int Rows(const Json& rows) const;
    // One record of a stream: under --json the object alone on its line (JSON Lines), else its
    // values separated by tabs, empty ones included.
    void Line(const Json& record) const;
    // What was printed so far goes out now.
    void Flush() const;
    // An answer only scripts need: the value under --json, nothing in text. Returns 0.
    int JsonOnly(const Json& value) const;
    // Text the command made in the form asked for (a mirror as XML or as JSON). Returns 0.
    int Print(const std::string& text) const;
    // "marklens-cli: TEXT" on stderr, or {"error": TEXT} on stdout. Returns 1.
    int Fail(const std::string& text) const;

private:
    std::ostream& out_;
    std::ostream& err_;
    const bool json_;
};

// The value as JSON text on one line; bytes that are not UTF-8 become U+FFFD.
std::string JsonText(const Json& value);
// Control characters as spaces, so that text stays on its line and within its field.
std::string OneLine(std::string text);

}  // namespace marklens::cli
