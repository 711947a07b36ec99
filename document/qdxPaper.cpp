#include "document/qdxPaper.h"

namespace {

struct TPaper {
  int32_t Code;
  int32_t Width, Height;  // tenths of a millimetre
  const char* Name;
};

constexpr TPaper Papers[] = {
    {1, 2159, 2794, "Letter"},
    {2, 2159, 2794, "Letter Small"},
    {3, 2794, 4318, "Tabloid"},
    {4, 4318, 2794, "Ledger"},
    {5, 2159, 3556, "Legal"},
    {6, 1397, 2159, "Statement"},
    {7, 1842, 2667, "Executive"},
    {8, 2970, 4200, "A3"},
    {9, 2100, 2970, "A4"},
    {10, 2100, 2970, "A4 Small"},
    {11, 1480, 2100, "A5"},
    {12, 2570, 3640, "B4 (JIS)"},
    {13, 1820, 2570, "B5 (JIS)"},
    {14, 2159, 3302, "Folio"},
    {15, 2150, 2750, "Quarto"},
    {16, 2540, 3556, "10x14"},
    {17, 2794, 4318, "11x17"},
    {18, 2159, 2794, "Note"},
    {19, 984, 2254, "Envelope #9"},
    {20, 1048, 2413, "Envelope #10"},
    {21, 1143, 2635, "Envelope #11"},
    {22, 1207, 2794, "Envelope #12"},
    {23, 1270, 2921, "Envelope #14"},
    {24, 4318, 5588, "C size sheet"},
    {25, 5588, 8636, "D size sheet"},
    {26, 8636, 11176, "E size sheet"},
    {27, 1100, 2200, "Envelope DL"},
    {28, 1620, 2290, "Envelope C5"},
    {29, 3240, 4580, "Envelope C3"},
    {30, 2290, 3240, "Envelope C4"},
    {31, 1140, 1620, "Envelope C6"},
    {32, 1140, 2290, "Envelope C65"},
    {33, 2500, 3530, "Envelope B4"},
    {34, 1760, 2500, "Envelope B5"},
    {35, 1760, 1250, "Envelope B6"},
    {36, 1100, 2300, "Envelope Italy"},
    {37, 984, 1905, "Envelope Monarch"},
    {38, 921, 1651, "6 3/4 Envelope"},
    {39, 3778, 2794, "US Std Fanfold"},
    {40, 2159, 3048, "German Std Fanfold"},
    {41, 2159, 3302, "German Legal Fanfold"},
    {42, 2500, 3530, "B4 (ISO)"},
    {43, 1000, 1480, "Japanese Postcard"},
    {44, 2286, 2794, "9x11"},
    {45, 2540, 2794, "10x11"},
    {46, 3810, 2794, "15x11"},
    {47, 2200, 2200, "Envelope Invite"},
    {50, 2356, 3048, "Letter Extra"},
    {51, 2356, 3810, "Legal Extra"},
    {52, 2969, 4572, "Tabloid Extra"},
    {53, 2355, 3223, "A4 Extra"},
    {54, 2102, 2794, "Letter Transverse"},
    {55, 2100, 2970, "A4 Transverse"},
    {56, 2356, 3048, "Letter Extra Transverse"},
    {57, 2270, 3560, "Super A"},
    {58, 3050, 4870, "Super B"},
    {59, 2159, 3223, "Letter Plus"},
    {60, 2100, 3300, "A4 Plus"},
    {61, 1480, 2100, "A5 Transverse"},
    {62, 1820, 2570, "B5 (JIS) Transverse"},
    {63, 3220, 4450, "A3 Extra"},
    {64, 1740, 2350, "A5 Extra"},
    {65, 2010, 2760, "B5 (ISO) Extra"},
    {66, 4200, 5940, "A2"},
    {67, 2970, 4200, "A3 Transverse"},
    {68, 3220, 4450, "A3 Extra Transverse"},
    {69, 2000, 1480, "Japanese Double Postcard"},
    {70, 1050, 1480, "A6"},
    {71, 2400, 3320, "Japanese Envelope Kaku #2"},
    {72, 2160, 2770, "Japanese Envelope Kaku #3"},
    {73, 1200, 2350, "Japanese Envelope Chou #3"},
    {74, 900, 2050, "Japanese Envelope Chou #4"},
    {75, 2794, 2159, "Letter Rotated"},
    {76, 4200, 2970, "A3 Rotated"},
    {77, 2970, 2100, "A4 Rotated"},
    {78, 2100, 1480, "A5 Rotated"},
    {79, 3640, 2570, "B4 (JIS) Rotated"},
    {80, 2570, 1820, "B5 (JIS) Rotated"},
    {81, 1480, 1000, "Japanese Postcard Rotated"},
    {82, 1480, 2000, "Double Japanese Postcard Rotated"},
    {83, 1480, 1050, "A6 Rotated"},
    {84, 3320, 2400, "Japanese Envelope Kaku #2 Rotated"},
    {85, 2770, 2160, "Japanese Envelope Kaku #3 Rotated"},
    {86, 2350, 1200, "Japanese Envelope Chou #3 Rotated"},
    {87, 2050, 900, "Japanese Envelope Chou #4 Rotated"},
    {88, 1280, 1820, "B6 (JIS)"},
    {89, 1820, 1280, "B6 (JIS) Rotated"},
    {90, 3048, 2794, "12x11"},
    {91, 1050, 2350, "Japanese Envelope You #4"},
    {92, 2350, 1050, "Japanese Envelope You #4 Rotated"},
    {93, 1460, 2150, "PRC 16K"},
    {94, 970, 1510, "PRC 32K"},
    {95, 970, 1510, "PRC 32K(Big)"},
    {96, 1020, 1650, "PRC Envelope #1"},
    {97, 1020, 1760, "PRC Envelope #2"},
    {98, 1250, 1760, "PRC Envelope #3"},
    {99, 1100, 2080, "PRC Envelope #4"},
    {100, 1100, 2200, "PRC Envelope #5"},
    {101, 1200, 2300, "PRC Envelope #6"},
    {102, 1600, 2300, "PRC Envelope #7"},
    {103, 1200, 3090, "PRC Envelope #8"},
    {104, 2290, 3240, "PRC Envelope #9"},
    {105, 3240, 4580, "PRC Envelope #10"},
    {106, 2150, 1460, "PRC 16K Rotated"},
    {107, 1510, 970, "PRC 32K Rotated"},
    {108, 1510, 970, "PRC 32K(Big) Rotated"},
    {109, 1650, 1020, "PRC Envelope #1 Rotated"},
    {110, 1760, 1020, "PRC Envelope #2 Rotated"},
    {111, 1760, 1250, "PRC Envelope #3 Rotated"},
    {112, 2080, 1100, "PRC Envelope #4 Rotated"},
    {113, 2200, 1100, "PRC Envelope #5 Rotated"},
    {114, 2300, 1200, "PRC Envelope #6 Rotated"},
    {115, 2300, 1600, "PRC Envelope #7 Rotated"},
    {116, 3090, 1200, "PRC Envelope #8 Rotated"},
    {117, 3240, 2290, "PRC Envelope #9 Rotated"},
    {118, 4580, 3240, "PRC Envelope #10 Rotated"},
};

const TPaper* Find(int32_t code) {
  for (const TPaper& p : Papers)
    if (p.Code == code) return &p;
  return nullptr;
}

}  // namespace

bool qdxPaperSize(int32_t code, double& width, double& height) {
  const TPaper* p = Find(code);
  if (p == nullptr) return false;
  width = p->Width / 10.0;
  height = p->Height / 10.0;
  return true;
}

const char* qdxPaperName(int32_t code) {
  const TPaper* p = Find(code);
  return p == nullptr ? "" : p->Name;
}
