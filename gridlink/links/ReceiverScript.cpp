// "@scr" scripts: one command per line, replies appended in order.
#include <string>

#include "gridlink/platform/MessagePump.h"
#include "links/CReceiverConnection.h"

namespace {

std::string_view skipBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

}  // namespace

int CReceiverConnection::RunScript(std::string_view script, std::string& replyOut) {
  replyOut.clear();
  if (script.size() < 4) return 0;
  std::size_t eol = script.find('\n', 4);
  const std::string_view header =
      skipBlanks(script.substr(4, eol == std::string_view::npos ? script.npos : eol - 4));
  bool stopOnErrors = header.starts_with("stoperrors on");
  if (eol != std::string_view::npos && (header.empty() || header == "\r")) {
    // "stoperrors on" may also stand alone on the line after "@scr": a setting, not a command.
    const std::size_t next = script.find('\n', eol + 1);
    if (next != std::string_view::npos &&
        skipBlanks(script.substr(eol + 1, next - eol - 1)).starts_with("stoperrors")) {
      stopOnErrors = skipBlanks(script.substr(eol + 1, next - eol - 1)).starts_with("stoperrors on");
      eol = next;
    }
  }
  int count = 0;
  while (eol != std::string_view::npos) {
    const std::size_t start = eol + 1;
    eol = script.find('\n', start);
    if (eol == std::string_view::npos) break;  // text behind the last line feed is no line
    std::string_view line = skipBlanks(script.substr(start, eol - start));
    if (line.starts_with("#")) continue;
    if (line.starts_with("@end")) break;
    Platform::PumpMessages();
    // A script written with CR LF line ends must not send the CR as part of the command.
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    std::string reply;
    const bool ok = SendCommand(line, reply, kScriptCommandMs);
    replyOut += reply;
    if (reply == kReplyTimeout || (!ok && stopOnErrors)) return 0;
    replyOut += '\n';
    if (ok) ++count;
  }
  return count;
}
