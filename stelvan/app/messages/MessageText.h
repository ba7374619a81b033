#pragma once
// The texts of the messages window that need no widget: the user list and a message's reply.
#include <string>
#include <vector>

namespace Messages {

// A user list reply ("RE:" then "name/state\n" per user): the users whose state is "e".
std::vector<std::string> recipients(const std::string& reply);

// A fetched message's reply, read as "%*s %s %1023c": its second word is the subject, the rest
// (at most 1023 characters) the text.
struct FetchedText {
  std::string subject;
  std::string text;
};
FetchedText fetchedText(const std::string& reply);

// Percentage shown while a transfer runs: 100 - (total - done + 1) / total * 100.
int percentDone(double done, double total);

}  // namespace Messages
