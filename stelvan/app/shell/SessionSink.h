#pragma once
// What the session thread tells the windows. Every call is made on the session thread (or a
// Gridlink thread) and must only post to the GUI thread, never touch a widget.
#include <string>

#include "shell/ViewTexts.h"

struct SessionSink {
  virtual ~SessionSink() = default;
  virtual void postStatus(const std::string& text) = 0;  // pane 0
  virtual void postDropConnection() = 0;
  virtual void postManualMode() = 0;
  virtual void postMessageCommand() = 0;
  virtual void postMessageProgress(const std::string& text) = 0;  // a message transfer report
  virtual void postStopAndDrop() = 0;  // the server link ended
  virtual void postTitle(const std::string& title) = 0;
  virtual void postTexts(const ViewTexts& texts) = 0;
  virtual void postHideStopButton() = 0;
};
