// Whole PDF files written by the document writer, checked byte by byte where
// they are small and otherwise by independent readers: qpdf for syntax,
// streams and encryption, pypdf for the outline, links and metadata.

#include "export/pdf/qdxPDFDocument.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

namespace {

const char* const FixedID = "0123456789abcdef0123456789abcdef";


// qpdf --check must pass without a warning.
void ExpectQpdfClean(const std::string& file, const std::string& password = "") {
  TShellRun r = RunShell("qpdf --check " + (password.empty() ? "" : "--password=" + password + " ") + file);
  EXPECT_EQ(r.Code, 0) << r.Output;
  EXPECT_EQ(r.Output.find("WARNING"), std::string::npos) << r.Output;
  EXPECT_NE(r.Output.find("No syntax or stream encoding errors"), std::string::npos) << r.Output;
}

// Every cross-reference entry points at its object's header.
void ExpectXRefPointsAtObjects(const std::string& pdf) {
  size_t sx = pdf.rfind("startxref\r\n");
  ASSERT_NE(sx, std::string::npos);
  size_t xref = std::stoul(pdf.substr(sx + 11));
  ASSERT_EQ(pdf.compare(xref, 6, "xref\r\n"), 0);
  size_t p = xref + 6;
  size_t space = pdf.find(' ', p), eol = pdf.find("\r\n", p);
  int count = std::stoi(pdf.substr(space + 1, eol - space - 1));
  p = eol + 2 + 20;  // after the free entry
  for (int k = 1; k < count; ++k, p += 20) {
    size_t offset = std::stoul(pdf.substr(p, 10));
    std::string header = std::to_string(k) + " 0 obj\r\n";
    EXPECT_EQ(pdf.compare(offset, header.size(), header), 0) << "object " << k;
  }
}

int Occurrences(const std::string& s, const std::string& what) {
  int n = 0;
  for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
  return n;
}

TqdxPDFDateTime FixedTime() {
  TqdxPDFDateTime t;
  t.Year = 2024, t.Month = 1, t.Day = 31, t.Hour = 23, t.Minute = 59, t.Second = 58;
  t.UtcOffsetMinutes = 90;
  return t;
}

void Fix(TqdxPDFDocument& doc) {
  doc.SetFixedFileID(FixedID);
  doc.SetFixedTime(FixedTime());
}

TqdxPDFPixels Pixels(int w, int h, bool alpha, int seed = 0) {
  TqdxPDFPixels p;
  p.Width = w;
  p.Height = h;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      p.RGB += char(x * 255 / w);
      p.RGB += char(y * 255 / h);
      p.RGB += char(seed);
      if (alpha) p.Alpha += char((x + y) % 2 ? 255 : 64);
    }
  return p;
}

