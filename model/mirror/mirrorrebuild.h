#pragma once
#include <memory>
#include <vector>

namespace marklens {

class CPageMirror;
class IPageProbe;
class ILivePage;
struct CMirrorAnswer;

// The mirror of the probe's answer, marked and indexed; ids, when given, name the nodes of
// records in their order. Throws CObjectCallError (a CMalformedAnswer for malformed records).
std::unique_ptr<CPageMirror> BuildMirror(const CMirrorAnswer& answer, const std::vector<int>* ids = nullptr);

// Replaces mirror from the page through its probe, then marks outside-children. Throws
// CObjectCallError. A failed probe call leaves the old mirror; a failed load leaves a new,
// empty one; the old one is released before loading starts.
void RebuildMirror(IPageProbe& probe, ILivePage& page, std::unique_ptr<CPageMirror>& mirror);

}  // namespace marklens
