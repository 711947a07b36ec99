#include "app/qdxProgram.h"

#include "app/qdxFormats.h"
#include "platform/FileUtils.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"

#include <ostream>

std::string ApplicationTitle() {
  return std::string(QDPProductTitle) + " (version " + std::string(QDPVersion) + ")";
}

std::string UsageText(const std::string& lineBreak) {
  const char* lines[] = {
      "Usage:",
      "",
      "Ruzeve_zor source_file|sourcefolder [destination_file|destination_folder]",
      "[--OUTPUT=PDF|HTML|HTML5|RTF|DOCX|XLSX|PPTX|BIFF8|ODT|ODS|SVG|BMP|JPG|TIFF|GIF|XML|CSV|TEXT|PDFPRINT]",
      "------------------------------------",
      "Copyright (c) 2018 the Quodex QDP Converter developers. All rights reserved.",
  };
  std::string text;
  for (size_t i = 0; i < std::size(lines); ++i) {
    if (i) text += lineBreak;
    text += lines[i];
  }
  return text;
}

bool IsHelpSwitch(const std::string& arg) {
  if (arg == "/?") return true;
  std::string u = UpperCase(arg);
  return u == "/H" || u == "-H" || u == "/HELP" || u == "--HELP";
}

std::string RefuseFirstArgument(const std::string& arg) {
  if (DirectoryExists(arg)) return {};
  if (Trim(ExtractFileExt(arg)).empty()) {
    // No extension: a folder tree is meant.
    return arg.empty() ? "no source given" : "folder not found";
  }
  if (arg.find_first_of("*?") != std::string::npos) return "wildcard patterns are not accepted here";
  if (UpperCase(Trim(ExtractFileExt(arg))) != ".QDP") return "not a .qdp file";
  if (!FileExists(arg)) return "file not found";
  return {};
}

int QDPConverterMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, TQDPConverterEnv env) {
  if (args.empty()) {
    // The settings window needs a display and comes later; say how to use the program.
    err << ApplicationTitle() << "\n" << UsageText("\n") << "\n";
    return 2;
  }
  if (IsHelpSwitch(args[0])) {
    out << ApplicationTitle() << "\n\n" << UsageText("\n") << "\n";
    return 0;
  }
  if (std::string why = RefuseFirstArgument(args[0]); !why.empty()) {
    err << args[0] << ": " << why << "\n";
    return 2;
  }
  // Several messages arrive as CR LF separated lines; a terminal wants plain line ends.
  auto plain = [](const std::string& message) {
    std::string text;
    for (char c : message)
      if (c != '\r') text += c;
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  };
  try {
    TQDPConverter converter(std::move(env));
    // There is no window to show an error box in: its text goes to standard
    // error with the file's name, and the file's own failure line, which
    // would repeat it, is left out.
    std::string boxedFile;
    TScopedMessageBoxSink boxes([&](const std::string& text, const std::string& caption, TMessageKind) {
      boxedFile = converter.SourceFile;
      err << (boxedFile.empty() ? caption : boxedFile) << ": " << plain(text) << "\n";
    });
    converter.OnError = [&](const std::string& file, const std::string& message) {
      if (!boxedFile.empty() && file == boxedFile) {
        boxedFile.clear();
        return;
      }
      err << file << ": " << plain(message) << "\n";
    };
    converter.ParseCommandLine(args);
    converter.LoadFilterSettings();
    converter.Run();
    return converter.FailedCount > 0 ? 1 : 0;
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    return 1;
  }
}
