#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace trevane {

// Texts live as byte strings in the locale's code page (UTF-8 on Linux) everywhere but at the
// widget edge; these two convert at that edge.
inline QString toQString(std::string_view bytes) {
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
inline std::string toBytes(const QString& text) { return text.toLocal8Bit().toStdString(); }

} // namespace trevane
