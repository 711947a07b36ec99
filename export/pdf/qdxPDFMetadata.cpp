#include "export/pdf/qdxPDFMetadata.h"

#include "export/pdf/qdxExportPDFHelpers.h"
#include "platform/CodePage.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

const char* const DefaultSRGBProfilePath = "/usr/share/color/icc/sRGB.icc";

TqdxPDFDateTime TqdxPDFDateTime::Now() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  TqdxPDFDateTime d;
  d.Year = tm.tm_year + 1900;
  d.Month = tm.tm_mon + 1;
  d.Day = tm.tm_mday;
  d.Hour = tm.tm_hour;
  d.Minute = tm.tm_min;
  d.Second = tm.tm_sec;
  d.UtcOffsetMinutes = int(tm.tm_gmtoff / 60);
  return d;
}

namespace {

std::string Offset(int minutes, const char* between, const char* after) {
  char buf[32];
  int a = std::abs(minutes);
  std::snprintf(buf, sizeof buf, "%c%02d%s%02d%s", minutes < 0 ? '-' : '+', a / 60, between, a % 60,
                after);
  return buf;
}

}  // namespace

std::string TqdxPDFDateTime::PdfDate() const {
  char buf[64];
  std::snprintf(buf, sizeof buf, "D:%04d%02d%02d%02d%02d%02d", Year, Month, Day, Hour, Minute,
                Second);
  return buf + Offset(UtcOffsetMinutes, "'", "'");
}

std::string TqdxPDFDateTime::XmpDate() const {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", Year, Month, Day, Hour, Minute,
                Second);
  return buf + Offset(UtcOffsetMinutes, ":", "");
}

int WritePDFInfo(TPDFObjectsHelper& objects, const TqdxPDFDocInfo& info,
                 const TqdxPDFDateTime& time) {
  int n = objects.StartNewObject();
  objects.WriteLine("<<");
  objects.WriteLine("/Title " + objects.PdfText(info.Title, n));
  objects.WriteLine("/Author " + objects.PdfText(info.Author, n));
  objects.WriteLine("/Subject " + objects.PdfText(info.Subject, n));
  objects.WriteLine("/Keywords " + objects.PdfText(info.Keywords, n));
  objects.WriteLine("/Creator " + objects.PdfText(info.Creator, n));
  objects.WriteLine("/Producer " + objects.PdfText(info.Producer, n));
  // Dates are ASCII date strings, encrypted like every string when protected.
  std::string date = objects.PdfString(time.PdfDate(), n);
  objects.WriteLine("/CreationDate " + date);
  objects.WriteLine("/ModDate " + date);
  objects.WriteLine(">>");
  objects.WriteLine("endobj");
  return n;
}

std::string XmlEscape(std::string_view utf8) {
  std::string s;
  s.reserve(utf8.size());
  for (char ch : utf8) {
    unsigned char c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '&': s += "&amp;"; break;
      case '<': s += "&lt;"; break;
      case '>': s += "&gt;"; break;
      case '"': s += "&quot;"; break;
      case '\'': s += "&apos;"; break;
      default:
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') break;
        s += ch;
    }
  }
  return s;
}

namespace {

std::string Text(const std::u16string& s) { return XmlEscape(Utf16ToUtf8(s)); }

std::string Property(const char* category, const char* description, const char* name,
                     const char* type) {
  return std::string("<rdf:li rdf:parseType=\"Resource\"><pdfaProperty:category>") + category +
         "</pdfaProperty:category><pdfaProperty:description>" + description +
         "</pdfaProperty:description><pdfaProperty:name>" + name +
         "</pdfaProperty:name><pdfaProperty:valueType>" + type +
         "</pdfaProperty:valueType></rdf:li>";
}

std::string Schema(const char* uri, const char* prefix, const char* name,
                   const std::string& properties) {
  return std::string("<rdf:li rdf:parseType=\"Resource\"><pdfaSchema:namespaceURI>") + uri +
         "</pdfaSchema:namespaceURI><pdfaSchema:prefix>" + prefix +
         "</pdfaSchema:prefix><pdfaSchema:schema>" + name +
         "</pdfaSchema:schema><pdfaSchema:property><rdf:Seq>" + properties +
         "</rdf:Seq></pdfaSchema:property></rdf:li>";
}

}  // namespace

