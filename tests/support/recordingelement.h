#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/page/liveelement.h"
#include "tests/support/documentfakes.h"

namespace marklens::test {

// An element that answers with its fields, fails where told to, and records every write.
class CRecordingElement : public ILiveElement {
public:
    std::string tag = "DIV", outer, inner, text;
    std::optional<std::uint32_t> tagFailure, outerFailure, innerFailure, textFailure, writeFailure;
    std::string failureMessage;
    std::vector<std::string> writes;  // "outer:...", "inner:...", "text:..."

    std::string TagName() override { return Read(tagFailure, tag); }
    std::string OuterHtml() override { return Read(outerFailure, outer); }
    std::string InnerHtml() override { return Read(innerFailure, inner); }
    std::string Text() override { return Read(textFailure, text); }
    void SetOuterHtml(const std::string& html) override { Write("outer:" + html); }
    void SetInnerHtml(const std::string& html) override { Write("inner:" + html); }
    void SetText(const std::string& value) override { Write("text:" + value); }
    void SetStyleAttribute(const std::string&, const std::string&) override {}

private:
    std::string Read(const std::optional<std::uint32_t>& failure, const std::string& value) const;
    void Write(const std::string& entry);
};

// A probe that hands out one element (none when it is empty) and counts mirror requests.
class CElementProbe : public CFakeProbe {
public:
    std::shared_ptr<CRecordingElement> element = std::make_shared<CRecordingElement>();
    int mirrorRequests = 0;

    std::string RequestMirror(ILivePage& page, int reserved1, int reserved2) override;
    LiveElementHandle ElementForId(const std::string& nodeIdText) override;
};

}  // namespace marklens::test
