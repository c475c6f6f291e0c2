#include "platform/PlatformPaths.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <cstdlib>

#include "core/Paths.h"

std::filesystem::path ToPath(const QString& text) {
#ifdef _WIN32
    return std::filesystem::path(text.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(text).toStdString());
#endif
}

QString FromPath(const std::filesystem::path& path) {
#ifdef _WIN32
    return QString::fromStdWString(path.wstring());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
#endif
}

ProgramPaths PlatformPaths() {
    ProgramPaths paths;
    paths.ProgramFolder = ToPath(QCoreApplication::applicationDirPath());
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    paths.DataFolder = DataFolderFrom(std::getenv("LOCALAPPDATA"), ToPath(userData) / "BrevRec");
    return paths;
}
