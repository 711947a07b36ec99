#include "document/qdxSubreport.h"

#include "document/qdxClassBuilder.h"

QDX_DEFINE_PLAIN_CLASS(TqdxSubreport, TqdxView)
