#pragma once
// Keeps each typed command's reply on a line of its own in manual mode's raw output. With the
// output callback installed, a typed command's reply arrives as raw receiver output, and a
// receiver need not end its replies with a line feed: two replies in a row would run together
// ("RE00ANH-RCV-100RE0015"). While replies are due, a reply frame ("RE"/"ER" + three hex length
// digits + body) found in the output starts a new line, and what follows it starts another.
// GUI thread only.
#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

class ReplyLines {
 public:
  // A typed command went out; its reply will come as output.
  void expectReply() { ++due_; }
  // The reply came back another way (or never will): one fewer is due.
  void replyTaken() {
    if (due_ > 0) --due_;
  }
  // The output as it goes to the window, with line feeds where replies begin and end.
  // `lineOpen`: the window's last line already holds text.
  std::string separate(std::string_view output, bool lineOpen);

 private:
  std::string pending_;        // a possible frame header cut by the end of the last output
  std::size_t frameLeft_ = 0;  // body bytes of the current reply still to come
  char lastBodyByte_ = 0;
  bool inFrame_ = false, afterReply_ = false, continued_ = false;
  int due_ = 0;
};
