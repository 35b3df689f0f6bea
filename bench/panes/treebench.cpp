#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <utility>

#include <QApplication>
#include <QTreeWidget>

#include "model/document/pagewrightdoc.h"
#include "model/mirror/mirrorreading.h"
#include "model/mirror/pagemirror.h"
#include "panes/mirrortreemodel.h"
#include "panes/probetreeview.h"
#include "tests/support/documentfakes.h"
#include "tests/support/syntheticmirror.h"

namespace marklens::bench {
namespace {

constexpr int kElements = 100000;

// One document attached to a 100,000-element page, and the two deepest elements: one in the
// first half of the page, one at its end.
struct CBigPage {
    CBigPage() {
        auto page = std::make_shared<test::CFakePage>();
        auto probe = std::make_shared<test::CFakeProbe>();
        testing::CSyntheticMirrorShape shape;
        shape.nodes = kElements;
        probe->mirrorText = testing::MakePageMirror(shape);
        page->probe = probe;
        doc.AttachPage(page, "big page", [](const CWorkOutcome&) {});
        FindDeepest(doc.Mirror()->DocumentElement(), 0);
    }

    void FindDeepest(pugi::xml_node node, int depth) {
        ++count;
        const bool firstHalf = count < kElements / 2;
        int& best = firstHalf ? firstDepth : lastDepth;
        if (depth >= best) {
            best = depth;
            (firstHalf ? firstDeep : lastDeep) = IntAttribute(node, "node-id");
        }
        for (pugi::xml_node child : node.children()) FindDeepest(child, depth + 1);
    }

    test::CRecordingUi ui;
    CPagewrightDoc doc{ui, nullptr, CPagewrightDoc::Jobs::Inline};
    int count = 0, firstDepth = 0, lastDepth = 0, firstDeep = 0, lastDeep = 0;
};

CBigPage& BigPage() {
    static CBigPage page;
    return page;
}

void Paint(QAbstractItemView& view) {
    QCoreApplication::processEvents();  // the root opens after the update
    view.viewport()->repaint();
}

void BM_TreeRebuildModelView(benchmark::State& state) {
    CBigPage& page = BigPage();
    CProbeTreeView tree(page.doc);
    tree.resize(400, 800);
    tree.show();
    for (auto _ : state) {
        page.doc.UpdateAllViews(nullptr, HintPageRebuilt);
        Paint(tree);
    }
    state.counters["items"] = tree.TreeModel().ItemCount();
}
BENCHMARK(BM_TreeRebuildModelView)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_TreeSelectDeepModelView(benchmark::State& state) {
    CBigPage& page = BigPage();
    CProbeTreeView tree(page.doc);
    tree.resize(400, 800);
    tree.show();
    page.doc.UpdateAllViews(nullptr, HintPageRebuilt);
    Paint(tree);
    int which = 0;
    for (auto _ : state) {
        // Alternate, so each step moves the selection and reveals another part of the tree.
        page.doc.SetSelection(++which % 2 ? page.firstDeep : page.lastDeep, nullptr);
    }
}
BENCHMARK(BM_TreeSelectDeepModelView)->Unit(benchmark::kMillisecond)->Iterations(200);

// The literal way: a widget item per element, each inserted with its expanded state.
void AddItems(QTreeWidgetItem* item, pugi::xml_node node) {
    for (pugi::xml_node child : node.children()) {
        auto* childItem = new QTreeWidgetItem(item, QStringList{QString::fromUtf8(child.attribute("text").value())});
        childItem->setData(0, Qt::UserRole, IntAttribute(child, "node-id"));
        if (!std::string_view(child.attribute("text").value()).starts_with("<HEAD")) childItem->setExpanded(true);
        AddItems(childItem, child);
    }
}

void RebuildWidgetTree(QTreeWidget& tree, pugi::xml_node root) {
    tree.clear();
    auto* top = new QTreeWidgetItem(&tree, QStringList{QString::fromUtf8(root.attribute("text").value())});
    top->setData(0, Qt::UserRole, IntAttribute(root, "node-id"));
    AddItems(top, root);
    QMetaObject::invokeMethod(&tree, [top] { top->setExpanded(true); }, Qt::QueuedConnection);
}

void ShowWidgetTree(QTreeWidget& tree) {
    tree.setHeaderHidden(true);
    tree.setUniformRowHeights(true);
    tree.resize(400, 800);
    tree.show();
}

void BM_TreeRebuildWidgetItems(benchmark::State& state) {
    CBigPage& page = BigPage();
    QTreeWidget tree;
    ShowWidgetTree(tree);
    for (auto _ : state) {
        RebuildWidgetTree(tree, page.doc.Mirror()->DocumentElement());
        Paint(tree);
    }
}
BENCHMARK(BM_TreeRebuildWidgetItems)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_TreeSelectDeepWidgetItems(benchmark::State& state) {
    CBigPage& page = BigPage();
    QTreeWidget tree;
    ShowWidgetTree(tree);
    RebuildWidgetTree(tree, page.doc.Mirror()->DocumentElement());
    Paint(tree);
    int which = 0;
    for (auto _ : state) {
        const int id = ++which % 2 ? page.firstDeep : page.lastDeep;
        for (QTreeWidgetItemIterator it(&tree); *it; ++it) {
            if ((*it)->data(0, Qt::UserRole).toInt() == id) {
                tree.setCurrentItem(*it);
                tree.scrollToItem(*it);
                break;
            }
        }
    }
}
BENCHMARK(BM_TreeSelectDeepWidgetItems)->Unit(benchmark::kMillisecond)->Iterations(50);

}  // namespace
}  // namespace marklens::bench
