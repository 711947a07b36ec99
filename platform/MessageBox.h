#pragma once
// Message boxes. In the settings window a box is a dialog; from the command
// line there may be no display, so the default writes the message to
// standard error. The windowing layer, or a program that reports errors its
// own way, installs another sink.

#include <functional>
#include <string>

enum class TMessageKind { mkInformation, mkWarning, mkError };

using TMessageBoxSink = std::function<void(const std::string& text, const std::string& caption, TMessageKind kind)>;

// Shows text with a caption; returns when the user has seen it.
void ShowMessageBox(const std::string& text, const std::string& caption, TMessageKind kind);
// Installs a sink (none: the default) and returns the one it replaces.
TMessageBoxSink SetMessageBoxSink(TMessageBoxSink sink);

// Installs a sink for a scope and puts the previous one back.
class TScopedMessageBoxSink {
public:
  explicit TScopedMessageBoxSink(TMessageBoxSink sink) : FPrevious(SetMessageBoxSink(std::move(sink))) {}
  ~TScopedMessageBoxSink() { SetMessageBoxSink(std::move(FPrevious)); }
  TScopedMessageBoxSink(const TScopedMessageBoxSink&) = delete;
  TScopedMessageBoxSink& operator=(const TScopedMessageBoxSink&) = delete;

private:
  TMessageBoxSink FPrevious;
};
