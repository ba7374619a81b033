#pragma once
// The user's traffic log: the "Traffic log" entry of the Tools menu, kept in the program's
// settings (section "TrafficLog": "On" and "File"), and --trace FILE for one run. The log
// itself is Gridlink's (gridlink/TrafficLog.h). GUI thread only.
#include <QString>

class QMenu;
class QWidget;

namespace TrafficLogSetting {

// Where the log goes unless the settings name a file.
QString DefaultFile();
// Starts the log when the settings have it on; false with the reason when it cannot start.
bool ApplySaved(QString& error);
// Starts the log in `file` for this run, whatever the settings say.
bool StartForRun(const QString& file, QString& error);
// Adds the checkable entry to the menu; switching it writes the setting and starts or stops
// the log, and tells the user where it goes (or why it cannot).
void AddMenuEntry(QMenu* tools, QWidget* parent);

}  // namespace TrafficLogSetting
