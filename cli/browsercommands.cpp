#include "browsercommands.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <csignal>
#include <fstream>
#include <optional>
#include <thread>

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
#include "model/mirror/mirrorreading.h"
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

// Watching ends on Ctrl+C or SIGTERM as it ends after --for: between two polls, or with the
// walk that runs dropped in the page.
std::atomic<bool> g_stopWatching{false};

extern "C" void OnStopWatching(int) {
    g_stopWatching.store(true);
    g_interrupted.store(true);
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
    std::chrono::steady_clock::time_point probeMade;  // what the probe's change times count from
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
    attached.probeMade = std::chrono::steady_clock::now();
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

using WatchClock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kWatchPoll{50};
// Box lines of one poll beyond these are only counted.
constexpr int kMaxBoxLines = 100;

// What a mirror node shows of itself: its label and its box, by node number.
struct CNodeLook {
    bool boxed = false;
    std::string label;
    std::string box;  // "LEFT TOP WIDTH HEIGHT"
};

std::vector<CNodeLook> NodeLooks(const CPageMirror& mirror) {
    std::vector<CNodeLook> looks;
    // Pre-order without recursion: pages nest deeper than a stack allows.
    for (pugi::xml_node node = mirror.DocumentElement(); node;) {
        if (schema::HasBox(schema::KindOf(node))) {
            const int id = IntAttribute(node, schema::kNodeId);
            if (id > 0) {
                if (looks.size() <= static_cast<std::size_t>(id)) looks.resize(static_cast<std::size_t>(id) + 1);
                const CBoxAttributes box(node);
                looks[static_cast<std::size_t>(id)] = {
                    true, StringAttribute(node, schema::kText),
                    std::to_string(box.Number(kLeft)) + ' ' + std::to_string(box.Number(kTop)) + ' ' +
                        std::to_string(box.Number(kWidth)) + ' ' + std::to_string(box.Number(kHeight))};
            }
        }
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && !node.next_sibling())
            node = node.parent();
        if (node) node = node.next_sibling();
    }
    return looks;
}

// The watched page: its probe, the last mirror, and what happened to the tree since.
class CWatch {
public:
    CWatch(CAttached& attached, const CCliOutput& output, WatchClock::time_point start)
        : attached_(attached), output_(output), start_(start), looks_(NodeLooks(*attached.mirror)) {}

    // Takes and prints the page's changes; a poll that says boxes may have moved walks the page
    // again and prints the boxes that did. Throws CObjectCallError.
    void Poll() {
        const CPageChanges changes = attached_.probe->TakeChanges();
        if (changes.lost) {
            output_.Progress() << "marklens-cli: the page has a new document; reading it again" << std::endl;
            Walk();
            return;
        }
        if (changes.hidden != hidden_) {
            hidden_ = changes.hidden;
            if (hidden_) output_.Progress() << "marklens-cli: the page is hidden: it renders nothing now" << std::endl;
        }
        const double made = std::chrono::duration<double, std::milli>(attached_.probeMade - start_).count();
        for (const CPageChange& change : changes.changes) {
            Print(std::llround(made + change.ms), change.kind, change.nodeId, change.label, change.what);
            if (change.kind == "added" || change.kind == "removed") treeChanged_ = true;
        }
        if (changes.seen > static_cast<std::int64_t>(changes.changes.size())) treeChanged_ = true;
        if (changes.layout) {
            const bool treeChanged = treeChanged_;
            const std::vector<CNodeLook> before = std::move(looks_);
            Walk();
            PrintBoxes(before, !treeChanged && before.size() == looks_.size());
        }
        output_.Flush();
    }

private:
    void Walk() {
        CWalkControl control;
        control.cancellation = std::make_shared<CCancellation>();
        control.progress = [&](std::int64_t, std::int64_t) {
            if (g_stopWatching.load()) control.cancellation->Cancel();
        };
        attached_.mirror = BuildMirror(attached_.probe->RequestMirrorAnswer(*attached_.page, control));
        looks_ = NodeLooks(*attached_.mirror);
        treeChanged_ = false;
    }