// A standard font, enough for content that shows text.
class THelvetica : public TPDFFontResource {
public:
  void WriteObjects(TPDFObjectsHelper& objects, int reference) override {
    objects.StartObject(reference);
    objects.WriteLine("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    objects.WriteLine("endobj");
  }
};

int Helvetica(TqdxPDFDocument& doc) {
  return doc.FontIndex("Helvetica", [] { return std::make_unique<THelvetica>(); });
}

// Three pages with images, text, links of every kind and an outline.
void WriteSample(TqdxPDFDocument& doc, const std::string& file) {
  TFileStream out(file, TFileMode::fmCreate);
  doc.BeginDocument(out);
  auto& p0 = doc.AddPage(595.5, 842.25);
  int im = doc.AddImage(Pixels(8, 6, true));
  p0.WriteLine("q 80 0 0 60 100 700 cm " + TqdxPDFImages::ResourceName(im) + " Do Q");
  EXPECT_EQ(doc.AddImage(Pixels(8, 6, true)), im);  // drawn twice, stored once
  p0.WriteLine("q 80 0 0 60 300 700 cm " + TqdxPDFImages::ResourceName(im) + " Do Q");
  EXPECT_TRUE(doc.AddUriLink({100, 700, 180, 760}, "https://example.org/a b(c"));
  EXPECT_TRUE(doc.AddUriLink({100, 600, 180, 660}, "https://example.org/\xC3\xA4\xE2\x82\xAC"));
  EXPECT_TRUE(doc.AddPageLink({100, 500, 180, 560}, 2, 500.4));
  EXPECT_TRUE(doc.AddPageLink({100, 400, 180, 460}, 7, 0));   // no such page: dropped at the end
  EXPECT_FALSE(doc.AddPageLink({100, 300, 180, 360}, -1, 0));  // "@0" or "@x": dropped now
  doc.FinishPage();

  auto& p1 = doc.AddPage(595.5, 842.25);
  int f = Helvetica(doc);
  p1.WriteLine("BT " + TqdxPDFDocument::FontResourceName(f) + " 12 Tf 72 720 Td (Hello \\(1\\)) Tj ET");
  std::string jpeg = EncodeJPEG(Pixels(10, 4, false, 99), 80);
  int jm = doc.AddJPEGImage(jpeg);
  p1.WriteLine("q 100 0 0 40 72 600 cm " + TqdxPDFImages::ResourceName(jm) + " Do Q");
  doc.AddPageLink({72, 700, 200, 740}, 0, 842);
  doc.FinishPage();

  auto& p2 = doc.AddPage(300, 400);
  EXPECT_EQ(doc.AddJPEGImage(jpeg), jm);
  p2.WriteLine("q 100 0 0 40 72 200 cm " + TqdxPDFImages::ResourceName(jm) + " Do Q");
  p2.WriteLine("BT /F0 10 Tf 20 20 Td (End) Tj ET");
  doc.FinishPage();

  std::vector<TqdxPDFOutlineItem> items = {
      {"Chapter 1", 0, 0, {{"Section 1.1", 1, 100, {}}, {"Section (1.2) \\", 2, 200, {{"Deep", 2, 0, {}}}}}},
      {"Outside the range", 5, 0, {{"Its child", 0, 0, {}}}},
      {"Chapter 2 \xC3\xA9", 2, 40, {}},
  };
  doc.SetOutline(items, [](int page) { return page < 3 ? std::optional<int>(page) : std::nullopt; });
  doc.EndDocument();
}

// Outline and links as pypdf reads them, one line each, plus the digest of
// each page's decoded content.
const char* const ReadBackScript = R"PY(
import hashlib, sys
from pypdf import PdfReader
r = PdfReader(sys.argv[1])
pages = {p.indirect_reference.idnum: i for i, p in enumerate(r.pages)}
def walk(items, depth):
    for it in items:
        if isinstance(it, list):
            walk(it, depth + 1)
        else:
            print("OUTLINE|%d|%s|%d|%s" % (depth, it.title, r.get_destination_page_number(it), it.top))
walk(r.outline, 0)
for i, p in enumerate(r.pages):
    for a in p.get("/Annots", []):
        a = a.get_object()
        if "/A" in a:
            print("URI|%d|%s" % (i, a["/A"]["/URI"]))
        else:
            d = a["/Dest"]
            print("DEST|%d|%d|%s" % (i, pages[d[0].idnum], d[3]))
    print("CONTENT|%d|%s" % (i, hashlib.md5(p.get_contents().get_data()).hexdigest()))
print("TITLE|%s" % r.metadata.title)
)PY";

std::string ReadBack(const TTempDir& dir, const std::string& file) {
  WriteWholeFile(dir / "readback.py", ReadBackScript);
  TShellRun r = RunShell("/usr/bin/python3 " + dir / "readback.py" + " " + file);
  EXPECT_EQ(r.Code, 0) << r.Output;
  return r.Output;
}

}  // namespace

