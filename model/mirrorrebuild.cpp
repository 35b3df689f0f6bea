#include "mirrorrebuild.h"

#include <new>

#include "livepage.h"
#include "objectcallerror.h"
#include "pagemirror.h"
#include "statuscodes.h"

namespace marklens {

void RebuildMirror(IPageProbe& probe, ILivePage& page, std::unique_ptr<CPageMirror>& mirror) {
    const std::string text = probe.RequestMirror(page, 0, 0);
    mirror.reset();
    try {
        mirror = std::make_unique<CPageMirror>();
    } catch (const std::bad_alloc&) {
        throw CObjectCallError(status::kFail, "out of memory for the page mirror");
    }
    if (!mirror->LoadXml(text)) throw CObjectCallError(status::kFail, mirror->LoadError());
    mirror->MarkOutsideChildren();
}

}  // namespace marklens
