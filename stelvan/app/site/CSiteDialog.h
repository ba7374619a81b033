#pragma once
// "Site Configuration": site name, antenna status, height, slant and type. OK and "Send to
// receiver" validate and store the values; "Send to receiver" also sends the site events.
#include <QDialog>

#include "site/SiteSettings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class CReceiver;

class CSiteDialog : public QDialog {
  Q_OBJECT
 public:
  // `receiver` is the open, connected session's receiver, or null (then nothing is sent).
  CSiteDialog(SiteSettings& site, CReceiver* receiver, QWidget* parent = nullptr);

  void accept() override;
  void sendToReceiver();
  QString statusText() const;

 private:
  bool validate();

  SiteSettings& m_Site;
  CReceiver* m_Receiver;
  QLineEdit* m_Name;
  QComboBox* m_Status;
  QLineEdit* m_Height;
  QCheckBox* m_Slant;
  QComboBox* m_Type;
  QPushButton* m_Send;
  QLabel* m_StatusLine;
};