TEST(PdfDocument, SmallestFileByteForByte) {
  TqdxPDFOptions o;
  o.Compressed = false;
  o.Creator = u"test";
  TqdxPDFDocument doc(o);
  Fix(doc);
  TMemoryStream out;
  doc.BeginDocument(out);
  doc.AddPage(200, 100.5).WriteLine("0 0 m");
  doc.EndDocument();
  const std::string& s = out.Data();
  const std::string expected =
      "%PDF-1.7\r\n%\xE2\xE3\xCF\xD3\r\n"
      "2 0 obj\r\n<</Length 7>>\r\nstream\r\n0 0 m\r\n\nendstream\r\nendobj\r\n"
      "3 0 obj\r\n<<\r\n/Type /Page\r\n/Parent 1 0 R\r\n/MediaBox [0 0 200.00 100.50 ]\r\n"
      "/Group << /Type /Group /S /Transparency /CS /DeviceRGB >>\r\n/Resources <<\r\n"
      "/Font << >>\r\n/ProcSet [/PDF /Text /ImageC ]\r\n>>\r\n/Contents 2 0 R\r\n>>\r\nendobj\r\n"
      "1 0 obj\r\n<<\r\n/Type /Pages\r\n/Kids [3 0 R ]\r\n/Count 1\r\n>>\r\nendobj\r\n"
      "4 0 obj\r\n<<\r\n/Title (\xFE\xFF)\r\n"
      "/Author (\xFE\xFF\0Q\0u\0o\0d\0e\0x)\r\n"
      "/Subject (\xFE\xFF\0Q\0u\0o\0d\0e\0x\0 \0P\0D\0F\0 \0e\0x\0p\0o\0r\0t)\r\n"
      "/Keywords (\xFE\xFF)\r\n/Creator (\xFE\xFF\0t\0e\0s\0t)\r\n/Producer (\xFE\xFF)\r\n"
      "/CreationDate (D:20240131235958+01'30')\r\n/ModDate (D:20240131235958+01'30')\r\n"
      ">>\r\nendobj\r\n"
      "5 0 obj\r\n<<\r\n/Type /Catalog\r\n/Version /1.7\r\n/Pages 1 0 R\r\n/PageMode /UseNone\r\n"
      "/ViewerPreferences <<\r\n/PrintScaling false\r\n>>\r\n>>\r\nendobj\r\n"
      "xref\r\n0 6\r\n0000000000 65535 f\r\n";
  ASSERT_GT(s.size(), expected.size());
  EXPECT_EQ(s.substr(0, expected.size()), std::string(expected));
  EXPECT_NE(s.find("trailer\r\n<<\r\n/Size 6\r\n/Root 5 0 R\r\n/Info 4 0 R\r\n/ID [<" +
                   std::string(FixedID) + "><" + FixedID + ">]\r\n>>\r\nstartxref\r\n"),
            std::string::npos);
  EXPECT_EQ(s.substr(s.size() - 7), "%%EOF\r\n");
  ExpectXRefPointsAtObjects(s);

  // The same input gives the same bytes.
  TMemoryStream again;
  doc.BeginDocument(again);
  doc.AddPage(200, 100.5).WriteLine("0 0 m");
  doc.EndDocument();
  EXPECT_EQ(again.Data(), s);
}

TEST(PdfDocument, SampleReadsBackWithIndependentReaders) {
  TTempDir dir;
  TqdxPDFOptions o;
  o.Outline = true;
  o.Title = u"Sample (1) \\ \u00FC";
  TqdxPDFDocument doc(o);
  Fix(doc);
  std::string file = dir / "sample.pdf";
  WriteSample(doc, file);
  std::string pdf = ReadWholeFile(file);
  ExpectXRefPointsAtObjects(pdf);
  ExpectQpdfClean(file);

  std::string r = ReadBack(dir, file);
  // Items out of the page range are gone with their children; every item is open.
  EXPECT_NE(r.find("OUTLINE|0|Chapter 1|0|842\n"
                   "OUTLINE|1|Section 1.1|1|767\n"
                   "OUTLINE|1|Section (1.2) \\|2|250\n"
                   "OUTLINE|2|Deep|2|400\n"
                   "OUTLINE|0|Chapter 2 \xC3\xA9|2|370\n"),
            std::string::npos)
      << r;
  EXPECT_EQ(r.find("Outside"), std::string::npos);
  EXPECT_NE(pdf.find("/Type /Outlines\r\n/Count 5\r\n"), std::string::npos);
  EXPECT_NE(r.find("URI|0|https://example.org/a%20b(c\n"
                   "URI|0|https://example.org/%C3%A4%E2%82%AC\n"
                   "DEST|0|2|500\n"
                   "CONTENT|0|"),
            std::string::npos)
      << r;
  EXPECT_NE(r.find("DEST|1|0|842\n"), std::string::npos) << r;
  EXPECT_NE(r.find("TITLE|Sample (1) \\ \xC3\xBC"), std::string::npos) << r;
  EXPECT_EQ(Occurrences(pdf, "/Subtype /Link"), 4);  // the link past the last page is left out
  EXPECT_NE(pdf.find("/PageMode /UseOutlines"), std::string::npos);
  EXPECT_NE(pdf.find("/DisplayDocTitle true"), std::string::npos);

  // Images: one colour image and one mask for the picture drawn twice, one
  // image for the JPEG on two pages; each page lists an image once.
  EXPECT_EQ(Occurrences(pdf, "/Subtype /Image"), 3);
  EXPECT_EQ(Occurrences(pdf, "/SMask "), 1);
  EXPECT_EQ(pdf.find("/Matte"), std::string::npos);
  EXPECT_EQ(Occurrences(pdf, "/XObject << /Im0 "), 1);
  EXPECT_EQ(Occurrences(pdf, "/XObject << /Im1 "), 2);
  // The font first used on the second page is listed from there on.
  EXPECT_EQ(Occurrences(pdf, "/Font << >>"), 1);
  EXPECT_EQ(Occurrences(pdf, "/Font << /F0 "), 2);
}

