#include "link/win32_serial_calls.h"

namespace {

class WindowsCalls final : public Win32SerialCalls {
public:
    HANDLE createFile(const std::string& name) override
    {
        return CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    bool getCommTimeouts(HANDLE handle, COMMTIMEOUTS& timeouts) override
    {
        return GetCommTimeouts(handle, &timeouts) != 0;
    }
    bool setCommTimeouts(HANDLE handle, const COMMTIMEOUTS& timeouts) override
    {
        COMMTIMEOUTS copy = timeouts;
        return SetCommTimeouts(handle, &copy) != 0;
    }
    bool getCommState(HANDLE handle, DCB& settings) override { return GetCommState(handle, &settings) != 0; }
    bool setCommState(HANDLE handle, const DCB& settings) override
    {
        DCB copy = settings;
        return SetCommState(handle, &copy) != 0;
    }
    bool readFile(HANDLE handle, void* into, DWORD capacity, DWORD& got) override
    {
        return ReadFile(handle, into, capacity, &got, nullptr) != 0;
    }
    bool writeFile(HANDLE handle, const void* bytes, DWORD count, DWORD& written) override
    {
        return WriteFile(handle, bytes, count, &written, nullptr) != 0;
    }
    bool clearCommError(HANDLE handle, DWORD& errors, COMSTAT& status) override
    {
        return ClearCommError(handle, &errors, &status) != 0;
    }
    bool purgeComm(HANDLE handle, DWORD flags) override { return PurgeComm(handle, flags) != 0; }
    bool closeHandle(HANDLE handle) override { return CloseHandle(handle) != 0; }
    void sleep(DWORD milliseconds) override { Sleep(milliseconds); }
    DWORD lastError() override { return GetLastError(); }
};

} // namespace

template <>
Win32SerialCalls& Seam<Win32SerialCalls>::real()
{
    static WindowsCalls calls;
    return calls;
}
