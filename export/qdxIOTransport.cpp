#include "export/qdxIOTransport.h"

#include "document/qdxClassBuilder.h"
#include "platform/FileUtils.h"
#include "platform/Streams.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::vector<TqdxCustomIOTransport*>& Transports() {
  static std::vector<TqdxCustomIOTransport*> list;
  return list;
}

TqdxTransportFactory& DialogFactory() {
  static TqdxTransportFactory factory = nullptr;
  return factory;
}

[[noreturn]] void ParseError(const std::string& name) {
  throw EStreamError("Unable to parse path : \"" + name + "\" to Nodes");
}

// The parts of a relative path of plain names. Absolute paths, empty parts
// and "." or ".." would reach outside the base folder or name no file.
std::vector<std::string> SplitPath(const std::string& name) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t slash = name.find('/', start);
    std::string part = name.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (part.empty() || part == "." || part == "..") ParseError(name);
    parts.push_back(std::move(part));
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return parts;
}

std::string SystemError() { return std::strerror(errno); }

}  // namespace

// ---- TqdxNode ----

TqdxNode* TqdxNode::Find(const std::string& name) const {
  for (const auto& n : Nodes)
    if (n->Name == name) return n.get();
  return nullptr;
}

TqdxNode* TqdxNode::Add(const std::string& name, bool isFolder) {
  Nodes.push_back(std::make_unique<TqdxNode>(name, this, isFolder));
  return Nodes.back().get();
}

std::string TqdxNode::Path() const {
  if (Parent == nullptr) return Name;
  std::string up = Parent->Path();
  return up.empty() ? Name : up + "/" + Name;
}

// ---- TqdxCustomIOTransport ----

QDX_DEFINE_PLAIN_CLASS(TqdxCustomIOTransport, TqdxBaseComponent)

TqdxCustomIOTransport::TqdxCustomIOTransport(TqdxBaseComponent* owner) : TqdxBaseComponent(owner) {
  Transports().push_back(this);
}

TqdxCustomIOTransport::~TqdxCustomIOTransport() {
  auto& list = Transports();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TqdxCustomIOTransport::FreeTempContainer() {
  if (!FTempContainer) return;
  // Scratch files: nothing in them is worth an error at this point.
  try {
    FTempContainer->MarkFailed();
    FTempContainer->CloseConnection();
  } catch (const std::exception&) {
  }
  FTempContainer.reset();
}

std::string TqdxCustomIOTransport::FileNameOf(const TqdxNode& node) const {
  return BasePath + node.Path();
}

TStream* TqdxCustomIOTransport::GetStream(const std::string& name) {
  TqdxNode* file = nullptr;
  std::string fullName;
  if (name.empty()) {
    // The main file keeps the folder it was given, which may differ from
    // BasePath when the caller named both.
    std::string bare = ExtractFileName(FileName);
    if (bare.empty() || bare == "." || bare == "..") ParseError(FileName);
    file = FRoot.Find(bare);
    if (file == nullptr) file = FRoot.Add(bare, false);
    fullName = ExtractFilePath(FileName).empty() ? BasePath + FileName : FileName;
  } else {
    std::vector<std::string> parts = SplitPath(name);
    TqdxNode* folder = &FRoot;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
      TqdxNode* next = folder->Find(parts[i]);
      if (next == nullptr) {
        next = folder->Add(parts[i], true);
        CreateContainer(*next);
      } else if (!next->IsFolder) {
        ParseError(name);
      }
      folder = next;
    }
    file = folder->Find(parts.back());
    if (file == nullptr) file = folder->Add(parts.back(), false);
    if (file->IsFolder) ParseError(name);
    fullName = FileNameOf(*file);
  }
  if (!file->Stream) {
    file->FileName = fullName;
    file->Stream = CreateStream(*file, fullName);
  }
  return file->Stream.get();
}

TqdxNode* TqdxCustomIOTransport::FindStreamNode(TqdxNode& node, const TStream* stream) {
  if (node.Stream && node.Stream.get() == stream) return &node;
  for (auto& n : node.Nodes)
    if (TqdxNode* found = FindStreamNode(*n, stream)) return found;
  return nullptr;
}

void TqdxCustomIOTransport::FreeStream(TStream* stream) {
  if (stream == nullptr) return;
  if (TqdxNode* node = FindStreamNode(FRoot, stream)) CloseStream(*node);
}

void TqdxCustomIOTransport::CloseStream(TqdxNode& node) { node.Stream.reset(); }

bool TqdxCustomIOTransport::OpenConnection() {
  FFailed = false;
  return true;
}

void TqdxCustomIOTransport::CloseAll(TqdxNode& node, std::exception_ptr& firstError) {
  if (node.Stream) {
    try {
      CloseStream(node);
    } catch (...) {
      if (!firstError) firstError = std::current_exception();
    }
  }
  for (auto& n : node.Nodes) CloseAll(*n, firstError);
}