TEST(PdfDocument, EncryptedFileOpensWithItsPasswordsAndPermissions) {
  TTempDir dir;
  TqdxPDFOptions o;
  o.Outline = true;
  o.Title = u"Sample (1) \\ \u00FC";
  TqdxPDFDocument plain(o);
  Fix(plain);
  WriteSample(plain, dir / "plain.pdf");

  o.UserPassword = "user pw";
  o.OwnerPassword = "owner";
  o.ProtectionFlags = PDFEncBitMask(TqdxPDFEncBit::ePrint) | PDFEncBitMask(TqdxPDFEncBit::eCopy);
  TqdxPDFDocument doc(o);
  Fix(doc);
  std::string file = dir / "locked.pdf";
  WriteSample(doc, file);
  EXPECT_TRUE(doc.Protection());
  EXPECT_TRUE(doc.EmbeddedFonts());  // EmbedFontsIfProtected applies ...
  EXPECT_FALSE(doc.Options().EmbeddedFonts);  // ... without changing the setting
  std::string pdf = ReadWholeFile(file);
  ExpectXRefPointsAtObjects(pdf);
  EXPECT_NE(pdf.find("/Encrypt "), std::string::npos);
  EXPECT_NE(pdf.find("/P -44\r\n"), std::string::npos);
  EXPECT_EQ(pdf.find("Chapter"), std::string::npos);  // titles are encrypted
  ExpectQpdfClean("'" + file + "'", "'user pw'");

  TShellRun show = RunShell("qpdf --show-encryption --password='user pw' " + file);
  EXPECT_NE(show.Output.find("R = 3"), std::string::npos) << show.Output;
  EXPECT_NE(show.Output.find("P = -44"), std::string::npos) << show.Output;
  EXPECT_NE(show.Output.find("extract for any purpose: allowed"), std::string::npos) << show.Output;
  EXPECT_NE(show.Output.find("print high resolution: allowed"), std::string::npos) << show.Output;
  EXPECT_NE(show.Output.find("modify annotations: not allowed"), std::string::npos) << show.Output;
  EXPECT_NE(show.Output.find("modify other: not allowed"), std::string::npos) << show.Output;
  TShellRun owner = RunShell("qpdf --show-encryption --password=owner " + file);
  EXPECT_NE(owner.Output.find("Supplied password is owner password"), std::string::npos)
      << owner.Output;
  EXPECT_NE(RunShell("qpdf --check --password=wrong " + file).Code, 0);

  // Decrypted, it reads exactly like the unencrypted file.
  TShellRun dec = RunShell("qpdf --password='user pw' --decrypt " + file + " " + dir / "open.pdf");
  ASSERT_EQ(dec.Code, 0) << dec.Output;
  EXPECT_EQ(ReadBack(dir, dir / "open.pdf"), ReadBack(dir, dir / "plain.pdf"));
}

