#pragma once
// Small helpers for building prepared reports in code: designed objects on a
// source page, and printed copies of them on prepared pages. The sample and
// benchmark generators share them.

#include "document/qdxClass.h"
#include "document/qdxPreviewPages.h"
#include "platform/CodePage.h"

#include <memory>
#include <string>

namespace kit {

template <class T>
T* Add(TqdxComponent& parent, const std::string& name, double l, double t, double w, double h) {
  auto obj = std::make_unique<T>();
  obj->Name = name;
  obj->SetBounds(l, t, w, h);
  return static_cast<T*>(parent.AddChild(std::move(obj)));
}

inline TqdxMemoView* Memo(TqdxComponent& parent, const std::string& name, double l, double t, double w, double h,
                          const std::string& text) {
  auto* m = Add<TqdxMemoView>(parent, name, l, t, w, h);
  m->SetText(Utf8ToUtf16(text));
  return m;
}

inline void SetFont(TqdxComponent& c, const std::string& face, int size, TqdxFontStyles style = 0,
                    TqdxColor color = clBlack) {
  TqdxFont f;
  f.SetName(face);
  f.SetSize(size);
  f.SetStyle(style);
  f.SetColor(color);
  c.SetFont(f);
}

inline std::unique_ptr<TqdxReportPage> NewPage(const std::string& name, double margin = 10) {
  auto page = std::make_unique<TqdxReportPage>();
  page->Name = name;
  page->LeftMargin = page->RightMargin = page->TopMargin = page->BottomMargin = margin;
  return page;
}

// The printable width of a page in pixels.
inline double InnerWidth(const TqdxReportPage& p) {
  return (p.GetPaperWidth() - p.LeftMargin - p.RightMargin) * qd01cm;
}

// A printed copy of a source object below parent: same class, values and name.
template <class T = TqdxComponent>
T* Copy(const TqdxComponent& source, TqdxComponent& parent) {
  auto created = qdxCreateObject(source.ClassName());
  auto* c = static_cast<TqdxComponent*>(created.release());
  c->Assign(source);
  c->Name = source.Name;
  parent.AddChild(std::unique_ptr<TqdxComponent>(c));
  return static_cast<T*>(c);
}

// A printed copy of a source page, without its objects.
inline std::unique_ptr<TqdxReportPage> PageLike(const TqdxReportPage& source) {
  auto page = std::make_unique<TqdxReportPage>();
  page->Assign(source);
  page->Name = source.Name;
  return page;
}

inline void SetText(TqdxComponent* c, const std::string& text) {
  static_cast<TqdxCustomMemoView*>(c)->SetText(Utf8ToUtf16(text));
}

// A small 24-bit BMP file: a blue-to-green gradient with a white diagonal,
// enough to show that pictures survive a conversion.
inline std::string SampleBitmap(int w = 48, int h = 32) {
  int row = (w * 3 + 3) & ~3;
  uint32_t size = 54 + static_cast<uint32_t>(row * h);
  std::string b(size, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, size);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(h));
  b[26] = 1;
  b[28] = 24;
  put32(34, static_cast<uint32_t>(row * h));
  put32(38, 3780);
  put32(42, 3780);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      size_t at = 54 + static_cast<size_t>(y * row + x * 3);
      bool diag = std::abs(x * h - y * w) < w;
      b[at] = static_cast<char>(diag ? 255 : 255 - x * 255 / w);      // blue
      b[at + 1] = static_cast<char>(diag ? 255 : y * 255 / h);        // green
      b[at + 2] = static_cast<char>(diag ? 255 : 40);                 // red
    }
  return b;
}

}  // namespace kit
