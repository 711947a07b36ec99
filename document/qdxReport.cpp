#include "document/qdxReport.h"

#include "document/qdxClassBuilder.h"

const TqdxClassInfo& TqdxReport::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxReport>(
      "TqdxReport", &TqdxBaseComponent::StaticClassInfo(), [](TqdxClassBuilder<TqdxReport>& Reg) {
        using R = TqdxReport;
        Reg.Bool("DotMatrixReport", &R::DotMatrixReport).Default(false);
        Reg.Object("EngineOptions", &R::GetEngineOptions);
        Reg.Object("PreviewOptions", &R::GetPreviewOptions);
        Reg.Object("PrintOptions", &R::GetPrintOptions);
        Reg.Object("ReportOptions", &R::GetReportOptions);
        Reg.Bool("ShowProgress", &R::ShowProgress).Default(true);
        Reg.Event("OnAfterPrintReport", &R::OnAfterPrintReport);
        Reg.Event("OnBeginDoc", &R::OnBeginDoc);
        Reg.Event("OnEndDoc", &R::OnEndDoc);
        Reg.Event("OnPrintReport", &R::OnPrintReport);
        Reg.Event("OnProgress", &R::OnProgress);
        Reg.Event("OnProgressStart", &R::OnProgressStart);
        Reg.Event("OnProgressStop", &R::OnProgressStop);
      });
  return info;
}
