#include "export/qdxFilterSettings.h"

#include "document/qdxTypInfo.h"
#include "export/qdxExportFilter.h"
#include "platform/CodePage.h"
#include "platform/IniFile.h"

#include <algorithm>

namespace {

const char* const PDFFilterClass = "TqdxPDFExport";
const char* const SaveOriginalImagesKey = "SaveOriginalImages";

bool IsUnsaved(const std::string& name) {
  return std::find(qdxUnsavedFilterProperties.begin(), qdxUnsavedFilterProperties.end(), name) !=
         qdxUnsavedFilterProperties.end();
}

void ReadProperty(TqdxCustomExportFilter& filter, const TqdxPropInfo& prop, const TIniFile& file,
                  const std::string& section) {
  if (!prop.IsWritable()) return;
  try {
    switch (prop.Kind()) {
      case TqdxPropKind::pkInteger:
      case TqdxPropKind::pkChar:
      case TqdxPropKind::pkEnumeration:
      case TqdxPropKind::pkSet: {
        int64_t current = prop.GetOrd(filter);
        int64_t value = file.ReadInteger(section, prop.Name(), current);
        if (value != current) prop.SetOrd(filter, value);
        break;
      }
      case TqdxPropKind::pkString:
        prop.SetStr(filter, file.ReadString(section, prop.Name(), prop.GetStr(filter)));
        break;
      case TqdxPropKind::pkWString:
        prop.SetWStr(filter, Utf8ToUtf16(file.ReadString(section, prop.Name(), Utf16ToUtf8(prop.GetWStr(filter)))));
        break;
      default:
        break;
    }
  } catch (const EqdxPropertyError&) {
    // A value out of the property's range (an unknown enumeration ordinal,
    // a number too large for the field) keeps the current value.
  }
}

void WriteProperty(const TqdxCustomExportFilter& filter, const TqdxPropInfo& prop, TIniFile& file,
                   const std::string& section) {
  switch (prop.Kind()) {
    case TqdxPropKind::pkInteger:
    case TqdxPropKind::pkChar:
    case TqdxPropKind::pkEnumeration:
    case TqdxPropKind::pkSet:
      file.WriteInteger(section, prop.Name(), prop.GetOrd(filter));
      break;
    case TqdxPropKind::pkString:
      file.WriteString(section, prop.Name(), prop.GetStr(filter));
      break;
    case TqdxPropKind::pkWString:
      file.WriteString(section, prop.Name(), Utf16ToUtf8(prop.GetWStr(filter)));
      break;
    default:
      break;
  }
}

}  // namespace

void TransferFilterSettings(TqdxCustomExportFilter& filter, TIniFile& file, bool reading) {
  const std::string& section = filter.ClassName();
  for (const TqdxPropInfo* prop : filter.ClassInfo().Properties()) {
    if (IsUnsaved(prop->Name())) continue;
    if (reading) ReadProperty(filter, *prop, file, section);
    else WriteProperty(filter, *prop, file, section);
  }
  if (section != PDFFilterClass) return;
  if (auto* pdf = dynamic_cast<TqdxSaveOriginalImagesOption*>(&filter)) {
    if (reading) pdf->SetSaveOriginalImages(file.ReadBool(section, SaveOriginalImagesKey, true));
    else file.WriteBool(section, SaveOriginalImagesKey, pdf->GetSaveOriginalImages());
  }
}
