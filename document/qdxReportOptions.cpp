#include "document/qdxReportOptions.h"

#include "document/qdxClassBuilder.h"

const TqdxClassInfo& TqdxEngineOptions::StaticClassInfo() {
  static const TqdxEnumInfo modes("TqdxSilentMode", {"simMessageBoxes", "simSilent", "simReThrow"});
  static const TqdxClassInfo& info = qdxDefineClass<TqdxEngineOptions>(
      "TqdxEngineOptions", &TqdxPersistent::StaticClassInfo(), [](TqdxClassBuilder<TqdxEngineOptions>& Reg) {
        using E = TqdxEngineOptions;
        Reg.Bool("ConvertNulls", &E::ConvertNulls).Default(true);
        Reg.Bool("DoublePass", &E::DoublePass).Default(false);
        Reg.Int("MaxMemSize", &E::MaxMemSize).Default(10);
        Reg.Bool("PrintIfEmpty", &E::PrintIfEmpty).Default(true);
        Reg.Bool("SilentMode", &E::GetSilentMode, &E::SetSilentMode).Default(false).Stored(false);
        Reg.Enum("NewSilentMode", modes, &E::NewSilentMode).Default(simMessageBoxes);
        Reg.Str("TempDir", &E::TempDir);
        Reg.Bool("UseFileCache", &E::UseFileCache).Default(false);
        Reg.Bool("IgnoreDevByZero", &E::IgnoreDevByZero).Default(false);
      });
  return info;
}

const TqdxClassInfo& TqdxPrintOptions::StaticClassInfo() {
  static const TqdxEnumInfo modes("TqdxPrintMode", {"pmDefault", "pmSplit", "pmJoin", "pmScale"});
  static const TqdxEnumInfo pages("TqdxPrintPages", {"ppAll", "ppOdd", "ppEven"});
  static const TqdxClassInfo& info = qdxDefineClass<TqdxPrintOptions>(
      "TqdxPrintOptions", &TqdxPersistent::StaticClassInfo(), [](TqdxClassBuilder<TqdxPrintOptions>& Reg) {
        using P = TqdxPrintOptions;
        Reg.Int("Copies", &P::Copies).Default(1);
        Reg.Bool("Collate", &P::Collate).Default(true);
        Reg.Str("PageNumbers", &P::PageNumbers);
        Reg.Str("Printer", &P::Printer);
        Reg.Enum("PrintMode", modes, &P::PrintMode).Default(pmDefault);
        Reg.Int("PrintOnSheet", &P::PrintOnSheet).Default(0);
        Reg.Enum("PrintPages", pages, &P::PrintPages).Default(ppAll);
        Reg.Bool("Reverse", &P::Reverse).Default(false);
        Reg.Bool("ShowDialog", &P::ShowDialog).Default(true);
        Reg.Bool("SwapPageSize", &P::SwapPageSize).Default(false).Stored(false);
      });
  return info;
}

const TqdxClassInfo& TqdxPreviewOptions::StaticClassInfo() {
  static const TqdxEnumInfo buttons(
      "TqdxPreviewButton", {"pbPrint", "pbLoad", "pbSave", "pbExport", "pbZoom", "pbFind", "pbOutline",
                            "pbPageSetup", "pbTools", "pbEdit", "pbNavigator", "pbExportQuick", "pbNoClose",
                            "pbNoFullScreen", "pbNoEmail", "pbCopy", "pbPaste", "pbSelection", "pbInplaceEdit"});
  static const TqdxEnumInfo zoomModes("TqdxZoomMode", {"zmDefault", "zmWholePage", "zmPageWidth", "zmManyPages"});
  static const TqdxClassInfo& info = qdxDefineClass<TqdxPreviewOptions>(
      "TqdxPreviewOptions", &TqdxPersistent::StaticClassInfo(), [](TqdxClassBuilder<TqdxPreviewOptions>& Reg) {
        using P = TqdxPreviewOptions;
        Reg.Bool("AllowEdit", &P::AllowEdit).Default(true);
        Reg.Bool("AllowPreviewEdit", &P::AllowPreviewEdit).Default(true);
        Reg.Set("Buttons", buttons, &P::Buttons).Default((1u << (pbExportQuick + 1)) - 1);
        Reg.Bool("DoubleBuffered", &P::DoubleBuffered).Default(true);
        Reg.Bool("Maximized", &P::Maximized).Default(true);
        Reg.Bool("MDIChild", &P::MDIChild).Default(false);
        Reg.Bool("Modal", &P::Modal).Default(true);
        Reg.Bool("OutlineExpand", &P::OutlineExpand).Default(true);
        Reg.Bool("OutlineVisible", &P::OutlineVisible).Default(false);
        Reg.Int("OutlineWidth", &P::OutlineWidth).Default(120);
        Reg.Int("PagesInCache", &P::PagesInCache).Default(50);
        Reg.Bool("ThumbnailVisible", &P::ThumbnailVisible).Default(false);
        Reg.Bool("ShowCaptions", &P::ShowCaptions).Default(false);
        Reg.Float("Zoom", &P::Zoom);
        Reg.Enum("ZoomMode", zoomModes, &P::ZoomMode).Default(zmDefault);
        Reg.Bool("PictureCacheInFile", &P::PictureCacheInFile).Default(false);
      });
  return info;
}

const TqdxClassInfo& TqdxReportOptions::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxReportOptions>(
      "TqdxReportOptions", &TqdxPersistent::StaticClassInfo(), [](TqdxClassBuilder<TqdxReportOptions>& Reg) {
        using R = TqdxReportOptions;
        Reg.Str("Author", &R::Author);
        Reg.Bool("Compressed", &R::Compressed).Default(false);
        Reg.Str("ConnectionName", &R::ConnectionName);
        Reg.Float("CreateDate", &R::CreateDate);
        Reg.Strings("Description", &R::Description);
        Reg.Str("InitString", &R::InitString);
        Reg.Str("Name", &R::Name);
        Reg.Float("LastChange", &R::LastChange);
        Reg.Str("Password", &R::Password);
        Reg.Object("Picture", &R::GetPicture);
        Reg.Str("VersionBuild", &R::VersionBuild);
        Reg.Str("VersionMajor", &R::VersionMajor);
        Reg.Str("VersionMinor", &R::VersionMinor);
        Reg.Str("VersionRelease", &R::VersionRelease);
      });
  return info;
}
