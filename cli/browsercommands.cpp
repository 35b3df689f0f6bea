#include "browsercommands.h"

#include <atomic>
#include <charconv>
#include <csignal>
#include <fstream>

#include <unistd.h>

#include "base/datafilelookup.h"
#include "browser/chromiumshell.h"
#include "browser/pngcodec.h"
#include "browser/probelocation.h"
#include "mirrorcommands.h"
#include "model/document/documentmessages.h"
#include "model/errors/callerror.h"
#include "model/errors/malformedanswer.h"
#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"
#include "model/mirror/mirrorrebuild.h"
#include "model/mirror/mirrorschema.h"
#include "model/mirror/pagemirror.h"
#include "model/style/attributecatalog.h"
#include "model/style/styleanswers.h"

namespace marklens::cli {
namespace {

// The arguments of one browser command: positional ones and the options it allows.
struct CBrowserArgs {
    std::vector<std::string> positional;
    CBrowserOptions options;
    std::string catalog;
    bool progress = false;  // progress lines of the page walk on stderr
};

// The exit status of a command that Ctrl+C stopped, as shells report a SIGINT.
constexpr int kInterruptedStatus = 130;

// Ctrl+C during the walk is noted for the walk to look at between its slices, so that the page
// drops what it kept; a second one, or one at any other time, ends the program at once.
std::atomic<bool> g_walking{false};
std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) {
    if (!g_walking.load()) _exit(kInterruptedStatus);
    g_interrupted.store(true);
    std::signal(SIGINT, SIG_DFL);
}

bool ParseNumber(const std::string& text, long long& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// False (after the failure) for an unknown option or a missing value.
bool ParseArgs(const std::vector<std::string>& args, bool allowCatalog, CBrowserArgs& parsed,
               const CCliOutput& output) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        long long seconds = 0;
        if (arg == "--endpoint" && hasValue) {
            parsed.options.endpoints.push_back(args[++i]);
        } else if (arg == "--progress") {
            parsed.progress = true;
        } else if (arg == "--catalog" && allowCatalog && hasValue) {
            parsed.catalog = args[++i];
        } else if (arg == "--timeout" && hasValue && ParseNumber(args[i + 1], seconds) && seconds > 0 &&
                   seconds < 3600) {
            parsed.options.timeout = std::chrono::seconds(seconds);
            ++i;
        } else if (arg.rfind("--", 0) == 0) {
            output.Fail("unknown or incomplete option " + arg);
            return false;
        } else {
            parsed.positional.push_back(arg);
        }
    }
    return true;
}

int ConnectFailure(const CCliOutput& output, const CObjectCallError& error) {
    if (error.Code() == status::kCancelled) {
        output.Fail("cancelled");
        return kInterruptedStatus;
    }
    // The browser answered, but not in the probe's format: not a connection failure.
    if (dynamic_cast<const CMalformedAnswer*>(&error)) return output.Fail(OneLine(error.Message()));
    const std::string text = ConnectErrorText(error);
    if (error.Code() == status::kAccessDenied) return output.Fail(OneLine(text));
    return output.Fail(text + (error.Message().empty() ? "" : " (" + OneLine(error.Message()) + ")"));
}

// The browser at INDEX of the enumeration; null after the failure.
BrowserWindowHandle Browser(CChromiumShell& shell, const std::string& indexText, const CCliOutput& output) {
    long long index = -1;
    if (!ParseNumber(indexText, index) || index < 0) {
        output.Fail("INDEX must be a number from 0, not '" + indexText + "'");
        return nullptr;
    }
    const std::vector<BrowserWindowHandle> browsers = shell.EnumerateBrowsers();
    if (index >= static_cast<long long>(browsers.size())) {
        output.Fail("no browser at index " + indexText + " (" + std::to_string(browsers.size()) + " found)");
        return nullptr;
    }
    return browsers[static_cast<std::size_t>(index)];
}

// An attached page with its probe and a fresh mirror, as attaching leaves them.
struct CAttached {
    LivePageHandle page;
    PageProbeHandle probe;
    std::unique_ptr<CPageMirror> mirror;
};

// Attaches to the page at INDEX; false after the failure. Throws CObjectCallError.
bool Attach(const CBrowserArgs& args, CAttached& attached, const CCliOutput& output) {
    CChromiumShell shell(args.options);
    if (!shell.IsProbeLibraryRegistered()) {
        output.Fail(std::string(message::kLibraryNotRegistered) + " (" + MissingProbeText(args.options.probePath) +
                    ")");
        return false;
    }
    const BrowserWindowHandle browser = Browser(shell, args.positional.at(0), output);
    if (!browser) return false;
    attached.page = browser->Document();
    attached.probe = attached.page->CreateProbe();
    // Ctrl+C stops the walk between two slices, and the page drops what it kept of it.
    CWalkControl control;
    control.cancellation = std::make_shared<CCancellation>();
    control.progress = [&](std::int64_t walked, std::int64_t total) {
        if (args.progress)
            output.Progress() << "marklens-cli: reading page: " << walked << " of " << total << " elements"
                              << std::endl;
        if (g_interrupted.load()) control.cancellation->Cancel();
    };
    g_walking.store(true);
    const CMirrorAnswer answer = attached.probe->RequestMirrorAnswer(*attached.page, control);
    g_walking.store(false);
    if (args.progress) output.Progress() << "marklens-cli: building the mirror" << std::endl;
    attached.mirror = BuildMirror(answer);
    return true;
}

