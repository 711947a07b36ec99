#pragma once
// Filter options in the settings file. One routine walks a filter's
// published properties, so each filter's list of properties is also the list
// of keys of its section (the filter's class name). Only ordinal and string
// properties are kept; the names below belong to each run, not to the
// filter's options, and are never read or written.

#include <array>
#include <string_view>

class TqdxCustomExportFilter;
class TIniFile;

inline constexpr std::array<std::string_view, 10> qdxUnsavedFilterProperties = {
    "Name", "Tag", "IOTransport", "ShowDialog", "FileName", "DefaultPath", "ShowProgress",
    "OverwritePrompt", "CreationTime", "OpenAfterExport"};

// The PDF filter's one unpublished option that the settings file keeps, as
// "SaveOriginalImages" in the PDF filter's section.
class TqdxSaveOriginalImagesOption {
public:
  virtual ~TqdxSaveOriginalImagesOption() = default;
  virtual bool GetSaveOriginalImages() const = 0;
  virtual void SetSaveOriginalImages(bool value) = 0;
};

// Reading applies the filter's section to it: a missing key, a value that is
// not an integer or one the property refuses leaves the property as it was.
// Writing stores the current values; a file that cannot be written raises
// "Unable to write to <file>".
void TransferFilterSettings(TqdxCustomExportFilter& filter, TIniFile& file, bool reading);
