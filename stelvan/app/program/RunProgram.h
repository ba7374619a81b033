#pragma once
// The program's life on a QApplication: settings, main window, first connection, event loop,
// close path. Returns the exit status.
class QApplication;
struct StartOptions;

int RunProgram(QApplication& qapp, const StartOptions& options);