// Attach, with a failed call turned into the connect failure: 0, else the exit status after
// the failure.
int AttachReporting(const CBrowserArgs& args, CAttached& attached, const CCliOutput& output) {
    try {
        return Attach(args, attached, output) ? 0 : 1;
    } catch (const CObjectCallError& error) {
        return ConnectFailure(output, error);
    }
}

// The live element of a mirror node that is an element or a frame (style) or also a doc (rules).
LiveElementHandle ElementOf(CAttached& attached, const std::string& idText, bool allowDoc, const CCliOutput& output) {
    long long id = 0;
    const pugi::xml_node node = ParseNumber(idText, id) && id > 0 && id <= INT32_MAX
                                    ? attached.mirror->FindNodeById(static_cast<int>(id))
                                    : pugi::xml_node();
    const schema::NodeKind kind = schema::KindOf(node);
    if (!schema::HasBox(kind) && !(allowDoc && kind == schema::NodeKind::Doc)) {
        output.Fail("no " + std::string(allowDoc ? "element or document" : "element") + " with node id " + idText);
        return nullptr;
    }
    LiveElementHandle element = attached.probe->ElementForId(std::to_string(id));
    if (!element) output.Fail("the page has no element for node id " + idText);
    return element;
}

// Prints the rows of the probe's answer; a question the probe could not answer is a failure.
template <typename Question>
int AnswerRows(const CCliOutput& output, Question question) {
    try {
        const std::optional<Json> rows = question();
        return rows ? output.Rows(*rows) : 1;
    } catch (const CObjectCallError& error) {
        return output.Fail("the probe gave no answer (" + OneLine(error.Message()) + ")");
    }
}

int RunTargets(const std::vector<std::string>& argv, const CCliOutput& output) {
    CBrowserArgs args;
    if (!ParseArgs(argv, false, args, output)) return 1;
    if (!args.positional.empty()) return output.Fail("usage: marklens-cli targets [--endpoint HOST:PORT]...");
    CChromiumShell shell(args.options);
    Json rows = Json::array();
    for (const BrowserWindowHandle& browser : shell.EnumerateBrowsers()) {
        rows.push_back({{"index", rows.size()}, {"label", browser->Label()}});
    }
    return output.Rows(rows);
}

int RunMirror(const std::vector<std::string>& argv, const CCliOutput& output) {
    CBrowserArgs args;
    if (!ParseArgs(argv, false, args, output)) return 1;
    if (args.positional.size() != 1) {
        return output.Fail("usage: marklens-cli mirror INDEX [--progress] [--endpoint HOST:PORT]...");
    }
    CAttached attached;
    if (const int failed = AttachReporting(args, attached, output)) return failed;
    return PrintMirror(*attached.mirror, output);
}

int RunStyle(const std::vector<std::string>& argv, const CCliOutput& output) {
    CBrowserArgs args;
    if (!ParseArgs(argv, true, args, output)) return 1;
    if (args.positional.size() != 2) return output.Fail("usage: marklens-cli style INDEX NODE-ID [--catalog FILE]");
    if (args.catalog.empty()) {
        const CDataFileLookup lookup = FindDataFile("attribs.xml");
        if (!lookup.Found()) return output.Fail(lookup.Problem());
        args.catalog = lookup.path;
    }
    CAttributeCatalog catalog;
    if (catalog.Load(args.catalog) != CAttributeCatalog::LoadResult::Loaded) {
        return output.Fail("find attribs.xml (cannot read " + args.catalog + ")");
    }
    CAttached attached;
    if (const int failed = AttachReporting(args, attached, output)) return failed;
    return AnswerRows(output, [&]() -> std::optional<Json> {
        const LiveElementHandle element = ElementOf(attached, args.positional[1], false, output);
        if (!element) return std::nullopt;
        const auto values = ParseCurrentStyle(attached.probe->CurrentStyle(*element, catalog.QuestionXml()));
        if (!values) throw CObjectCallError(status::kFail, "its answer does not parse");
        Json rows = Json::array();
        for (std::size_t i = 0; i < catalog.Entries().size(); ++i) {
            const CStyleValue value = i < values->size() ? (*values)[i] : CStyleValue{};
            rows.push_back({{"name", catalog.Entries()[i].name},
                            {"current", value.current},
                            {"default", value.defaultValue},
                            {"changed", !value.EqualsDefault()}});
        }
        return rows;
    });
}