TEST(PdfDocument, UserPasswordAloneAndSettingsStayUntouched) {
  TTempDir dir;
  TqdxPDFOptions o;
  o.UserPassword = "secret";
  o.Keywords = u"report";
  o.EmbedFontsIfProtected = false;
  o.EmbeddedFonts = true;
  TqdxPDFDocument doc(o);
  Fix(doc);
  for (int run = 0; run < 2; ++run) {
    std::string file = dir / ("u" + std::to_string(run) + ".pdf");
    {
      TFileStream out(file, TFileMode::fmCreate);
      doc.BeginDocument(out);
      doc.AddPage(100, 100);
      Helvetica(doc);
      doc.AddFontNote(u"Foo Bold - Bar");
      doc.AddFontNote(u"Foo Bold - Bar");
      EXPECT_EQ(doc.EffectiveKeywords(), u"report; Foo Bold - Bar;");
      EXPECT_FALSE(doc.EmbeddedFonts());
      doc.EndDocument();
    }
    // The owner password defaults to the user password for this file only.
    EXPECT_EQ(doc.Security().EffectiveOwnerPassword(), "secret");
    EXPECT_TRUE(doc.Options().OwnerPassword.empty());
    EXPECT_EQ(doc.Options().Keywords, u"report");
    EXPECT_TRUE(doc.Options().EmbeddedFonts);
    ExpectQpdfClean(file, "secret");
    TShellRun owner = RunShell("qpdf --show-encryption --password=secret " + file);
    EXPECT_NE(owner.Output.find("Supplied password is owner password"), std::string::npos)
        << owner.Output;
  }
}

TEST(PdfDocument, OutlineSetButEmptyAndUncompressedStreams) {
  TqdxPDFOptions o;
  o.Outline = true;
  o.Compressed = false;
  o.HideToolbar = o.FitWindow = o.PrintScaling = true;
  TqdxPDFDocument doc(o);
  Fix(doc);
  TMemoryStream out;
  doc.BeginDocument(out);
  doc.AddPage(100, 100).WriteLine("BT ET");
  doc.AddImage(Pixels(3, 3, true));
  doc.SetOutline({});
  doc.EndDocument();
  const std::string& pdf = out.Data();
  EXPECT_NE(pdf.find("/PageMode /UseOutlines"), std::string::npos);
  EXPECT_EQ(pdf.find("/Outlines"), std::string::npos);
  EXPECT_EQ(pdf.find("/FlateDecode"), std::string::npos);
  EXPECT_NE(pdf.find("/ViewerPreferences <<\r\n/HideToolbar true\r\n/FitWindow true\r\n>>"),
            std::string::npos);
  ExpectXRefPointsAtObjects(pdf);
}

TEST(PdfDocument, PictureOnManyPagesIsStoredOnce) {
  TTempDir dir;
  TqdxPDFDocument doc;
  Fix(doc);
  std::string file = dir / "many.pdf";
  {
    TFileStream out(file, TFileMode::fmCreate);
    doc.BeginDocument(out);
    for (int i = 0; i < 50; ++i) {
      auto& page = doc.AddPage(200, 200);
      int im = doc.AddImage(Pixels(16, 16, true));
      EXPECT_EQ(im, 0);
      page.WriteLine("q 100 0 0 100 50 50 cm /Im0 Do Q");
    }
    // Equal alpha bytes in another shape make another mask.
    auto& page = doc.AddPage(200, 200);
    TqdxPDFPixels tall = Pixels(8, 32, true);
    tall.Alpha = Pixels(16, 16, true).Alpha;
    EXPECT_EQ(doc.AddImage(tall), 1);
    page.WriteLine("q 50 0 0 200 0 0 cm /Im1 Do Q");
    doc.EndDocument();
  }
  std::string pdf = ReadWholeFile(file);
  EXPECT_EQ(Occurrences(pdf, "/Subtype /Image"), 4);
  EXPECT_EQ(Occurrences(pdf, "/XObject << /Im0 "), 50);
  ExpectQpdfClean(file);
}

