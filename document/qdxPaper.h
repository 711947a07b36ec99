#pragma once
// Windows paper codes and their sizes.

#include <cstdint>

constexpr int32_t DMPAPER_A4 = 9;
constexpr int32_t DMPAPER_USER = 256;  // custom size

// Width and height in millimetres of a paper code in portrait orientation;
// false for codes without a standard size.
bool qdxPaperSize(int32_t code, double& width, double& height);
// The name of a paper code ("A4"); empty when unknown.
const char* qdxPaperName(int32_t code);
