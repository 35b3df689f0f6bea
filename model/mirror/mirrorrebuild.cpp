#include "mirrorrebuild.h"

#include <new>

#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"
#include "model/page/livepage.h"
#include "model/page/pageprobe.h"
#include "pagemirror.h"

namespace marklens {

std::unique_ptr<CPageMirror> BuildMirror(const CMirrorAnswer& answer, const std::vector<int>* ids) {
    std::unique_ptr<CPageMirror> mirror;
    try {
        mirror = std::make_unique<CPageMirror>();
    } catch (const std::bad_alloc&) {
        throw CObjectCallError(status::kFail, "out of memory for the page mirror");
    }
    if (answer.records) {
        mirror->BuildFromRecords(answer.text, ids);
        return mirror;
    }
    if (!mirror->LoadXml(answer.text)) throw CObjectCallError(status::kFail, mirror->LoadError());
    mirror->MarkOutsideChildren();
    return mirror;
}

void RebuildMirror(IPageProbe& probe, ILivePage& page, std::unique_ptr<CPageMirror>& mirror) {
    const CMirrorAnswer answer = probe.RequestMirrorAnswer(page);
    mirror.reset();
    try {
        mirror = BuildMirror(answer);
    } catch (...) {
        mirror = std::make_unique<CPageMirror>();
        throw;
    }
}

}  // namespace marklens