TEST(PdfDocument, PdfAHasMetadataAndOutputIntentAndNoEncryption) {
  TTempDir dir;
  TqdxPDFOptions o;
  o.PdfA = true;
  o.UserPassword = "ignored";
  o.Title = u"A & B <c> \"d\" \u00E9";
  o.Keywords = u"k1, k2";
  o.Author = u"Ann";
  TqdxPDFDocument doc(o);
  Fix(doc);
  std::string file = dir / "a.pdf";
  {
    TFileStream out(file, TFileMode::fmCreate);
    doc.BeginDocument(out);
    EXPECT_FALSE(doc.Protection());
    EXPECT_TRUE(doc.EmbeddedFonts());
    auto& p = doc.AddPage(300, 300);
    Helvetica(doc);
    doc.AddFontNote(u"X - Y");
    p.WriteLine("BT /F0 12 Tf 10 10 Td (a) Tj ET");
    doc.AddUriLink({0, 0, 10, 10}, "https://example.org/");
    doc.EndDocument();
  }
  std::string pdf = ReadWholeFile(file);
  EXPECT_EQ(pdf.find("/Encrypt"), std::string::npos);
  EXPECT_EQ(pdf.find("/StructTreeRoot"), std::string::npos);
  EXPECT_NE(pdf.find("/F 4\r\n"), std::string::npos);
  // The packet is stored as it is, never compressed.
  EXPECT_NE(pdf.find("<pdfaid:part>2</pdfaid:part><pdfaid:conformance>B</pdfaid:conformance>"),
            std::string::npos);
  ExpectQpdfClean(file);
  ExpectXRefPointsAtObjects(pdf);

  WriteWholeFile(dir / "xmp.py", R"PY(
import sys, xml.dom.minidom
from pypdf import PdfReader
r = PdfReader(sys.argv[1])
root = r.trailer["/Root"]
dom = xml.dom.minidom.parseString(root["/Metadata"].get_object().get_data())
def text(tag):
    return "".join(n.data for e in dom.getElementsByTagName(tag) for n in e.childNodes if n.nodeType == n.TEXT_NODE)
for tag in ["pdfaid:part", "pdfaid:conformance", "pdf:Keywords", "pdf:PDFVersion", "xmp:CreateDate", "xmpMM:DocumentID", "dc:creator", "xmp:CreatorTool"]:
    print("%s=%s" % (tag, text(tag) or "".join(n.data for li in dom.getElementsByTagName(tag)[0].getElementsByTagName("rdf:li") for n in li.childNodes)))
print("title=" + "".join(n.data for n in dom.getElementsByTagName("dc:title")[0].getElementsByTagName("rdf:li")[0].childNodes))
info = r.trailer["/Info"].get_object()
print("info.Keywords=" + info["/Keywords"])
print("info.Title=" + info["/Title"])
print("info.CreationDate=" + info["/CreationDate"])
oi = root["/OutputIntents"][0].get_object()
print("oi.S=" + oi["/S"])
prof = oi["/DestOutputProfile"].get_object()
print("oi.N=%d size=%d" % (prof["/N"], len(prof.get_data())))
print("header=" + open(sys.argv[1], "rb").read(8).decode())
)PY");
  TShellRun r = RunShell("/usr/bin/python3 " + dir / "xmp.py" + " " + file);
  ASSERT_EQ(r.Code, 0) << r.Output;
  std::string profile = ReadWholeFile(DefaultSRGBProfilePath);
  const std::string expected[] = {
      "pdfaid:part=2", "pdfaid:conformance=B", "pdf:Keywords=k1, k2; X - Y;",
      "pdf:PDFVersion=1.7", "xmp:CreateDate=2024-01-31T23:59:58+01:30",
      std::string("xmpMM:DocumentID=uuid:") + FixedID, "dc:creator=Ann",
      "title=A & B <c> \"d\" \xC3\xA9", "info.Keywords=k1, k2; X - Y;",
      "info.Title=A & B <c> \"d\" \xC3\xA9", "info.CreationDate=D:20240131235958+01'30'",
      "oi.S=/GTS_PDFA1", "oi.N=3 size=" + std::to_string(profile.size()), "header=%PDF-1.7"};
  for (const auto& line : expected) EXPECT_NE(r.Output.find(line + "\n"), std::string::npos) << line << "\n" << r.Output;
}

