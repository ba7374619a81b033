#pragma once
// StatusPane: the main window's status line. The main window keeps a narrow width, and a
// status such as "Receiver lost: <cause> (retry 3)" is often wider: the pane shows the whole
// text when it fits, else the middle of the cause gives way to "…" while the leading label
// ("Receiver lost: ") and a closing " (retry n)" stay whole. text() keeps the full text, and so does the
// pane's tooltip while the text is shortened. GUI thread only.
#include <QLabel>

class StatusPane : public QLabel {
  Q_OBJECT
 public:
  explicit StatusPane(QWidget* parent = nullptr) : QLabel(parent) {}

  // The text as drawn at the pane's present width.
  QString shownText() const;
  // A long text must not widen the window, so the pane asks for no more than a short word.
  QSize minimumSizeHint() const override;

  // The text shortened in its middle to fit `width` pixels in `fm`, keeping its label up to
  // the first ": " and a closing " (retry n)" whole while they fit.
  static QString fitted(const QString& text, const QFontMetrics& fm, int width);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
};
