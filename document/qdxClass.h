#pragma once
// The report object model: every class of a report page and the report.

#include "document/qdxBands.h"
#include "document/qdxCheckBoxView.h"
#include "document/qdxComponent.h"
#include "document/qdxGradientView.h"
#include "document/qdxLineView.h"
#include "document/qdxMemoView.h"
#include "document/qdxOtherViews.h"
#include "document/qdxPage.h"
#include "document/qdxPaper.h"
#include "document/qdxPictureView.h"
#include "document/qdxReport.h"
#include "document/qdxShapeView.h"
#include "document/qdxSubreport.h"
#include "document/qdxView.h"
