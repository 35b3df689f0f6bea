#include "browsercommands.h"

#include <atomic>
#include <charconv>
#include <csignal>
#include <fstream>
#include <ostream>

#include <unistd.h>

#include "base/datafilelookup.h"
#include "browser/chromiumshell.h"
#include "browser/pngcodec.h"
#include "browser/probelocation.h"
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

// False (after the error line) for an unknown option or a missing value.
bool ParseArgs(const std::vector<std::string>& args, bool allowCatalog, CBrowserArgs& parsed, std::ostream& err) {
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
            Fail(err, "unknown or incomplete option " + arg);
            return false;
        } else {
            parsed.positional.push_back(arg);
        }
    }
    return true;
}

// One line of text: control characters would break the INDEX<TAB>LABEL lines.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    return text;
}

int ConnectFailure(std::ostream& err, const CObjectCallError& error) {
    if (error.Code() == status::kCancelled) {
        Fail(err, "cancelled");
        return kInterruptedStatus;
    }
    // The browser answered, but not in the probe's format: not a connection failure.
    if (dynamic_cast<const CMalformedAnswer*>(&error)) return Fail(err, OneLine(error.Message()));
    const std::string text = ConnectErrorText(error);
    if (error.Code() == status::kAccessDenied) return Fail(err, OneLine(text));
    return Fail(err, text + (error.Message().empty() ? "" : " (" + OneLine(error.Message()) + ")"));
}

