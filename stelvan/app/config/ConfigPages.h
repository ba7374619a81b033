#pragma once
// The eight configuration pages. Each is its parameter table on a CDialogRCV, plus the buttons
// of its own that act at once.
#include <functional>

#include "BasePosition.h"
#include "CDialogRCV.h"

class ICommandSender;
class QPushButton;

class CGeneralPage : public CDialogRCV {
  Q_OBJECT
 public:
  explicit CGeneralPage(QWidget* parent = nullptr);
};

class CMinPadPage : public CDialogRCV {
  Q_OBJECT
 public:
  explicit CMinPadPage(QWidget* parent = nullptr);
};

class CPositioningPage : public CDialogRCV {
  Q_OBJECT
 public:
  // "Datum Parameters" reads and sends through `sender` at once.
  CPositioningPage(ICommandSender& sender, QWidget* parent = nullptr);
  // GLONASS numbering: by frequency channel (0) or by slot (1), kept in the settings.
  void setGloNumbering(int numbering);

 private:
  void showGloNumbering();
};

class CBasePage : public CDialogRCV {
  Q_OBJECT
 public:
  // `lastPosition` gives the receiver's latest position, false while there is none.
  using PositionSource = std::function<bool(BasePosition::Fix&)>;
  explicit CBasePage(PositionSource lastPosition, QWidget* parent = nullptr);
  // "GPS/GLO at one time" (the GLONASS position follows the GPS one) or separately; kept in
  // the settings.
  void setAtOneTime(bool atOneTime);
  // "Get from receiver": both reference positions become the latest position.
  bool takeLastPosition();

 private:
  void followGps();
  PositionSource lastPosition_;
};

class CRoverPage : public CDialogRCV {
  Q_OBJECT
 public:
  // "Reset RTK Engine" sends at once through `sender`; its refusal goes to `status`.
  CRoverPage(ICommandSender& sender, QWidget* parent = nullptr);
 signals:
  void status(const QString& text);
};

class CPortsPage : public CDialogRCV {
  Q_OBJECT
 public:
  explicit CPortsPage(QWidget* parent = nullptr);
  // Also keeps the local server's Wi-Fi link in step with a Wi-Fi that is on, and asks for a
  // receiver reset once a new Bluetooth name or pin went through.
  QString apply(ICommandSender& sender) override;
 signals:
  void resetNeeded();
};

class CEventPage : public CDialogRCV {
  Q_OBJECT
 public:
  // "Repeat Synchronization" sends at once through `sender`.
  CEventPage(ICommandSender& sender, QWidget* parent = nullptr);
 signals:
  void status(const QString& text);
};

class CAdvancedPage : public CDialogRCV {
  Q_OBJECT
 public:
  // The external frequency's state is read again through `sender` on request.
  explicit CAdvancedPage(ICommandSender& sender, QWidget* parent = nullptr);
  void refreshFrequency();

 private:
  ICommandSender& sender_;
};
