#pragma once
// The pictures ./dev screenshot takes, in order. A step either selects a window that is already
// shown (select, after an optional prepare) or opens a modal one (openModal, which returns when the dialog closes; the runner
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
  // For a modal step: run once the dialog shows (start a run, pick a page), and how long the
  // dialog then gets to fill itself with live data before the picture.
  std::function<void(QWidget*)> onModal = nullptr;
  int settleMs = 0;
  // For a select step: run first (open the views beside the main window); the picture is
  // taken settleMs later.
  std::function<void(CMainFrame&)> prepare = nullptr;
};

const std::vector<ScreenshotStep>& ScreenshotSteps();
