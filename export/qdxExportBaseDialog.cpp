#include "export/qdxExportBaseDialog.h"

#include "document/qdxClassBuilder.h"
#include "platform/FileUtils.h"

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

QDX_DEFINE_PLAIN_CLASS(TqdxBaseDialogExportFilter, TqdxCustomExportFilter)

void TqdxBaseDialogExportFilter::AfterFinish() {
  // A run that failed has stored no file; there is nothing to open then.
  if (OpenAfterExport && Stream == nullptr && FileExists(GetFileName())) qdxShellOpen(GetFileName());
}

int TqdxBaseDialogExportFilter::ShowModal() {
  if (Stream != nullptr) return qdxModalOk;
  TqdxExportDialogClass dialogClass = DialogClass();
  if (dialogClass == nullptr) return qdxModalOk;
  std::unique_ptr<TqdxBaseExportDialog> dialog = dialogClass(*this);
  dialog->ReadFromFilter(*this);
  int result = dialog->ShowModal();
  if (result == qdxModalOk) dialog->WriteToFilter(*this);
  return result;
}

bool qdxShellOpen(const std::string& fileName) {
  // The shell puts the opener in the background and exits at once, so no
  // child is left to reap; the name travels as an argument, never as code.
  const char* argv[] = {"sh", "-c", "xdg-open \"$1\" >/dev/null 2>&1 &", "sh", fileName.c_str(), nullptr};
  pid_t pid = 0;
  if (::posix_spawnp(&pid, "sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) return false;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
