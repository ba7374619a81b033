#include "shell/StatusPane.h"

#include <QHelpEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>
#include <QToolTip>
#include <algorithm>

QString StatusPane::fitted(const QString& text, const QFontMetrics& fm, int width) {
  if (fm.horizontalAdvance(text) <= width) return text;
  // "Receiver lost: <cause> (retry 3)": the label and the count stay, the cause gives way.
  static const QRegularExpression parts(QStringLiteral("^([^:]*: )?(.*?)( \\(retry \\d+\\))?$"));
  const QRegularExpressionMatch m = parts.match(text);
  const QString head = m.captured(1), cause = m.captured(2), tail = m.captured(3);
  const int ellipsis = fm.horizontalAdvance(QStringLiteral("…"));
  for (const QString& keep : {head, QString()}) {
    const int room = width - fm.horizontalAdvance(keep) - fm.horizontalAdvance(tail);
    if (room > ellipsis)
      return keep + fm.elidedText(keep.isEmpty() ? head + cause : cause, Qt::ElideMiddle, room) + tail;
  }
  return fm.elidedText(text, Qt::ElideMiddle, width);
}

QString StatusPane::shownText() const {
  return fitted(text(), fontMetrics(), contentsRect().width() - 2 * margin());
}

QSize StatusPane::minimumSizeHint() const {
  const QSize full = QLabel::minimumSizeHint();
  return {std::min(full.width(), fontMetrics().horizontalAdvance(QStringLiteral("Disconnected"))),
          full.height()};
}

bool StatusPane::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const QString full = text();
    if (shownText() != full) {
      QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), full, this);
      return true;
    }
  }
  return QLabel::event(event);
}

void StatusPane::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
  style()->drawItemText(&painter, room, static_cast<int>(alignment()), palette(), isEnabled(), shownText(),
                        foregroundRole());
}
