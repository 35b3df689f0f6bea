#include "mirrorrecords.h"

#include <charconv>
#include <vector>

#include "model/objectcallerror.h"
#include "model/statuscodes.h"

namespace marklens {

namespace {

[[noreturn]] void Malformed(const char* what) {
    throw CObjectCallError(status::kFail, std::string("The probe's mirror is malformed: ") + what);
}

// Reads one record's fields from the front of the text.
class CRecordReader {
public:
    explicit CRecordReader(std::string_view text) : rest_(text) {}

    bool AtEnd() const { return rest_.empty(); }
    char Kind() {
        const char kind = rest_.front();
        rest_.remove_prefix(1);
        return kind;
    }
    // An integer followed by a comma.
    long long Number() {
        long long value = 0;
        const auto [end, ec] = std::from_chars(rest_.data(), rest_.data() + rest_.size(), value);
        if (ec != std::errc() || end == rest_.data() + rest_.size() || *end != ',') Malformed("a number");
        rest_.remove_prefix(static_cast<std::size_t>(end - rest_.data()) + 1);
        return value;
    }
    std::string_view Token() {
        const auto comma = rest_.find(',');
        if (comma == std::string_view::npos) Malformed("a field");
        const std::string_view token = rest_.substr(0, comma);
        rest_.remove_prefix(comma + 1);
        return token;
    }
    // The next count UTF-16 units of text, as the UTF-8 bytes that carry them.
    std::string_view Units(long long count) {
        if (count < 0) Malformed("a length");
        std::size_t bytes = 0;
        while (count > 0) {
            if (bytes >= rest_.size()) Malformed("a text");
            const unsigned char lead = static_cast<unsigned char>(rest_[bytes]);
            const std::size_t size = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            count -= size == 4 ? 2 : 1;
            bytes += size;
        }
        if (count < 0 || bytes > rest_.size()) Malformed("a text");
        const std::string_view text = rest_.substr(0, bytes);
        rest_.remove_prefix(bytes);
        return text;
    }
    void EndOfLine() {
        if (rest_.empty() || rest_.front() != '\n') Malformed("a record's end");
        rest_.remove_prefix(1);
    }

private:
    std::string_view rest_;
};

void AppendEscaped(std::string& out, std::string_view text) {
    for (;;) {
        const std::size_t special = text.find_first_of("&<\"");
        out.append(text.substr(0, special));
        if (special == std::string_view::npos) return;
        out += text[special] == '&' ? "&amp;" : text[special] == '<' ? "&lt;" : "&quot;";
        text.remove_prefix(special + 1);
    }
}

void AppendNumberAttribute(std::string& out, const char* name, long long value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out += ' ';
    out += name;
    out += "=\"";
    out.append(digits, end);
    out += '"';
}

void AppendTextAttribute(std::string& out, const char* name, std::string_view value) {
    out += ' ';
    out += name;
    out += "=\"";
    AppendEscaped(out, value);
    out += '"';
}

void OpenNode(std::string& out, const char* name, int id) {
    out += '<';
    out += name;
    AppendNumberAttribute(out, "node-id", id);
}

// "<TAG id="..." class="...">", escaped as attribute text.
void AppendElementLabel(std::string& out, std::string_view tag, std::string_view id, std::string_view cls) {
    out += " text=\"&lt;";
    AppendEscaped(out, tag);
    if (!id.empty()) {
        out += " id=&quot;";
        AppendEscaped(out, id);
        out += "&quot;";
    }
    if (!cls.empty()) {
        out += " class=&quot;";
        AppendEscaped(out, cls);
        out += "&quot;";
    }
    out += ">\"";
}

void AppendElement(std::string& out, CRecordReader& in, int id, const char* name) {
    static constexpr const char* kBox[] = {"left", "top", "width", "height", "z-index"};
    long long numbers[5];
    for (long long& number : numbers) number = in.Number();
    const std::string_view display = in.Token();
    const std::string_view visibility = in.Token();
    const long long transparent = in.Number();
    const long long tagLength = in.Number();
    const long long idLength = in.Number();
    const long long classLength = in.Number();
    const std::string_view tag = in.Units(tagLength);
    const std::string_view elementId = in.Units(idLength);
    const std::string_view cls = in.Units(classLength);
    in.EndOfLine();
    OpenNode(out, name, id);
    AppendElementLabel(out, tag, elementId, cls);
    for (int i = 0; i < 5; ++i) AppendNumberAttribute(out, kBox[i], numbers[i]);
    AppendTextAttribute(out, "display", display);
    AppendTextAttribute(out, "visibility", visibility);
    AppendNumberAttribute(out, "transparent", transparent);
}

}  // namespace

std::string MirrorXmlFromRecords(std::string_view records) {
    std::string out;
    out.reserve(records.size() * 2 + 64);
    std::vector<const char*> open;
    CRecordReader in(records);
    int nextId = 1;
    bool rootDone = false;
    while (!in.AtEnd()) {
        if (rootDone) Malformed("text after the document");
        const char kind = in.Kind();
        if (open.empty() && kind != 'D') Malformed("the document record");
        switch (kind) {
        case 'D':
        case 'd': {
            const std::string_view label = in.Units(in.Number());
            in.EndOfLine();
            OpenNode(out, "doc", nextId++);
            AppendTextAttribute(out, "text", label);
            out += kind == 'D' ? ">" : "/>";
            if (kind == 'D') open.push_back("doc");
            break;
        }
        case 'E':
        case 'e':
        case 'F':
            AppendElement(out, in, nextId++, kind == 'F' ? "frame" : "element");
            out += kind == 'e' ? "/>" : ">";
            if (kind != 'e') open.push_back(kind == 'F' ? "frame" : "element");
            break;
        case 'c': {
            const std::string_view text = in.Units(in.Number());
            in.EndOfLine();
            OpenNode(out, "element", nextId++);
            out += " text=\"&lt;COMMENT>";
            if (!text.empty()) out += ' ';
            AppendEscaped(out, text);
            out += "\" left=\"0\" top=\"0\" width=\"0\" height=\"0\" z-index=\"0\" display=\"none\" "
                   "visibility=\"hidden\" transparent=\"1\"/>";
            break;
        }
        case ')':
            in.EndOfLine();
            if (open.empty()) Malformed("a close without an open record");
            out += "</";
            out += open.back();
            out += '>';
            open.pop_back();
            rootDone = open.empty();
            break;
        default:
            Malformed("an unknown record");
        }
    }
    if (!rootDone) Malformed("an unclosed record");
    return out;
}

}  // namespace marklens