void TqdxCustomIOTransport::CloseConnection() {
  std::exception_ptr firstError;
  CloseAll(FRoot, firstError);
  FRoot.Nodes.clear();
  FreeTempContainer();
  if (firstError) std::rethrow_exception(firstError);
}

void TqdxCustomIOTransport::AssignSharedProperties(const TqdxCustomIOTransport& source) {
  BasePath = source.BasePath;
  DefaultExt = source.DefaultExt;
  FileName = source.FileName;
  Report = source.Report;
  OverwritePrompt = source.OverwritePrompt;
  FileAccess = source.FileAccess;
}

TqdxCustomIOTransport& TqdxCustomIOTransport::TempContainer() {
  if (!FTempContainer) CreateTempContainer();
  if (!FTempContainer) throw EStreamError("The transport " + ClassName() + " has no temporary container");
  return *FTempContainer;
}

// ---- TqdxIOTransportFile ----

QDX_DEFINE_PLAIN_CLASS(TqdxIOTransportFile, TqdxCustomIOTransport)

TqdxIOTransportFile::~TqdxIOTransportFile() {
  // Streams still open here belong to an abandoned run: discard them.
  MarkFailed();
  try {
    CloseConnection();
  } catch (const std::exception&) {
  }
  if (!OwnedFolder.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(OwnedFolder, ec);
  }
}

void TqdxIOTransportFile::CreateContainer(TqdxNode& node) {
  if (FileAccess != faWrite) return;
  std::string folder = FileNameOf(node);
  if (!ForceDirectories(folder)) throw EStreamError("Cannot create folder \"" + folder + "\". " + SystemError());
}

std::unique_ptr<TStream> TqdxIOTransportFile::CreateStream(TqdxNode& node, const std::string& fileName) {
  if (FileAccess != faWrite) {
    node.WorkFileName = fileName;
    return std::make_unique<TFileStream>(fileName, TFileMode::fmOpenRead);
  }
  if (WriteInPlace) {
    node.WorkFileName = fileName;
    return std::make_unique<TFileStream>(fileName, TFileMode::fmCreate);
  }
  std::string folder = ExtractFilePath(fileName);
  std::string work = (folder.empty() ? std::string("./") : folder) + "." + ExtractFileName(fileName) + ".XXXXXX";
  int fd = ::mkstemp(work.data());
  if (fd < 0) throw EFOpenError("Cannot create file \"" + fileName + "\". " + SystemError());
  // mkstemp makes the file private; give it the permissions of a new file.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  ::close(fd);
  node.WorkFileName = work;
  try {
    return std::make_unique<TFileStream>(work, TFileMode::fmOpenReadWrite);
  } catch (...) {
    ::unlink(work.c_str());
    node.WorkFileName.clear();
    throw;
  }
}

void TqdxIOTransportFile::CloseStream(TqdxNode& node) {
  node.Stream.reset();
  std::string work = std::move(node.WorkFileName);
  node.WorkFileName.clear();
  if (FileAccess != faWrite || work.empty() || work == node.FileName) return;
  if (Failed()) {
    ::unlink(work.c_str());
    return;
  }
  if (::rename(work.c_str(), node.FileName.c_str()) != 0) {
    std::string why = SystemError();
    ::unlink(work.c_str());
    throw EStreamError("Cannot create file \"" + node.FileName + "\". " + why);
  }
}

void TqdxIOTransportFile::CreateTempContainer() {
  std::string folder = qdxTempFolder() + "qdxexport.XXXXXX";
  if (::mkdtemp(folder.data()) == nullptr)
    throw EFOpenError("Cannot create a temporary folder in \"" + qdxTempFolder() + "\". " + SystemError());
  auto container = std::make_unique<TqdxIOTransportFile>();
  container->AssignSharedProperties(*this);
  container->BasePath = folder + "/";
  container->FileName = ExtractFileName(FileName);
  container->FileAccess = faWrite;
  container->WriteInPlace = true;
  container->OwnedFolder = folder;
  FTempContainer = std::move(container);
}

// ---- registries ----

const std::vector<TqdxCustomIOTransport*>& qdxIOTransports() { return Transports(); }

void qdxSetDialogTransportFactory(TqdxTransportFactory factory) { DialogFactory() = factory; }

TqdxTransportFactory qdxDialogTransportFactory() { return DialogFactory(); }

std::string qdxTempFolder() {
  std::error_code ec;
  std::string folder = std::filesystem::temp_directory_path(ec).string();
  if (ec || folder.empty()) folder = "/tmp";
  return IncludeTrailingPathDelimiter(folder);
}
