#pragma once
// The option objects of a report.

#include "document/qdxPictureData.h"
#include "document/qdxTypInfo.h"

#include <string>
#include <vector>

enum TqdxSilentMode : uint8_t { simMessageBoxes, simSilent, simReThrow };
enum TqdxPrintMode : uint8_t { pmDefault, pmSplit, pmJoin, pmScale };
enum TqdxPrintPages : uint8_t { ppAll, ppOdd, ppEven };
enum TqdxPreviewButton : uint8_t {
  pbPrint, pbLoad, pbSave, pbExport, pbZoom, pbFind, pbOutline, pbPageSetup, pbTools, pbEdit, pbNavigator,
  pbExportQuick, pbNoClose, pbNoFullScreen, pbNoEmail, pbCopy, pbPaste, pbSelection, pbInplaceEdit
};
using TqdxPreviewButtons = uint32_t;
enum TqdxZoomMode : uint8_t { zmDefault, zmWholePage, zmPageWidth, zmManyPages };

class TqdxEngineOptions : public TqdxPersistent {
public:
  QDX_CLASS(TqdxEngineOptions)
  bool ConvertNulls = true;
  bool DoublePass = false;
  int32_t MaxMemSize = 10;  // megabytes
  bool PrintIfEmpty = true;
  TqdxSilentMode NewSilentMode = simMessageBoxes;
  std::string TempDir;
  bool UseFileCache = false;
  bool IgnoreDevByZero = false;
  bool EnableThreadSafe = false;
  bool DestroyForms = true;
  bool UseGlobalDataSetList = true;

  // Boolean view of NewSilentMode.
  bool GetSilentMode() const { return NewSilentMode == simSilent; }
  void SetSilentMode(bool value) { NewSilentMode = value ? simSilent : simMessageBoxes; }
};

class TqdxPrintOptions : public TqdxPersistent {
public:
  QDX_CLASS(TqdxPrintOptions)
  int32_t Copies = 1;
  bool Collate = true;
  std::string PageNumbers;
  std::string Printer;
  TqdxPrintMode PrintMode = pmDefault;
  int32_t PrintOnSheet = 0;
  TqdxPrintPages PrintPages = ppAll;
  bool Reverse = false;
  bool ShowDialog = true;
  bool SwapPageSize = false;
  std::string OutputFileName;
  int32_t Duplex = 0;
};

class TqdxPreviewOptions : public TqdxPersistent {
public:
  QDX_CLASS(TqdxPreviewOptions)
  bool AllowEdit = true;
  bool AllowPreviewEdit = true;
  // Print to Export quick (the first twelve buttons).
  TqdxPreviewButtons Buttons = (1u << (pbExportQuick + 1)) - 1;
  bool DoubleBuffered = true;
  bool Maximized = true;
  bool MDIChild = false;
  bool Modal = true;
  bool OutlineExpand = true;
  bool OutlineVisible = false;
  int32_t OutlineWidth = 120;
  int32_t PagesInCache = 50;
  bool ThumbnailVisible = false;
  bool ShowCaptions = false;
  double Zoom = 1;
  TqdxZoomMode ZoomMode = zmDefault;
  bool PictureCacheInFile = false;
};

class TqdxReportOptions : public TqdxPersistent {
public:
  QDX_CLASS(TqdxReportOptions)
  std::string Author;
  bool Compressed = false;
  std::string ConnectionName;
  double CreateDate = 0;  // days since 1899-12-30
  std::vector<std::string> Description;
  std::string InitString;
  std::string Name;
  double LastChange = 0;
  std::string Password;
  std::string VersionBuild, VersionMajor, VersionMinor, VersionRelease;

  TqdxPictureData* GetPicture() const { return &FPicture; }

private:
  mutable TqdxPictureData FPicture;
};