std::string BuildXmpPacket(const TqdxPDFDocInfo& info, const TqdxPDFDateTime& time,
                           const std::string& fileId) {
  const std::string date = time.XmpDate();
  std::string x;
  x += "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>";
  x += "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"Quodex XMP writer 1.0\">";
  x += "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">";
  // Dublin Core: dc:creator is the document's author, as the information
  // dictionary's /Author.
  x += "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">";
  x += "<dc:format>application/pdf</dc:format>";
  x += "<dc:creator><rdf:Seq><rdf:li>" + Text(info.Author) + "</rdf:li></rdf:Seq></dc:creator>";
  x += "<dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">" + Text(info.Subject) +
       "</rdf:li></rdf:Alt></dc:description>";
  x += "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">" + Text(info.Title) +
       "</rdf:li></rdf:Alt></dc:title>";
  x += "</rdf:Description>";
  x += "<rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">";
  x += "<xmp:CreatorTool>" + Text(info.Creator) + "</xmp:CreatorTool>";
  x += "<xmp:CreateDate>" + date + "</xmp:CreateDate>";
  x += "<xmp:ModifyDate>" + date + "</xmp:ModifyDate>";
  x += "<xmp:MetadataDate>" + date + "</xmp:MetadataDate>";
  x += "</rdf:Description>";
  x += "<rdf:Description rdf:about=\"\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\">";
  x += "<pdf:Keywords>" + Text(info.Keywords) + "</pdf:Keywords>";
  x += "<pdf:Producer>" + Text(info.Producer) + "</pdf:Producer>";
  x += "<pdf:PDFVersion>1.7</pdf:PDFVersion>";
  x += "</rdf:Description>";
  x += "<rdf:Description rdf:about=\"\" xmlns:xmpMM=\"http://ns.adobe.com/xap/1.0/mm/\">";
  x += "<xmpMM:DocumentID>uuid:" + fileId + "</xmpMM:DocumentID>";
  x += "<xmpMM:InstanceID>uuid:" + fileId + "</xmpMM:InstanceID>";
  x += "</rdf:Description>";
  // Level B: the file has no structure tree, so it claims no more.
  x += "<rdf:Description rdf:about=\"\" xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\">";
  x += "<pdfaid:part>2</pdfaid:part><pdfaid:conformance>B</pdfaid:conformance>";
  x += "</rdf:Description>";
  x += "<rdf:Description rdf:about=\"\" "
       "xmlns:pdfaExtension=\"http://www.aiim.org/pdfa/ns/extension/\" "
       "xmlns:pdfaSchema=\"http://www.aiim.org/pdfa/ns/schema#\" "
       "xmlns:pdfaProperty=\"http://www.aiim.org/pdfa/ns/property#\">";
  x += "<pdfaExtension:schemas><rdf:Bag>";
  x += Schema("http://ns.adobe.com/pdf/1.3/", "pdf", "Adobe PDF Schema",
              Property("internal", "A name object indicating whether the document has been "
                       "modified to include trapping information", "Trapped", "Text"));
  x += Schema("http://ns.adobe.com/xap/1.0/mm/", "xmpMM", "XMP Media Management Schema",
              Property("internal", "UUID based identifier for specific incarnation of a document",
                       "InstanceID", "URI"));
  x += Schema("http://www.aiim.org/pdfa/ns/id/", "pdfaid", "PDF/A ID Schema",
              Property("internal", "Part of PDF/A standard", "part", "Integer") +
                  Property("internal", "Amendment of PDF/A standard", "amd", "Text") +
                  Property("internal", "Conformance level of PDF/A standard", "conformance",
                           "Text"));
  x += Schema("urn:ferd:pdfa:CrossIndustryDocument:invoice:1p0#", "zf",
              "ZuGFeRD PDFA Extension Schema",
              Property("external", "name of the embedded XML invoice file", "DocumentFileName",
                       "Text") +
                  Property("external", "INVOICE", "DocumentType", "Text") +
                  Property("external", "The actual version of the ZUGFeRD data", "Version",
                           "Text") +
                  Property("external", "The conformance level of the ZUGFeRD data",
                           "ConformanceLevel", "Text"));
  x += "</rdf:Bag></pdfaExtension:schemas></rdf:Description>";
  x += "</rdf:RDF></x:xmpmeta>";
  x += "<?xpacket end='w'?>";
  return x;
}

std::string LoadSRGBProfile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw EPDFError("PDF/A needs the sRGB colour profile " + path +
                    ", which was not found (it is installed by the package icc-profiles-free)");
  std::ostringstream s;
  s << in.rdbuf();
  std::string data = s.str();
  if (data.size() < 128 || data.compare(36, 4, "acsp") != 0 || data.compare(16, 4, "RGB ") != 0)
    throw EPDFError("The colour profile " + path + " is not an RGB ICC profile");
  return data;
}

TqdxPDFAObjects WritePDFAObjects(TPDFObjectsHelper& objects, const std::string& xmp,
                                 const std::string& profile, bool compressed) {
  TqdxPDFAObjects result;
  result.Metadata = objects.StartNewObject();
  objects.WriteRaw("<< /Type /Metadata /Subtype /XML ");
  objects.WriteStreamObject(xmp + "\r\n",
                            {.OpenDict = false, .CloseDict = true, .Compress = false,
                             .Encrypt = false},
                            result.Metadata);

  int icc = objects.StartNewObject();
  objects.WriteLine("<<");
  objects.WriteLine("/N 3");
  objects.WriteStreamObject(profile,
                            {.OpenDict = false, .CloseDict = true, .Compress = compressed,
                             .Encrypt = true},
                            icc);

  result.OutputIntent = objects.StartNewObject();
  objects.WriteLine("<<");
  objects.WriteLine("/Type /OutputIntent");
  objects.WriteLine("/S /GTS_PDFA1");
  objects.WriteLine("/OutputCondition (sRGB IEC61966-2.1)");
  objects.WriteLine("/OutputConditionIdentifier (sRGB IEC61966-2.1)");
  objects.WriteLine("/Info (sRGB IEC61966-2.1)");
  objects.WriteLine("/DestOutputProfile " + PdfRef(icc));
  objects.WriteLine(">>");
  objects.WriteLine("endobj");
  return result;
}