// The browser at INDEX of the enumeration; null after the error line.
BrowserWindowHandle Browser(CChromiumShell& shell, const std::string& indexText, std::ostream& err) {
    long long index = -1;
    if (!ParseNumber(indexText, index) || index < 0) {
        Fail(err, "INDEX must be a number from 0, not '" + indexText + "'");
        return nullptr;
    }
    const std::vector<BrowserWindowHandle> browsers = shell.EnumerateBrowsers();
    if (index >= static_cast<long long>(browsers.size())) {
        Fail(err, "no browser at index " + indexText + " (" + std::to_string(browsers.size()) + " found)");
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

// Attaches to the page at INDEX; false after the error line. Throws CObjectCallError.
bool Attach(const CBrowserArgs& args, CAttached& attached, std::ostream& err) {
    CChromiumShell shell(args.options);
    if (!shell.IsProbeLibraryRegistered()) {
        Fail(err, std::string(message::kLibraryNotRegistered) + " (" + MissingProbeText(args.options.probePath) + ")");
        return false;
    }
    const BrowserWindowHandle browser = Browser(shell, args.positional.at(0), err);
    if (!browser) return false;
    attached.page = browser->Document();
    attached.probe = attached.page->CreateProbe();
    // Ctrl+C stops the walk between two slices, and the page drops what it kept of it.
    CWalkControl control;
    control.cancellation = std::make_shared<CCancellation>();
    control.progress = [&](std::int64_t walked, std::int64_t total) {
        if (args.progress)
            err << "marklens-cli: reading page: " << walked << " of " << total << " elements" << std::endl;
        if (g_interrupted.load()) control.cancellation->Cancel();
    };
    g_walking.store(true);
    const CMirrorAnswer answer = attached.probe->RequestMirrorAnswer(*attached.page, control);
    g_walking.store(false);
    if (args.progress) err << "marklens-cli: building the mirror" << std::endl;
    attached.mirror = BuildMirror(answer);
    return true;
}

// Attach, with a failed call turned into the connect error line: 0, else the exit status
// after the error line.
int AttachReporting(const CBrowserArgs& args, CAttached& attached, std::ostream& err) {
    try {
        return Attach(args, attached, err) ? 0 : 1;
    } catch (const CObjectCallError& error) {
        return ConnectFailure(err, error);
    }
}

// The live element of a mirror node that is an element or a frame (style) or also a doc (rules).
LiveElementHandle ElementOf(CAttached& attached, const std::string& idText, bool allowDoc, std::ostream& err) {
    long long id = 0;
    const pugi::xml_node node = ParseNumber(idText, id) && id > 0 && id <= INT32_MAX
                                    ? attached.mirror->FindNodeById(static_cast<int>(id))
                                    : pugi::xml_node();
    const schema::NodeKind kind = schema::KindOf(node);
    if (!schema::HasBox(kind) && !(allowDoc && kind == schema::NodeKind::Doc)) {
        Fail(err, "no " + std::string(allowDoc ? "element or document" : "element") + " with node id " + idText);
        return nullptr;
    }
    LiveElementHandle element = attached.probe->ElementForId(std::to_string(id));
    if (!element) Fail(err, "the page has no element for node id " + idText);
    return element;
}

// Prints the probe's answer; a question the probe could not answer is one error line.
template <typename Question>
int Answer(std::ostream& err, std::ostream& out, Question question) {
    try {
        const std::optional<std::string> answer = question();
        if (!answer) return 1;
        out << *answer << '\n';
        return 0;
    } catch (const CObjectCallError& error) {
        return Fail(err, "the probe gave no answer (" + OneLine(error.Message()) + ")");
    }
}

int RunTargets(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    CBrowserArgs args;
    if (!ParseArgs(argv, false, args, err)) return 1;
    if (!args.positional.empty()) return Fail(err, "usage: marklens-cli targets [--endpoint HOST:PORT]...");
    CChromiumShell shell(args.options);
    int index = 0;
    for (const BrowserWindowHandle& browser : shell.EnumerateBrowsers()) {
        out << index++ << '\t' << OneLine(browser->Label()) << '\n';
    }
    return 0;
}

int RunMirror(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    CBrowserArgs args;
    if (!ParseArgs(argv, false, args, err)) return 1;
    if (args.positional.size() != 1) {
        return Fail(err, "usage: marklens-cli mirror INDEX [--progress] [--endpoint HOST:PORT]...");
    }
    try {
        CAttached attached;
        if (!Attach(args, attached, err)) return 1;
        out << attached.mirror->ToXml() << '\n';
        return 0;
    } catch (const CObjectCallError& error) {
        return ConnectFailure(err, error);
    }
}

// One line per row, the fields separated by tabs.
std::string Row(std::initializer_list<std::string> fields) {
    std::string line;
    for (const std::string& field : fields)
        line += (line.empty() ? "" : "\t") + OneLine(field);
    return line;
}

int RunStyle(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    CBrowserArgs args;
    if (!ParseArgs(argv, true, args, err)) return 1;
    if (args.positional.size() != 2) return Fail(err, "usage: marklens-cli style INDEX NODE-ID [--catalog FILE]");
    if (args.catalog.empty()) {
        const CDataFileLookup lookup = FindDataFile("attribs.xml");
        if (!lookup.Found()) return Fail(err, lookup.Problem());
        args.catalog = lookup.path;
    }
    CAttributeCatalog catalog;
    if (catalog.Load(args.catalog) != CAttributeCatalog::LoadResult::Loaded) {
        return Fail(err, "find attribs.xml (cannot read " + args.catalog + ")");
    }
    CAttached attached;
    if (const int failed = AttachReporting(args, attached, err)) return failed;
    return Answer(err, out, [&]() -> std::optional<std::string> {
        const LiveElementHandle element = ElementOf(attached, args.positional[1], false, err);
        if (!element) return std::nullopt;
        const auto values = ParseCurrentStyle(attached.probe->CurrentStyle(*element, catalog.QuestionXml()));
        if (!values) throw CObjectCallError(status::kFail, "its answer does not parse");
        // NAME, CURRENT, DEFAULT, and "*" where the value is not the default.
        std::string text;
        for (std::size_t i = 0; i < catalog.Entries().size(); ++i) {
            const CStyleValue value = i < values->size() ? (*values)[i] : CStyleValue{};
            text += (i ? "\n" : "") + Row({catalog.Entries()[i].name, value.current, value.defaultValue,
                                           value.EqualsDefault() ? "" : "*"});
        }
        return text;
    });
}

int RunRules(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    CBrowserArgs args;
    if (!ParseArgs(argv, false, args, err)) return 1;
    if (args.positional.size() != 2) return Fail(err, "usage: marklens-cli rules INDEX NODE-ID");
    CAttached attached;
    if (const int failed = AttachReporting(args, attached, err)) return failed;
    return Answer(err, out, [&]() -> std::optional<std::string> {
        const LiveElementHandle element = ElementOf(attached, args.positional[1], true, err);
        if (!element) return std::nullopt;
        const auto rules = ParseStyleRules(attached.probe->StyleRules(*element));
        if (!rules) throw CObjectCallError(status::kFail, "its answer does not parse");
        // SELECTOR, PRECEDENCE, SOURCE, RULE, the winner first.
        std::string text;
        for (const CStyleRule& rule : *rules) {
            text += (text.empty() ? "" : "\n") + Row({rule.selector, rule.score, rule.source, rule.text});
        }
        return text;
    });
}

int RunSetStyle(const std::vector<std::string>& argv, std::ostream&, std::ostream& err) {
    CBrowserArgs args;
    if (!ParseArgs(argv, false, args, err)) return 1;
    if (args.positional.size() != 4) return Fail(err, "usage: marklens-cli set-style INDEX NODE-ID NAME VALUE");
    CAttached attached;
    if (const int failed = AttachReporting(args, attached, err)) return failed;
    const LiveElementHandle element = ElementOf(attached, args.positional[1], false, err);
    if (!element) return 1;
    try {
        element->SetStyleAttribute(args.positional[2], args.positional[3]);
        return 0;
    } catch (const CObjectCallError& error) {
        return Fail(err, std::string(message::kValueNotAccepted) +
                             (error.Message().empty() ? "" : " (" + OneLine(error.Message()) + ")"));
    }
}

int RunCapture(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    CBrowserArgs args;
    if (!ParseArgs(argv, false, args, err)) return 1;
    if (args.positional.size() != 2) return Fail(err, "usage: marklens-cli capture INDEX FILE.png");
    try {
        CChromiumShell shell(args.options);
        const BrowserWindowHandle browser = Browser(shell, args.positional[0], err);
        if (!browser) return 1;
        const CPicture picture = browser->Document()->CapturePicture();
        std::ofstream file(args.positional[1], std::ios::binary);
        const std::string png = EncodePng(picture);
        if (!file.write(png.data(), static_cast<std::streamsize>(png.size()))) {
            return Fail(err, "cannot write " + args.positional[1]);
        }
        out << picture.width << 'x' << picture.height << '\n';
        return 0;
    } catch (const CObjectCallError& error) {
        return ConnectFailure(err, error);
    }
}

}  // namespace

void CatchInterrupts() { std::signal(SIGINT, OnInterrupt); }

std::vector<CCliCommand> BrowserCommands() {
    return {
        {"targets", "[--endpoint HOST:PORT]...", RunTargets},
        {"mirror", "INDEX [--progress] [--endpoint HOST:PORT]...", RunMirror},
        {"style", "INDEX NODE-ID [--catalog FILE] [--endpoint HOST:PORT]...", RunStyle},
        {"rules", "INDEX NODE-ID [--endpoint HOST:PORT]...", RunRules},
        {"set-style", "INDEX NODE-ID NAME VALUE [--endpoint HOST:PORT]...", RunSetStyle},
        {"capture", "INDEX FILE.png [--endpoint HOST:PORT]...", RunCapture},
    };
}

}  // namespace marklens::cli
