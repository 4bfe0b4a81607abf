#pragma once

// Windows only: refuses every open as for a port that is not there, and notes
// the name of each, so that a test sees which ports a probe tried. Nothing
// else is ever asked of it, since no port opens.

#include "link/win32_serial_calls.h"

#include <string>
#include <vector>

class RefusedOpens final : public Win32SerialCalls {
public:
    RefusedOpens() : calls(*this) {}

    std::vector<std::string> opened;

    HANDLE createFile(const std::string& name) override
    {
        opened.push_back(name);
        return INVALID_HANDLE_VALUE;
    }
    DWORD lastError() override { return ERROR_FILE_NOT_FOUND; }

    bool getCommTimeouts(HANDLE, COMMTIMEOUTS&) override { return false; }
    bool setCommTimeouts(HANDLE, const COMMTIMEOUTS&) override { return false; }
    bool getCommState(HANDLE, DCB&) override { return false; }
    bool setCommState(HANDLE, const DCB&) override { return false; }
    bool readFile(HANDLE, void*, DWORD, DWORD&) override { return false; }
    bool writeFile(HANDLE, const void*, DWORD, DWORD&) override { return false; }
    bool clearCommError(HANDLE, DWORD&, COMSTAT&) override { return false; }
    bool purgeComm(HANDLE, DWORD) override { return false; }
    bool closeHandle(HANDLE) override { return false; }
    void sleep(DWORD) override {}

private:
    ScopedWin32SerialCalls calls;
};
