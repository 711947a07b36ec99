#pragma once
// The converter's format table: row 0 is printing to the PDF printer, rows 1
// to 18 are the export filters in the order in which the converter creates
// them (so row i is also the i-th entry of the filter registry).

#include <array>
#include <string_view>

struct TQDPFormat {
  std::string_view FilterClass;  // class name of the filter ("MicrosoftPDFPrinter" for row 0)
  std::string_view Name;         // as typed after --OUTPUT=, upper case
  std::string_view Ext;          // extension of output files, without the dot
};

inline constexpr std::array<TQDPFormat, 19> QDPFormats{{
    {"MicrosoftPDFPrinter", "PDFPRINT", "pdf"},
    {"TqdxPDFExport", "PDF", "pdf"},
    {"TqdxHTMLExport", "HTML", "html"},
    {"TqdxHTML5DivExport", "HTML5", "html"},
    {"TqdxRTFExport", "RTF", "rtf"},
    {"TqdxDOCXExport", "DOCX", "docx"},
    {"TqdxXLSXExport", "XLSX", "xlsx"},
    {"TqdxPPTXExport", "PPTX", "pptx"},
    {"TqdxBIFFExport", "BIFF8", "xls"},
    {"TqdxODTExport", "ODT", "odt"},
    {"TqdxODSExport", "ODS", "ods"},
    {"TqdxSVGExport", "SVG", "svg"},
    {"TqdxBMPExport", "BMP", "bmp"},
    {"TqdxJPEGExport", "JPG", "jpg"},
    {"TqdxTIFFExport", "TIFF", "tiff"},
    {"TqdxGIFExport", "GIF", "gif"},
    {"TqdxXMLExport", "XML", "xml"},
    {"TqdxCSVExport", "CSV", "csv"},
    {"TqdxSimpleTextExport", "TEXT", "txt"},
}};

inline constexpr std::string_view QDPProductTitle = "Quodex QDP Converter";
inline constexpr std::string_view QDPVersion = "6.2.12";
inline constexpr std::string_view QDPDefaultPrinter = "Microsoft Print to PDF";
