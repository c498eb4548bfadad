// Paths between the window system and the core. The core opens files by the bytes the file
// system names them with; Qt holds names as text. Converting through the file-system encoding
// (not UTF-8 as such) keeps a name that the window system can represent the same on both sides.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <string>

namespace velmora::app {

/// A path from a dialog or a widget as the core opens it.
inline std::string CorePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

/// A path of the core as the window system shows and opens it.
inline QString ShellPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

}  // namespace velmora::app
