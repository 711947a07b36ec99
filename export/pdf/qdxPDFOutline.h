#pragma once
// The document outline (bookmarks): a tree built from the report's outline,
// limited to the exported pages, written as outline item objects whose
// numbers are known before the first is written (items refer forward to
// their siblings and children).

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TPDFObjectsHelper;

// One entry of the report's outline.
struct TqdxPDFOutlineItem {
  std::string Title;  // 8-bit text in the system code page
  int Page = -1;      // report page index
  double Top = 0;     // position on the page in report pixels
  std::vector<TqdxPDFOutlineItem> Children;
};

class TqdxPDFOutlineNode {
public:
  TqdxPDFOutlineNode() = default;
  ~TqdxPDFOutlineNode();  // frees Next and First
  TqdxPDFOutlineNode(const TqdxPDFOutlineNode&) = delete;
  TqdxPDFOutlineNode& operator=(const TqdxPDFOutlineNode&) = delete;

  // Appends a last child and keeps the counts of this node.
  TqdxPDFOutlineNode* AddChild(std::unique_ptr<TqdxPDFOutlineNode> child);

  std::string Title;
  int Dest = -1;      // exported page position, or -1
  double Top = 0;     // report pixels
  int Number = 0;     // object number
  int Count = 0;      // direct children
  int CountTree = 0;  // all descendants
  TqdxPDFOutlineNode* Parent = nullptr;
  std::unique_ptr<TqdxPDFOutlineNode> First;
  TqdxPDFOutlineNode* Last = nullptr;
  TqdxPDFOutlineNode* Prev = nullptr;
  std::unique_ptr<TqdxPDFOutlineNode> Next;
};

// Report page index to position among the exported pages; nullopt when the
// page is not exported, which leaves the item out together with its children.
using TqdxPDFPageMap = std::function<std::optional<int>(int page)>;

// The tree under a root node; an empty map means every page is exported at
// its own index.
std::unique_ptr<TqdxPDFOutlineNode> BuildPDFOutline(const std::vector<TqdxPDFOutlineItem>& items,
                                                    const TqdxPDFPageMap& map = {});

struct TqdxPDFPageTarget {
  int Number = 0;      // page object number
  double Height = 0;   // page height in points
};

// Writes the outline root and its items when the root has any; returns the
// root's object number, or 0 when nothing was written. An item whose page is
// not among pages has no destination.
int WritePDFOutline(TPDFObjectsHelper& objects, TqdxPDFOutlineNode& root,
                    const std::vector<TqdxPDFPageTarget>& pages);
