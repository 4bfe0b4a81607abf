// The Windows ports as the registry and SetupAPI list them, read with the
// rights of an ordinary user and without opening any port.

#include "ports/port_enumeration.h"

#include <memory>
#include <utility>

#include <windows.h>
// After windows.h: the class GUIDs are defined here, not only declared.
#include <initguid.h>
#include <devguid.h>
#include <cfgmgr32.h>
#include <setupapi.h>

namespace {

std::string utf8(const wchar_t* text, std::size_t length)
{
    if (length == 0)
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), result.data(), size, nullptr, nullptr);
    return result;
}

// A string value as stored, without the terminating zeros.
std::string wideValue(const std::wstring& buffer)
{
    const std::size_t end = buffer.find(L'\0');
    return utf8(buffer.data(), end == std::wstring::npos ? buffer.size() : end);
}

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

struct DeviceListDestroyer {
    void operator()(HDEVINFO list) const { SetupDiDestroyDeviceInfoList(list); }
};
using DeviceList = std::unique_ptr<std::remove_pointer_t<HDEVINFO>, DeviceListDestroyer>;

std::string stringValue(HKEY key, const wchar_t* name)
{
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_SZ)
        return {};
    std::wstring buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes) != ERROR_SUCCESS)
        return {};
    return wideValue(buffer);
}

std::optional<std::uint32_t> numberValue(HKEY key, const wchar_t* name)
{
    DWORD type = 0;
    DWORD value = 0;
    DWORD bytes = sizeof value;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return value;
}

std::vector<SerialCommEntry> serialCommEntries()
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &opened) !=
        ERROR_SUCCESS)
        return {};
    const Key key(opened);
    std::vector<SerialCommEntry> entries;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = sizeof name / sizeof name[0];
        std::wstring data(64, L'\0');
        DWORD bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        DWORD type = 0;
        const LONG status = RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data.data()), &bytes);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status == ERROR_SUCCESS && type == REG_SZ)
            entries.push_back({utf8(name, nameLength), wideValue(data)});
    }
    return entries;
}

std::string deviceProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property)
{
    DWORD type = 0;
    DWORD bytes = 0;
    SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, nullptr, 0, &bytes);
    if (bytes == 0)
        return {};
    std::wstring buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, reinterpret_cast<BYTE*>(buffer.data()),
                                           bytes, nullptr) ||
        type != REG_SZ)
        return {};
    return wideValue(buffer);
}

std::string instanceIdOf(DEVINST instance)
{
    wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
    if (CM_Get_Device_IDW(instance, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS)
        return {};
    return wideValue(id);
}

std::string parentInstanceId(DEVINST instance)
{
    DEVINST parent = 0;
    if (CM_Get_Parent(&parent, instance, 0) != CR_SUCCESS)
        return {};
    return instanceIdOf(parent);
}

// The device's own key (Enum\...\Device Parameters): PortName and, for the
// FTDI driver, LatencyTimer. Modems name their port in AttachedTo.
void readDeviceKey(HDEVINFO set, SP_DEVINFO_DATA& device, PortDeviceRecord& record)
{
    const HKEY opened = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (opened == INVALID_HANDLE_VALUE)
        return;
    const Key key(opened);
    record.portName = stringValue(key.get(), L"PortName");
    if (record.portName.empty())
        record.portName = stringValue(key.get(), L"AttachedTo");
    record.latencyTimerMs = numberValue(key.get(), L"LatencyTimer");
}

void addClassDevices(const GUID& deviceClass, std::vector<PortDeviceRecord>& records)
{
    const HDEVINFO set = SetupDiGetClassDevsW(&deviceClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return;
    const DeviceList list(set);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        PortDeviceRecord record;
        readDeviceKey(set, device, record);
        if (record.portName.empty())
            continue;
        record.instanceId = instanceIdOf(device.DevInst);
        record.parentInstanceId = parentInstanceId(device.DevInst);
        record.friendlyName = deviceProperty(set, device, SPDRP_FRIENDLYNAME);
        record.maker = deviceProperty(set, device, SPDRP_MFG);
        record.service = deviceProperty(set, device, SPDRP_SERVICE);
        records.push_back(std::move(record));
    }
}

std::vector<PortDeviceRecord> portDeviceRecords()
{
    std::vector<PortDeviceRecord> records;
    addClassDevices(GUID_DEVCLASS_PORTS, records);
    addClassDevices(GUID_DEVCLASS_MODEM, records);
    return records;
}

// The survey in progress, if any.
const std::vector<PortDescription>* surveyed = nullptr;
std::vector<PortDescription> surveyedPorts;

} // namespace

std::vector<PortDescription> enumeratedPorts()
{
    if (surveyed)
        return *surveyed;
    return describePorts(serialCommEntries(), portDeviceRecords());
}

PortSurvey::PortSurvey() : outermost(surveyed == nullptr)
{
    if (!outermost)
        return;
    surveyedPorts = enumeratedPorts();
    surveyed = &surveyedPorts;
}

PortSurvey::~PortSurvey()
{
    if (!outermost)
        return;
    surveyed = nullptr;
    surveyedPorts.clear();
}
