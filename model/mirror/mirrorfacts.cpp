#include "mirrorfacts.h"

#include <algorithm>
#include <iterator>
#include <new>

namespace marklens {

namespace {

constexpr const char* kEdgeNames[] = {schema::kLeft, schema::kTop, schema::kWidth, schema::kHeight};

// The reader refuses control characters, so no value holds a NUL that would end it early.
void SetAttribute(pugi::xml_node node, const char* name, std::string_view value) {
    node.append_attribute(name).set_value(value.data(), value.size());
}

void SetAttribute(pugi::xml_node node, const char* name, long long value) {
    node.append_attribute(name).set_value(value);
}

void ResetAttribute(pugi::xml_node node, const char* name, std::string_view value) {
    node.attribute(name).set_value(value.data(), value.size());
}

void ResetAttribute(pugi::xml_node node, const char* name, long long value) { node.attribute(name).set_value(value); }

bool IsPseudo(const CMirrorFacts::Node& node) {
    return node.label == CMirrorFacts::Node::Label::Element && node.text.starts_with("::");
}

}  // namespace

void CMirrorFacts::AppendLabel(std::string& out, std::size_t index) const {
    const Node& node = nodes[index];
    if (node.label == Node::Label::Comment) {
        out += "<COMMENT>";
        if (!node.text.empty()) (out += ' ') += node.text;
    } else if (node.label == Node::Label::Plain || node.text.starts_with("::")) {
        out += node.text;  // a document, a shadow root, generated content ("::before")
    } else {
        (out += '<') += node.text;
        if (!node.elementId.empty()) ((out += " id=\"") += node.elementId) += '"';
        if (!node.cls.empty()) ((out += " class=\"") += node.cls) += '"';
        out += '>';
    }
}

void CMirrorFacts::Link() {
    links.assign(nodes.size(), Links{});
    std::vector<std::int32_t> open;
    std::vector<std::int32_t> lastChild{-1};  // of each open node, and of the document
    for (const std::int32_t event : events) {
        if (event < 0) {
            open.pop_back();
            lastChild.pop_back();
            continue;
        }
        Links& node = links[static_cast<std::size_t>(event)];
        node.parent = open.empty() ? -1 : open.back();
        node.previous = lastChild.back();
        if (node.previous >= 0) {
            links[static_cast<std::size_t>(node.previous)].next = event;
        } else if (node.parent >= 0) {
            links[static_cast<std::size_t>(node.parent)].firstChild = event;
        }
        lastChild.back() = event;
        open.push_back(event);
        lastChild.push_back(-1);
    }
}

std::string_view CMirrorFacts::ShapeOf(std::size_t index) const {
    if (shapes.empty()) return {};
    const auto shape = shapes.find(static_cast<std::uint32_t>(index));
    return shape == shapes.end() ? std::string_view() : shape->second;
}

std::vector<pugi::xml_node> CMirrorFacts::MakeTree(pugi::xml_document& xml) const {
    xml.reset();
    std::vector<pugi::xml_node> made;
    made.reserve(nodes.size());
    std::vector<pugi::xml_node> open{xml};
    std::string label;
    for (const std::int32_t event : events) {
        if (event < 0) {
            open.pop_back();
            continue;
        }
        const auto index = static_cast<std::size_t>(event);
        const pugi::xml_node node = open.back().append_child(nodes[index].name);
        if (!node) throw std::bad_alloc();  // the tree is out of memory
        WriteNode(node, index, label);
        made.push_back(node);
        open.push_back(node);
    }
    return made;
}

void CMirrorFacts::WriteNode(pugi::xml_node made, std::size_t index) const {
    std::string label;
    WriteNode(made, index, label);
}

void CMirrorFacts::WriteNode(pugi::xml_node made, std::size_t index, std::string& label) const {
    const Node& node = nodes[index];
    SetAttribute(made, schema::kNodeId, IdOf(index));
    label.clear();
    AppendLabel(label, index);
    SetAttribute(made, schema::kText, label);
    if (node.label != Node::Label::Plain) {
        for (int i = 0; i < 4; ++i)
            SetAttribute(made, kEdgeNames[i], node.edges[i]);
        SetAttribute(made, schema::kZIndex, node.zIndex);
        SetAttribute(made, schema::kDisplay, node.display);
        SetAttribute(made, schema::kVisibility, node.visibility);
        SetAttribute(made, schema::kTransparent, node.transparent ? 1 : 0);
        if (IsPseudo(node)) SetAttribute(made, schema::kPseudo, node.text.substr(2));
        const std::string_view shape = ShapeOf(index);
        if (!shape.empty()) SetAttribute(made, schema::kShape, shape);
    }
    SetAttribute(made, schema::kOutsideChildren, node.outside ? 1 : 0);
}

void CMirrorFacts::WriteChanges(pugi::xml_node made, std::size_t index, std::uint8_t changes) const {
    if (changes == 0) return;
    if (changes & kAllChanged) {
        made.remove_attributes();
        WriteNode(made, index);
        return;
    }
    const Node& node = nodes[index];
    if (changes & kIdChanged) ResetAttribute(made, schema::kNodeId, IdOf(index));
    if (changes & kOutsideChanged) ResetAttribute(made, schema::kOutsideChildren, node.outside ? 1 : 0);
    if (node.label == Node::Label::Plain) return;
    if (changes & kBoxChanged) {
        for (int i = 0; i < 4; ++i)
            ResetAttribute(made, kEdgeNames[i], node.edges[i]);
    }
    if (changes & kRankChanged) ResetAttribute(made, schema::kZIndex, node.zIndex);
    if (changes & kLookChanged) {
        ResetAttribute(made, schema::kDisplay, node.display);
        ResetAttribute(made, schema::kVisibility, node.visibility);
        ResetAttribute(made, schema::kTransparent, node.transparent ? 1 : 0);
    }
}

std::uint8_t CMirrorFacts::ChangesFrom(const CMirrorFacts& earlier, std::size_t before, std::size_t index) const {
    const Node& was = earlier.nodes[before];
    const Node& now = nodes[index];
    if (was.label != now.label || was.text != now.text || was.elementId != now.elementId || was.cls != now.cls ||
        earlier.ShapeOf(before) != ShapeOf(index)) {
        return kAllChanged;
    }
    std::uint8_t changes = 0;
    if (earlier.IdOf(before) != IdOf(index)) changes |= kIdChanged;
    if (!std::equal(std::begin(was.edges), std::end(was.edges), std::begin(now.edges))) changes |= kBoxChanged;
    if (was.zIndex != now.zIndex) changes |= kRankChanged;
    if (was.display != now.display || was.visibility != now.visibility || was.transparent != now.transparent) {
        changes |= kLookChanged;
    }
    if (was.outside != now.outside) changes |= kOutsideChanged;
    return changes;
}

}  // namespace marklens