TEST(PdfDocument, MissingProfileStopsOnlyPdfA) {
  TqdxPDFOptions o;
  o.PdfA = true;
  TqdxPDFDocument doc(o);
  doc.SetProfilePath("/nonexistent/sRGB.icc");
  TMemoryStream out;
  try {
    doc.BeginDocument(out);
    FAIL() << "no error";
  } catch (const EPDFError& e) {
    EXPECT_NE(std::string(e.what()).find("icc-profiles-free"), std::string::npos) << e.what();
  }
  EXPECT_EQ(out.Size(), 0);
  doc.Options().PdfA = false;
  doc.BeginDocument(out);
  doc.AddPage(10, 10);
  doc.EndDocument();
  EXPECT_GT(out.Size(), 0);
}

TEST(PdfDocument, MisuseIsReported) {
  TqdxPDFDocument doc;
  TMemoryStream out;
  EXPECT_THROW(doc.AddPage(10, 10), EPDFError);
  EXPECT_THROW(doc.SetFixedFileID("XYZ"), EPDFError);
  doc.BeginDocument(out);
  EXPECT_THROW(doc.AddImage(Pixels(2, 2, false)), EPDFError);  // no page
  doc.AddPage(10, 10);
  TqdxPDFPixels bad = Pixels(2, 2, true);
  bad.Alpha.pop_back();
  EXPECT_THROW(doc.AddImage(bad), EPDFError);
  EXPECT_THROW(doc.AddJPEGImage("not a jpeg"), EPDFError);
  doc.EndDocument();
  EXPECT_THROW(doc.EndDocument(), EPDFError);

  // A file abandoned half-way leaves nothing behind for the next one.
  {
    TMemoryStream lost;
    doc.BeginDocument(lost);
    doc.AddPage(10, 10).WriteLine("0 0 m");
  }
  TMemoryStream next;
  doc.BeginDocument(next);
  doc.AddPage(10, 10);
  doc.EndDocument();
  ExpectXRefPointsAtObjects(next.Data());
  EXPECT_EQ(Occurrences(next.Data(), "/Type /Page\r\n"), 1);
}

TEST(PdfDocument, FinishedPagesLetGoOfTheirContent) {
  // Pages stay listed until the end of the file; their content must not, or
  // memory grows with the page count.
  TqdxPDFDocument doc;
  TMemoryStream out;
  doc.BeginDocument(out);
  std::vector<TqdxPDFPage*> pages;
  for (int i = 0; i < 3; ++i) {
    TqdxPDFPage& page = doc.AddPage(595.5, 842.25);
    for (int k = 0; k < 2000; ++k) page.WriteLine("72 700 m 500 700 l S");
    doc.FinishPage();
    pages.push_back(&page);
  }
  for (TqdxPDFPage* page : pages) EXPECT_LT(page->Content().Data().capacity(), 64u);
  doc.EndDocument();
  EXPECT_EQ(out.Data().substr(0, 8), "%PDF-1.7");
}

TEST(PdfDocument, ContentDeflatedAlongsideStaysInPageOrder) {
  // Page streams are compressed on another thread while the next page is
  // drawn; the file must come out the same every time, encrypted or not.
  for (bool encrypted : {false, true}) {
    SCOPED_TRACE(encrypted ? "encrypted" : "plain");
    auto make = [&] {
      TqdxPDFOptions o;
      if (encrypted) o.UserPassword = "u";
      TqdxPDFDocument doc(o);
      Fix(doc);
      TMemoryStream out;
      doc.BeginDocument(out);
      for (int i = 0; i < 30; ++i) {
        TqdxPDFPage& page = doc.AddPage(595.5, 842.25);
        for (int k = 0; k < 200 + i * 37; ++k) page.WriteLine(std::to_string(i) + " " + std::to_string(k) + " m S");
        if (i % 7 == 0) page.WriteLine(page.UseImage(doc.AddImage(Pixels(4 + i, 3, i % 2 == 0))) + " Do");
      }
      doc.EndDocument();
      return out.Data();
    };
    const std::string first = make();
    EXPECT_EQ(make(), first);
    ExpectXRefPointsAtObjects(first);
    TTempDir dir;
    WriteWholeFile(dir / "order.pdf", first);
    TShellRun check = RunShell("qpdf --check --password=u '" + (dir / "order.pdf") + "'");
    EXPECT_EQ(check.Code, 0) << check.Output;
    EXPECT_EQ(check.Output.find("WARNING"), std::string::npos) << check.Output;
  }
}
