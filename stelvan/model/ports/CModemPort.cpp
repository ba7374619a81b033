#include "CModemPort.h"

#include "gridlink/platform/Clock.h"

namespace CMNC {

namespace {
// The modem's answers as one line of text: "+CPIN: SIM PIN / OK / +CME ERROR: ...".
std::string answerLines(const std::string& said) {
  std::string out, lineText;
  for (const char c : said + "\n") {
    if (c != '\r' && c != '\n') {
      if (static_cast<unsigned char>(c) >= ' ') lineText += c;
      continue;
    }
    if (lineText.empty()) continue;
    out += (out.empty() ? "" : " / ") + lineText;
    lineText.clear();
  }
  return out.empty() ? "nothing" : out;
}
}  // namespace

bool CModemPort::Open(const std::string& modemString) {
  Close();
  ModemTarget target;
  std::string error;
  if (!target.Parse(modemString, error)) {
    m_lastError = error.rfind("ER:", 0) == 0 ? error.substr(3) : "Bad modem line speed in " + modemString;
    return false;
  }
  if (!CSerialPort::Open(target.DevicePath())) return false;
  Platform::SerialPort& port = line();
  if (!port.SetSpeed(target.rate)) {
    fail("speed " + std::to_string(target.rate));
    CSerialPort::Close();
    return false;
  }
  // The modem paces us with CTS; DTR and RTS up. A pseudo-terminal has no such lines.
  port.SetHardwareFlowControl(true);
  port.SetDtr(true);
  port.SetRts(true);
  port.Purge(true, true);
  if (!m_dialer.Dial(target, m_cancel)) {
    const bool cancelled = m_cancel && m_cancel->load();
    m_lastError = cancelled ? "Dialling " + target.number + " was cancelled"
                            : "The modem on " + target.port + " did not connect to " + target.number + ": " +
                                  m_dialer.Failure() + " (the modem said: " + answerLines(m_dialer.Said()) + ")";
    CSerialPort::Close();
    return false;
  }
  m_lastWrite = m_dialer.LastWriteTick();
  m_connected = true;
  return true;
}

void CModemPort::Close() {
  if (m_connected && IsOpen()) m_dialer.HangUp(Platform::GetTickCount() - m_lastWrite.load());
  m_connected = false;
  CSerialPort::Close();
}

int CModemPort::Write(const std::uint8_t* bytes, std::size_t count, int timeoutMs) {
  const int n = CSerialPort::Write(bytes, count, timeoutMs);
  m_lastWrite = Platform::GetTickCount();
  return n;
}

}  // namespace CMNC
