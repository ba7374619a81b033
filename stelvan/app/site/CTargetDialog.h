#pragma once
// "Target position": a reference latitude and longitude as degrees, minutes, seconds and
// hemisphere. OK turns them into radians; "Get from receiver" asks for the latest position.
#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

class CTargetDialog : public QDialog {
  Q_OBJECT
 public:
  CTargetDialog(double lat, double lon, bool sessionOpen, QWidget* parent = nullptr);

  void setPosition(double lat, double lon);
  void accept() override;
  // The confirmed target, radians.
  double lat() const { return m_Lat; }
  double lon() const { return m_Lon; }

 signals:
  // "Get from receiver": the owner answers with setPosition.
  void positionWanted();

 private:
  struct Coordinate {
    QLineEdit *degrees, *minutes, *seconds;
    QComboBox* hemisphere;
  };
  Coordinate makeCoordinate(const char* prefix, const char* positive, const char* negative);
  void show(const Coordinate& c, double radians);
  static double read(const Coordinate& c, double modulo);

  Coordinate m_LatEdit{}, m_LonEdit{};
  QPushButton* m_Get = nullptr;
  double m_Lat = 0, m_Lon = 0;
};
