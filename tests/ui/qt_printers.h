#pragma once
// Readable GoogleTest messages for Qt values.

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <ostream>

inline std::ostream& operator<<(std::ostream& out, const QString& text) {
  return out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QSize& size, std::ostream* out) {
  *out << size.width() << "x" << size.height();
}
inline void PrintTo(const QPoint& point, std::ostream* out) {
  *out << "(" << point.x() << "," << point.y() << ")";
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
  *out << "[" << list.join(QStringLiteral(" | ")).toStdString() << "]";
}