    // A node is the same node as before when it has the same number in the same tree, or, once
    // the tree changed, the same number and label.
    void PrintBoxes(const std::vector<CNodeLook>& before, bool sameTree) {
        const long long ms = Now();
        int printed = 0;
        int more = 0;
        for (std::size_t id = 1; id < looks_.size() && id < before.size(); ++id) {
            const CNodeLook& now = looks_[id];
            const CNodeLook& was = before[id];
            if (!now.boxed || !was.boxed || now.box == was.box) continue;
            if (!sameTree && now.label != was.label) continue;
            if (printed == kMaxBoxLines) {
                ++more;
                continue;
            }
            Print(ms, "box", static_cast<int>(id), now.label, now.box);
            ++printed;
        }
        if (more > 0) Print(ms, "box", 0, "", std::to_string(more) + " more");
    }

    void Print(long long ms, const std::string& kind, int id, const std::string& label, const std::string& what) {
        output_.Line({{"ms", ms}, {"kind", kind}, {"id", id}, {"label", label}, {"what", what}});
    }

    long long Now() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(WatchClock::now() - start_).count();
    }

    CAttached& attached_;
    const CCliOutput& output_;
    const WatchClock::time_point start_;
    std::vector<CNodeLook> looks_;
    bool treeChanged_ = false;
    bool hidden_ = false;
};

// The failure on stderr in both forms, and under --json also as the usual error line.
int WatchFailure(const CCliOutput& output, const std::string& text) {
    if (output.IsJson()) output.Progress() << "marklens-cli: " << text << std::endl;
    return output.Fail(text);
}

int RunWatch(const std::vector<std::string>& argv, const CCliOutput& output) {
    const WatchClock::time_point start = WatchClock::now();
    static constexpr const char* kUsage =
        "usage: marklens-cli watch INDEX [--for SECONDS] [--endpoint HOST:PORT]... (SECONDS a number above 0)";
    std::vector<std::string> rest;
    std::optional<std::chrono::milliseconds> duration;
    for (std::size_t i = 0; i < argv.size(); ++i) {
        if (argv[i] != "--for") {
            rest.push_back(argv[i]);
            continue;
        }
        double seconds = 0;
        const std::string value = i + 1 < argv.size() ? argv[++i] : "";
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), seconds);
        if (ec != std::errc() || end != value.data() + value.size() || !(seconds > 0) || seconds > 1e7) {
            return output.Fail(kUsage);
        }
        duration = std::chrono::milliseconds(std::llround(seconds * 1000));
    }
    CBrowserArgs args;
    if (!ParseArgs(rest, false, args, output)) return 1;
    if (args.positional.size() != 1) return output.Fail(kUsage);
    std::signal(SIGINT, OnStopWatching);
    std::signal(SIGTERM, OnStopWatching);
    CAttached attached;
    try {
        if (!Attach(args, attached, output)) return 1;
    } catch (const CObjectCallError& error) {
        if (error.Code() == status::kCancelled && g_stopWatching.load()) return 0;
        return ConnectFailure(output, error);
    }
    const WatchClock::time_point end = duration ? start + *duration : WatchClock::time_point::max();
    CWatch watch(attached, output, start);
    try {
        for (;;) {
            const WatchClock::time_point polled = WatchClock::now();
            if (g_stopWatching.load()) break;
            watch.Poll();
            if (g_stopWatching.load() || polled >= end) break;
            std::this_thread::sleep_until(std::min(polled + kWatchPoll, end));
        }
    } catch (const CObjectCallError& error) {
        output.Flush();
        if (error.Code() == status::kCancelled && g_stopWatching.load()) return 0;
        if (dynamic_cast<const CMalformedAnswer*>(&error)) return WatchFailure(output, OneLine(error.Message()));
        const std::string detail = error.Message().empty() ? "" : " (" + OneLine(error.Message()) + ")";
        if (error.Code() == status::kTimeout) return WatchFailure(output, "the page stopped answering" + detail);
        return WatchFailure(output, "the page was closed or its browser went away" + detail);
    }
    output.Flush();
    return 0;
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
        {"watch", "INDEX [--for SECONDS] [--endpoint HOST:PORT]...",
         "attach to page INDEX and print its changes as they come, until SECONDS passed or Ctrl+C: "
         "MS<TAB>KIND<TAB>NODE-ID<TAB>LABEL<TAB>WHAT, KIND added, removed, attribute, text or box (WHAT the new "
         "LEFT TOP WIDTH HEIGHT; a box of node 0 tells how many more boxes moved)",
         "one {\"ms\", \"kind\", \"id\", \"label\", \"what\"} a line", RunWatch},
    };
}

}  // namespace marklens::cli
