#include "export/pdf/qdxPDFOutline.h"

#include "export/pdf/qdxExportPDFHelpers.h"
#include "platform/CodePage.h"

TqdxPDFOutlineNode::~TqdxPDFOutlineNode() {
  // Long sibling chains are freed in a loop rather than by recursion.
  std::unique_ptr<TqdxPDFOutlineNode> next = std::move(Next);
  while (next) next = std::move(next->Next);
}

TqdxPDFOutlineNode* TqdxPDFOutlineNode::AddChild(std::unique_ptr<TqdxPDFOutlineNode> child) {
  TqdxPDFOutlineNode* c = child.get();
  c->Parent = this;
  c->Prev = Last;
  if (Last)
    Last->Next = std::move(child);
  else
    First = std::move(child);
  Last = c;
  Count += 1;
  CountTree += c->CountTree + 1;
  return c;
}

namespace {

void AddItems(TqdxPDFOutlineNode& parent, const std::vector<TqdxPDFOutlineItem>& items,
              const TqdxPDFPageMap& map) {
  for (const auto& item : items) {
    std::optional<int> dest = map ? map(item.Page) : std::optional<int>(item.Page);
    if (!dest) continue;
    auto node = std::make_unique<TqdxPDFOutlineNode>();
    node->Title = item.Title;
    node->Dest = *dest;
    node->Top = item.Top;
    // Children first, so the parent's tree count includes them when it adds the node.
    AddItems(*node, item.Children, map);
    parent.AddChild(std::move(node));
  }
}

int Number(int next, TqdxPDFOutlineNode& node) {
  for (TqdxPDFOutlineNode* n = &node; n; n = n->Next.get()) {
    n->Number = next++;
    if (n->First) next = Number(next, *n->First);
  }
  return next;
}

void WriteItems(TPDFObjectsHelper& objects, TqdxPDFOutlineNode& first,
                const std::vector<TqdxPDFPageTarget>& pages) {
  for (TqdxPDFOutlineNode* n = &first; n; n = n->Next.get()) {
    if (objects.StartNewObject() != n->Number) throw EPDFError("Outline numbering out of step");
    objects.WriteLine("<<");
    objects.WriteLine("/Title " + objects.PdfText(Utf8ToUtf16(n->Title), n->Number));
    objects.WriteLine("/Parent " + PdfRef(n->Parent->Number));
    if (n->Prev) objects.WriteLine("/Prev " + PdfRef(n->Prev->Number));
    if (n->Next) objects.WriteLine("/Next " + PdfRef(n->Next->Number));
    if (n->First) {
      objects.WriteLine("/First " + PdfRef(n->First->Number));
      objects.WriteLine("/Last " + PdfRef(n->Last->Number));
      // Every item is open, so the count is that of all descendants.
      objects.WriteLine("/Count " + std::to_string(n->CountTree));
    }
    if (n->Dest >= 0 && n->Dest < int(pages.size())) {
      const auto& page = pages[size_t(n->Dest)];
      objects.WriteLine("/Dest [" + std::to_string(page.Number) + " 0 R /XYZ 0 " +
                        std::to_string(PdfRound(page.Height - n->Top * 0.75)) + " 0]");
    }
    objects.WriteLine(">>");
    objects.WriteLine("endobj");
    if (n->First) WriteItems(objects, *n->First, pages);
  }
}

}  // namespace

std::unique_ptr<TqdxPDFOutlineNode> BuildPDFOutline(const std::vector<TqdxPDFOutlineItem>& items,
                                                    const TqdxPDFPageMap& map) {
  auto root = std::make_unique<TqdxPDFOutlineNode>();
  AddItems(*root, items, map);
  return root;
}

int WritePDFOutline(TPDFObjectsHelper& objects, TqdxPDFOutlineNode& root,
                    const std::vector<TqdxPDFPageTarget>& pages) {
  if (root.CountTree == 0) return 0;
  root.Number = objects.ObjectCount() + 1;
  Number(root.Number + 1, *root.First);
  if (objects.StartNewObject() != root.Number) throw EPDFError("Outline numbering out of step");
  objects.WriteLine("<<");
  objects.WriteLine("/Type /Outlines");
  objects.WriteLine("/Count " + std::to_string(root.CountTree));
  objects.WriteLine("/First " + PdfRef(root.First->Number));
  objects.WriteLine("/Last " + PdfRef(root.Last->Number));
  objects.WriteLine(">>");
  objects.WriteLine("endobj");
  WriteItems(objects, *root.First, pages);
  return root.Number;
}
