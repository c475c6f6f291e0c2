#include "platform/QtPortLister.h"

#include <utility>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <QSerialPortInfo>
#endif

QtPortLister::QtPortLister(std::vector<std::string> explicitPorts)
    : explicitPorts_(std::move(explicitPorts)) {}

#ifdef _WIN32
namespace {

std::string Utf8(const wchar_t* text, int length) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}

// The value names of SERIALCOMM hold backslashes (\Device\Serial0), which
// QSettings would take as sub-keys, so the key is read with the plain API.
std::vector<std::string> RegistryPorts() {
    std::vector<std::string> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return ports;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        wchar_t data[256];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        const LONG rc = RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data), &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS || type != REG_SZ) continue;
        int length = static_cast<int>(dataSize / sizeof(wchar_t));
        while (length > 0 && data[length - 1] == L'\0') --length;
        ports.push_back(Utf8(data, length));
    }
    RegCloseKey(key);
    return ports;
}

}  // namespace
#endif

std::vector<std::string> QtPortLister::GetComPortList() {
    if (!explicitPorts_.empty()) return explicitPorts_;
#ifdef _WIN32
    return RegistryPorts();
#else
    std::vector<std::string> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports.push_back(info.systemLocation().toStdString());
    return ports;
#endif
}
