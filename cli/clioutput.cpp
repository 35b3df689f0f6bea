#include "clioutput.h"

#include <ostream>

namespace marklens::cli {
namespace {

// A field of a printed record: strings on one line, flags as "*" or nothing.
std::string FieldText(const Json& value) {
    if (value.is_string()) return OneLine(value.get<std::string>());
    if (value.is_boolean()) return value.get<bool>() ? "*" : "";
    return JsonText(value);
}

std::string JoinedFields(const Json& record, char separator) {
    std::string line;
    bool first = true;
    for (const Json& value : record) {
        if (!first) line += separator;
        line += FieldText(value);
        first = false;
    }
    return line;
}

}  // namespace

std::string JsonText(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    return text;
}

int CCliOutput::Answer(const Json& value, const std::string& text) const {
    return Print(json_ ? JsonText(value) : text);
}

int CCliOutput::Record(const Json& record) const { return Answer(record, JoinedFields(record, ' ')); }

int CCliOutput::Rows(const Json& rows) const {
    if (json_) return Print(JsonText(rows));
    for (const Json& row : rows)
        out_ << JoinedFields(row, '\t') << '\n';
    return 0;
}

void CCliOutput::Line(const Json& record) const {
    out_ << (json_ ? JsonText(record) : JoinedFields(record, '\t')) << '\n';
}

void CCliOutput::Flush() const { out_.flush(); }

int CCliOutput::JsonOnly(const Json& value) const { return json_ ? Print(JsonText(value)) : 0; }

int CCliOutput::Print(const std::string& text) const {
    out_ << text << '\n';
    return 0;
}

int CCliOutput::Fail(const std::string& text) const {
    if (json_)
        out_ << JsonText(Json{{"error", text}}) << '\n';
    else
        err_ << "marklens-cli: " << text << '\n';
    return 1;
}

}  // namespace marklens::cli
