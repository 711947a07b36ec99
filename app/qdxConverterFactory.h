#pragma once
// Builds the converter the program runs with: the report and the filters
// that exist in this build.

#include "app/qdxQDPConverter.h"

TQDPConverterEnv DefaultConverterEnv();
