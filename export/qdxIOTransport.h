#pragma once
// Where a filter's output goes. A transport hands out streams by name below
// its base folder and keeps them in a tree of nodes (folders and files), so
// that a filter writing several files (pages as images, a document with its
// pictures) opens each one once and the transport closes them all at the end.
//
// The file transport never shows a half-written file: it writes to a hidden
// temporary name beside the target and renames it when the stream is closed
// after a successful run. A run that failed (MarkFailed) removes what it
// wrote, and a file that existed before stays as it was.

#include "document/qdxBaseComponent.h"
#include "platform/Streams.h"

#include <exception>
#include <memory>
#include <string>
#include <vector>

class TqdxReport;

enum TqdxFilterAccess : uint8_t { faRead, faWrite };

// A folder or a file below a transport's base folder.
class TqdxNode {
public:
  TqdxNode(std::string name, TqdxNode* parent, bool isFolder)
      : Name(std::move(name)), Parent(parent), IsFolder(isFolder) {}

  std::string Name;
  TqdxNode* Parent;
  bool IsFolder;
  std::vector<std::unique_ptr<TqdxNode>> Nodes;  // children of a folder
  // Files: the open stream (none once freed), the name the file has when
  // complete and the name the stream writes to until then.
  std::unique_ptr<TStream> Stream;
  std::string FileName;
  std::string WorkFileName;

  TqdxNode* Find(const std::string& name) const;
  TqdxNode* Add(const std::string& name, bool isFolder);
  // The path from the root, parts joined by "/".
  std::string Path() const;
};

class TqdxCustomIOTransport : public TqdxBaseComponent {
public:
  QDX_CLASS(TqdxCustomIOTransport)
  explicit TqdxCustomIOTransport(TqdxBaseComponent* owner = nullptr);
  ~TqdxCustomIOTransport() override;

  // ---- operations, in this order of declaration ----
  // File-type filter of a save dialog.
  virtual std::string GetFilterString() const { return {}; }
  // Whether the transport is offered to the user.
  virtual bool GetVisibility() const { return FVisibility; }
  virtual void SetVisibility(bool value) { FVisibility = value; }
  // Makes the folder of a new folder node.
  virtual void CreateContainer(TqdxNode& /*node*/) {}
  // Whether the transport can be used at all.
  virtual bool Available() const { return true; }
  // Opens the stream of a file node; fileName is the file's full name.
  virtual std::unique_ptr<TStream> CreateStream(TqdxNode& node, const std::string& fileName) = 0;
  // Creates TempContainer's transport (none in the base).
  virtual void CreateTempContainer() {}
  // Closes the temporary container's streams and deletes its files.
  virtual void FreeTempContainer();
  // The stream of a name below the base folder ("" means FileName), opened on
  // first use. Raises "Unable to parse path : "name" to Nodes" for a name
  // that is not a relative path of plain parts.
  virtual TStream* GetStream(const std::string& name = "");
  // Closes the stream and forgets it.
  virtual void FreeStream(TStream* stream);
  // Called by filters that assemble their output before it is stored.
  virtual void Save() {}
  virtual bool OpenConnection();
  // Frees every stream and the temporary container.
  virtual void CloseConnection();
  // Takes folder, names, report and flags from another transport.
  virtual void AssignSharedProperties(const TqdxCustomIOTransport& source);

  // A transport for scratch files, created on first use; its files are
  // deleted when this transport is closed. Raises when the transport has none.
  TqdxCustomIOTransport& TempContainer();
  TqdxCustomIOTransport* TempContainerIfCreated() const { return FTempContainer.get(); }

  // The run failed: closing keeps nothing of what this run wrote.
  void MarkFailed() { FFailed = true; }
  bool Failed() const { return FFailed; }

  std::string BasePath;    // folder below which names are resolved, with "/"
  std::string DefaultExt;  // with its dot
  std::string FileName;    // the main output file
  TqdxReport* Report = nullptr;
  bool OverwritePrompt = false;
  TqdxFilterAccess FileAccess = faRead;

  TqdxNode& Root() { return FRoot; }

protected:
  // Full name of a file node on disk.
  std::string FileNameOf(const TqdxNode& node) const;
  // Closes a file node's stream; the file transport also stores or discards
  // the file.
  virtual void CloseStream(TqdxNode& node);

  std::unique_ptr<TqdxCustomIOTransport> FTempContainer;

private:
  TqdxNode* FindStreamNode(TqdxNode& node, const TStream* stream);
  // Closes every stream below node; the first error is raised after all.
  void CloseAll(TqdxNode& node, std::exception_ptr& firstError);

  TqdxNode FRoot{"", nullptr, true};
  bool FVisibility = true;
  bool FFailed = false;
};

// The file-system transport.
class TqdxIOTransportFile : public TqdxCustomIOTransport {
public:
  QDX_CLASS(TqdxIOTransportFile)
  using TqdxCustomIOTransport::TqdxCustomIOTransport;
  ~TqdxIOTransportFile() override;

  void CreateContainer(TqdxNode& node) override;
  // Writing: a new file (under a temporary name unless WriteInPlace).
  // Reading: the existing file.
  std::unique_ptr<TStream> CreateStream(TqdxNode& node, const std::string& fileName) override;
  // A file transport writing in place into a new private folder of the
  // system's temporary folder; the folder goes with it.
  void CreateTempContainer() override;

  // Files are written under their own names at once (scratch files).
  bool WriteInPlace = false;
  // A folder this transport deletes, with its content, when it is destroyed
  // (the folder of a temporary container); empty for ordinary transports.
  std::string OwnedFolder;

protected:
  void CloseStream(TqdxNode& node) override;
};

// Every living transport in creation order.
const std::vector<TqdxCustomIOTransport*>& qdxIOTransports();

// The save-dialog transport that the windowing layer provides; none on the
// command line.
using TqdxTransportFactory = std::unique_ptr<TqdxCustomIOTransport> (*)(TqdxBaseComponent* owner);
void qdxSetDialogTransportFactory(TqdxTransportFactory factory);
TqdxTransportFactory qdxDialogTransportFactory();

// The system's temporary folder, with its trailing "/".
std::string qdxTempFolder();
