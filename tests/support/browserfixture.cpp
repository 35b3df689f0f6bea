#include "browserfixture.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "browser/chromiumtab.h"
#include "browser/devtoolsendpoint.h"
#include "browser/probelocation.h"
#include "model/mirror/mirrorreading.h"
#include "model/mirror/mirrorrebuild.h"

namespace marklens::testing {

std::unique_ptr<CHeadlessChromium> CBrowserSuite::chrome_;
std::unique_ptr<CPageServer> CBrowserSuite::server_;

void CBrowserSuite::SetUpTestSuite() { StartBrowser({}); }

void CBrowserSuite::StartBrowser(const std::vector<std::string>& flags) {
    server_ = std::make_unique<CPageServer>(FixturePagesDir());
    chrome_ = std::make_unique<CHeadlessChromium>(flags);
}

void CBrowserSuite::TearDownTestSuite() {
    chrome_.reset();
    server_.reset();
}

CBrowserOptions CBrowserSuite::Options(std::chrono::milliseconds timeout) const {
    CBrowserOptions options;
    options.timeout = timeout;
    options.endpoints = {chrome_->Endpoint()};
    return options;
}

LivePageHandle CBrowserSuite::OpenPage(const std::string& path) {
    lastTarget_ = chrome_->OpenTab(server_->Url(0, path));
    CChromiumTab tab(*CDevToolsEndpoint::Parse(chrome_->Endpoint()), lastTarget_, "", Options());
    return tab.Document();
}

std::unique_ptr<CPageMirror> CBrowserSuite::Mirror(IPageProbe& probe, ILivePage& page) {
    std::unique_ptr<CPageMirror> mirror;
    RebuildMirror(probe, page, mirror);
    return mirror;
}

CProbeFile::CProbeFile(const std::string& name, const std::string& script) : path_(::testing::TempDir() + "/" + name) {
    std::ofstream file(path_);
    file << script;
    if (!file) throw std::runtime_error("cannot write " + path_);
}

CProbeFile::~CProbeFile() { std::remove(path_.c_str()); }

std::string CProbeFile::Wrapped(const std::string& statements) {
    std::ifstream real(DefaultProbePath());
    std::stringstream source;
    source << real.rdbuf();
    return "(() => { const probe = " + source.str() + ";\n" + statements + "\nreturn probe; })()";
}

int CheckColouredBoxes(const CPageMirror& mirror, const CPicture& picture, int edgeBand) {
    int checked = 0;
    const std::regex colour("id=\"c-([0-9a-f]{6})\"");
    for (const pugi::xpath_node& hit : mirror.Xml().select_nodes("//element")) {
        std::smatch match;
        const std::string label = StringAttribute(hit.node(), "text");
        if (!std::regex_search(label, match, colour)) continue;
        const std::uint32_t want = 0xFF000000u | static_cast<std::uint32_t>(std::stoul(match[1], nullptr, 16));
        const CBox edges = ToPictureBox(NodeBox(hit.node()), picture.scale);
        const CBox box{edges.left + edgeBand, edges.top + edgeBand, edges.right - edgeBand, edges.bottom - edgeBand};
        int inside = 0;
        for (int y = std::max(box.top, 0); y < std::min(box.bottom, picture.height); ++y) {
            for (int x = std::max(box.left, 0); x < std::min(box.right, picture.width); ++x) {
                ++inside;
                if (picture.Pixel(x, y) != want) {
                    ADD_FAILURE() << label << " at " << x << "," << y << ": " << std::hex << picture.Pixel(x, y);
                    return checked;
                }
            }
        }
        // The pixel just outside each edge is not the box's colour (the boxes sit on white).
        if (edges.left > edgeBand && box.top < picture.height && edges.left <= picture.width) {
            EXPECT_NE(picture.Pixel(edges.left - 1 - edgeBand, std::max(box.top, 0)), want) << label;
        }
        if (inside > 0) ++checked;
    }
    return checked;
}

pugi::xml_node NodeWithLabel(const CPageMirror& mirror, const std::string& text) {
    for (const pugi::xpath_node& hit : mirror.Xml().select_nodes("//*")) {
        const std::string label = hit.node().attribute("text").as_string();
        if (label.find(text) != std::string::npos) return hit.node();
    }
    return {};
}

int RunCommand(const std::string& commandLine, std::string& output) {
    FILE* pipe = popen(commandLine.c_str(), "r");
    char buffer[4096];
    output.clear();
    while (pipe && fgets(buffer, sizeof buffer, pipe))
        output += buffer;
    return pipe ? WEXITSTATUS(pclose(pipe)) : -1;
}

}  // namespace marklens::testing
