#include "platform/MessageBox.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex& SinkLock() {
  static std::mutex lock;
  return lock;
}

TMessageBoxSink& Sink() {
  static TMessageBoxSink sink;
  return sink;
}

// Standard error, with the box's line breaks as plain line ends.
void WriteToStandardError(const std::string& text, const std::string& caption) {
  std::string out = caption.empty() ? std::string() : caption + ": ";
  for (char c : text)
    if (c != '\r') out += c;
  while (!out.empty() && out.back() == '\n') out.pop_back();
  out += '\n';
  std::fwrite(out.data(), 1, out.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

void ShowMessageBox(const std::string& text, const std::string& caption, TMessageKind kind) {
  TMessageBoxSink sink;
  {
    std::lock_guard<std::mutex> guard(SinkLock());
    sink = Sink();
  }
  if (sink) sink(text, caption, kind);
  else WriteToStandardError(text, caption);
}

TMessageBoxSink SetMessageBoxSink(TMessageBoxSink sink) {
  std::lock_guard<std::mutex> guard(SinkLock());
  TMessageBoxSink previous = std::move(Sink());
  Sink() = std::move(sink);
  return previous;
}
