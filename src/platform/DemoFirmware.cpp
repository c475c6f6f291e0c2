#include "platform/DemoFirmware.h"

#include <QDir>
#include <QSaveFile>
#include <QUrl>
#include <system_error>

#include "platform/PlatformPaths.h"

std::filesystem::path DemoFirmwareFolder(const ProgramPaths& paths) {
    return paths.ProgramFolder / "demo" / "firmware";
}

FirmwarePlaces PrepareDemoFirmware(const ProgramPaths& paths) {
    FirmwarePlaces places;
    // Beside the user's data folder, never inside it: the demo's files must not
    // be taken for the user's firmware.
    std::filesystem::path dataFolder = paths.DataFolder;
    if (!dataFolder.has_filename()) dataFolder = dataFolder.parent_path();
    places.Store = dataFolder.parent_path() / "BrevRecDemo";
    places.ListFile = places.Store / "website.ini";
    places.FactoryFolder = DemoFirmwareFolder(paths);

    std::error_code ec;
    std::filesystem::create_directories(places.Store, ec);
    const QString folder = FromPath(places.FactoryFolder);
    QByteArray list = "[MAINWEBSITE]\r\n";
    list += "Server=" + QUrl::fromLocalFile(folder + QLatin1Char('/')).toEncoded() + "\r\n";
    for (const char* name :
         {"SUGdefaultscf_MIRAX.txt", "SUGdefaultscf_ZET.txt", "SUGdefaultscf_KOVAN.txt"}) {
        const QString file = QDir(folder).filePath(QString::fromLatin1(name));
        list += QByteArray(name) + "=" + QUrl::fromLocalFile(file).toEncoded() + "\r\n";
    }
    list += "[end]\r\n";
    QSaveFile out(FromPath(places.ListFile));
    if (out.open(QIODevice::WriteOnly)) {
        out.write(list);
        out.commit();  // a list that cannot be written makes the run report it missing
    }
    return places;
}
