#include "browserfixture.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "browser/chromiumtab.h"
#include "browser/devtoolsendpoint.h"
#include "browser/probelocation.h"
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

pugi::xml_node NodeWithLabel(const CPageMirror& mirror, const std::string& text) {
    for (const pugi::xpath_node& hit : mirror.Xml().select_nodes("//*")) {
        const std::string label = hit.node().attribute("text").as_string();
        if (label.find(text) != std::string::npos) return hit.node();
    }
    return {};
}

}  // namespace marklens::testing
