#pragma once
// In-place editors for one receiver row of the local server: a serial row gets its port, line
// speed and RTS/CTS flag, a network (TCP or Wi-Fi) row its host, port and password, a modem row
// its port, number, PIN and line speed. GUI thread only.
#include <QWidget>
#include <optional>
#include <string>

#include "list/ReceiverRow.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace Kestrel {

class RowEditor : public QWidget {
 public:
  using QWidget::QWidget;
  // The edited receiver string, or nullopt when the edit cannot be taken (the editor has
  // told the user why and kept the focus).
  virtual std::optional<std::string> Commit() = 0;
  virtual void FocusFirst() = 0;
};

// Null when the row is no serial, network or modem receiver string.
RowEditor* CreateRowEditor(const std::string& row, QWidget* parent);

class ComRowEditor : public RowEditor {
 public:
  ComRowEditor(const ComRow& row, QWidget* parent);
  std::optional<std::string> Commit() override;
  void FocusFirst() override;

 private:
  QComboBox* m_Port;
  QComboBox* m_Rate;
  QCheckBox* m_RtsCts;
  std::string m_OriginalPort;
};

class TcpRowEditor : public RowEditor {
 public:
  TcpRowEditor(const TcpRow& row, QWidget* parent);
  std::optional<std::string> Commit() override;
  void FocusFirst() override;

 private:
  QLineEdit* m_Host;
  QLineEdit* m_Port;
  QLineEdit* m_Password;
  bool m_Wifi;
};

class GsmRowEditor : public RowEditor {
 public:
  GsmRowEditor(const GsmRow& row, QWidget* parent);
  std::optional<std::string> Commit() override;
  void FocusFirst() override;

 private:
  QComboBox* m_Port;
  QLineEdit* m_Number;
  QLineEdit* m_Pin;
  QComboBox* m_Rate;
  std::string m_OriginalPort;
};

// The serial ports udev finds, plus `current` (a pseudo-terminal or a port not plugged in),
// into an editable box; `current` chosen.
void FillPortBox(QComboBox* box, const std::string& current);

}  // namespace Kestrel
