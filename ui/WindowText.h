#pragma once
// Between the library's texts and Qt's strings: file names as the system takes them (bytes)
// and as the window shows them, and the library's UTF-8 texts.

#include <QFile>
#include <QString>

#include <string>
#include <string_view>

namespace tarveno::ui {

inline std::string fsName(const QString& name) {
    return QFile::encodeName(name).toStdString();
}
inline QString shownName(const std::string& name) {
    return QFile::decodeName(QByteArray::fromStdString(name));
}
inline QString utf8(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace tarveno::ui
