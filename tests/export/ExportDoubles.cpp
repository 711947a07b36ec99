#include "tests/export/ExportDoubles.h"

#include "document/qdxClassBuilder.h"

QDX_DEFINE_PLAIN_CLASS(TRecordingFilter, TqdxBaseDialogExportFilter)
