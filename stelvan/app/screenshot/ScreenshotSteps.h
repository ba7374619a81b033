#pragma once
// The pictures ./dev screenshot takes, in order. A step either selects a window that is already
// shown (select) or opens a modal one (openModal, which returns when the dialog closes; the runner
// grabs the active modal widget meanwhile and closes it).
#include <QString>
#include <functional>
#include <vector>

class CMainFrame;
class QWidget;

struct ScreenshotStep {
  QString file;
  bool needsLiveData = false;  // wait until the main view shows a receiver's data
  std::function<QWidget*(CMainFrame&)> select;
  std::function<void(CMainFrame&)> openModal;
};

const std::vector<ScreenshotStep>& ScreenshotSteps();