int RunRules(const std::vector<std::string>& argv, const CCliOutput& output) {
    CBrowserArgs args;
    if (!ParseArgs(argv, false, args, output)) return 1;
    if (args.positional.size() != 2) return output.Fail("usage: marklens-cli rules INDEX NODE-ID");
    CAttached attached;
    if (const int failed = AttachReporting(args, attached, output)) return failed;
    return AnswerRows(output, [&]() -> std::optional<Json> {
        const LiveElementHandle element = ElementOf(attached, args.positional[1], true, output);
        if (!element) return std::nullopt;
        const auto rules = ParseStyleRules(attached.probe->StyleRules(*element));
        if (!rules) throw CObjectCallError(status::kFail, "its answer does not parse");
        Json rows = Json::array();
        for (const CStyleRule& rule : *rules) {
            rows.push_back({{"selector", rule.selector},
                            {"precedence", rule.score},
                            {"source", rule.source},
                            {"rule", rule.text}});
        }
        return rows;
    });
}

int RunSetStyle(const std::vector<std::string>& argv, const CCliOutput& output) {
    CBrowserArgs args;
    if (!ParseArgs(argv, false, args, output)) return 1;
    if (args.positional.size() != 4) return output.Fail("usage: marklens-cli set-style INDEX NODE-ID NAME VALUE");
    CAttached attached;
    if (const int failed = AttachReporting(args, attached, output)) return failed;
    const LiveElementHandle element = ElementOf(attached, args.positional[1], false, output);
    if (!element) return 1;
    const std::string& name = args.positional[2];
    const std::string& value = args.positional[3];
    try {
        element->SetStyleAttribute(name, value);
    } catch (const CObjectCallError& error) {
        return output.Fail(std::string(message::kValueNotAccepted) +
                           (error.Message().empty() ? "" : " (" + OneLine(error.Message()) + ")"));
    }
    return output.JsonOnly({{"id", std::stoi(args.positional[1])}, {"name", name}, {"value", value}});
}

int RunCapture(const std::vector<std::string>& argv, const CCliOutput& output) {
    CBrowserArgs args;
    if (!ParseArgs(argv, false, args, output)) return 1;
    if (args.positional.size() != 2) return output.Fail("usage: marklens-cli capture INDEX FILE.png");
    const std::string& path = args.positional[1];
    try {
        CChromiumShell shell(args.options);
        const BrowserWindowHandle browser = Browser(shell, args.positional[0], output);
        if (!browser) return 1;
        const CPicture picture = browser->Document()->CapturePicture();
        std::ofstream file(path, std::ios::binary);
        const std::string png = EncodePng(picture);
        if (!file.write(png.data(), static_cast<std::streamsize>(png.size()))) {
            return output.Fail("cannot write " + path);
        }
        return output.Answer({{"file", path},
                              {"width", picture.width},
                              {"height", picture.height},
                              {"scale", picture.scale},
                              {"bytes", png.size()}},
                             std::to_string(picture.width) + 'x' + std::to_string(picture.height));
    } catch (const CObjectCallError& error) {
        return ConnectFailure(output, error);
    }
}

}  // namespace

void CatchInterrupts() { std::signal(SIGINT, OnInterrupt); }

std::vector<CCliCommand> BrowserCommands() {
    return {
        {"targets", "[--endpoint HOST:PORT]...", "the browser pages found: INDEX<TAB>LABEL",
         "[{\"index\", \"label\"}, ...]", RunTargets},
        {"mirror", "INDEX [--progress] [--endpoint HOST:PORT]...",
         "attach to page INDEX and print its mirror; --progress tells on stderr how far the walk got", "as mark's",
         RunMirror},
        {"style", "INDEX NODE-ID [--catalog FILE] [--endpoint HOST:PORT]...",
         "the catalog's current values for an element: NAME<TAB>CURRENT<TAB>DEFAULT<TAB>* where not the default",
         "[{\"name\", \"current\", \"default\", \"changed\": true or false}, ...]", RunStyle},
        {"rules", "INDEX NODE-ID [--endpoint HOST:PORT]...",
         "the rules that apply to an element or a document, the winner first: "
         "SELECTOR<TAB>PRECEDENCE<TAB>SOURCE<TAB>RULE",
         "[{\"selector\", \"precedence\", \"source\", \"rule\"}, ...]", RunRules},
        {"set-style", "INDEX NODE-ID NAME VALUE [--endpoint HOST:PORT]...",
         "set one inline style attribute, as the dialog does; prints nothing", "{\"id\", \"name\", \"value\"}",
         RunSetStyle},
        {"capture", "INDEX FILE.png [--endpoint HOST:PORT]...",
         "save a picture of page INDEX as PNG, at the browser's device pixels, and print its WIDTHxHEIGHT",
         "{\"file\", \"width\", \"height\", \"scale\": device pixels per CSS pixel, \"bytes\"}", RunCapture},
    };
}

}  // namespace marklens::cli
