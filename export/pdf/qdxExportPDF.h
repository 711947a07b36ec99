#pragma once
// The PDF export filter: drives one PDF file per run through the document
// writer, placing every object of every page as PDF content.

#include "export/pdf/qdxPDFDocument.h"
#include "export/qdxExportBaseDialog.h"
#include "export/qdxFilterSettings.h"

#include "platform/FontDesc.h"

#include <memory>
#include <set>
#include <string>

class TBitmap;
class TqdxView;
class TqdxPDFFont;
class TqdxCustomMemoView;
class TqdxPictureView;
class TqdxPDFContentWriter;
struct TqdxPDFObjRect;

class TqdxPDFExport : public TqdxBaseDialogExportFilter, public TqdxSaveOriginalImagesOption {
public:
  QDX_CLASS(TqdxPDFExport)
  explicit TqdxPDFExport(TqdxBaseComponent* owner = nullptr, bool noRegister = false);
  ~TqdxPDFExport() override;

  void Finish() override;
  bool Start() override;
  std::string GetDescription() const override { return "PDF file"; }
  void ExportObject(TqdxComponent* obj) override;
  void FinishPage(TqdxReportPage* page, int index) override;
  void StartPage(TqdxReportPage* page, int index) override;

  bool GetSaveOriginalImages() const override { return SaveOriginalImages; }
  void SetSaveOriginalImages(bool value) override { SaveOriginalImages = value; }

  // ---- published options ----
  bool Compressed = true;
  bool EmbeddedFonts = false;
  bool EmbedFontsIfProtected = true;
  bool PrintOptimized = false;
  bool Outline = false;
  bool Background = false;
  bool HTMLTags = true;
  int32_t Quality = 95;
  bool Transparency = false;
  std::u16string Title;
  std::u16string Author = u"Quodex";
  std::u16string Subject = u"Quodex PDF export";
  std::u16string Keywords;
  std::u16string Creator = TqdxPDFOptions::DefaultCreator();
  std::u16string Producer;
  std::string UserPassword;
  std::string OwnerPassword;
  TqdxPDFEncBits ProtectionFlags = AllPDFEncBits;
  bool HideToolbar = false, HideMenubar = false, HideWindowUI = false, FitWindow = false, CenterWindow = false;
  bool PrintScaling = false;
  bool PdfA = false;
  bool SaveOriginalImages = true;

  // The document of the running export (tests look at it); none between runs.
  TqdxPDFDocument* Document() { return FDoc.get(); }
  // Fixed identifier and time for reproducible files.
  std::string FixedFileID;
  bool UseFixedTime = false;
  TqdxPDFDateTime FixedTime;

private:
  TqdxPDFOptions EffectiveOptions() const;
  void Links(TqdxView& view, const TqdxPDFObjRect& r);
  void Text(TqdxCustomMemoView& memo, const TqdxPDFObjRect& r);
  void Raster(TqdxView& view, const TqdxPDFObjRect& r);
  // The view drawn into a metafile and played as vectors; false (nothing
  // written) when playing fails.
  bool Vector(TqdxView& view, const TqdxPDFObjRect& r);
  // A metafile picture played over the object's area into a new metafile of
  // width x height pixels; damage is reported.
  std::string PictureMetafile(TqdxPictureView& view, int width, int height);
  // A picture object whose PNG picture has transparency of its own: the
  // picture with its alpha as a soft mask.
  void TransparentPicture(TqdxPictureView& view, const TqdxPDFObjRect& r);
  bool IsTransparentPng(const TqdxPictureView& view) const;
  // The pixels of the object's picture; false (reported) when damaged.
  bool DecodePicture(const TqdxPictureView& view, TBitmap& out);
  // "q", the image scaled onto the rectangle (report pixels), "Q".
  void PlaceImage(int index, double left, double top, double width, double height);
  // A problem with one object that does not stop the export: a message in
  // the report's errors, once per object and problem.
  void ReportProblem(const TqdxView& view, const std::string& problem);

  std::unique_ptr<TqdxPDFDocument> FDoc;
  // The font of the last text object: cells of a table mostly share one, and
  // finding a font by its description costs a font lookup each time.
  TFontDesc FLastFontDesc;
  TqdxPDFFont* FLastFont = nullptr;
  TqdxReportPage* FPage = nullptr;
  int FPageIndex = 0;
  std::set<std::string> FReportedProblems;
};
