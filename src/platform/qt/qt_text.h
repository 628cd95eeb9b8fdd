#pragma once

#include <string>
#include <string_view>

#include <QString>

namespace hm {

// Text crosses between the core and Qt here only: the core's text is UTF-8.
inline QString qt(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string utf8(const QString& text) {
  return text.toStdString();
}

}  // namespace hm
