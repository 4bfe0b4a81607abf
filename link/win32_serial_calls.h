#pragma once

// The Windows calls that SerialPort makes, behind one interface: the real one
// calls Windows, and a test or a benchmark puts a replayed driver in its
// place to see what real drivers and Windows' own timer do, which wine never
// shows. Windows only.

#include "common/seam.h"

#include <string>

#include <windows.h>

class Win32SerialCalls {
public:
    Win32SerialCalls() = default;
    Win32SerialCalls(const Win32SerialCalls&) = delete;
    Win32SerialCalls& operator=(const Win32SerialCalls&) = delete;
    virtual ~Win32SerialCalls() = default;

    // CreateFileA for reading and writing, exclusive, synchronous, existing only.
    virtual HANDLE createFile(const std::string& name) = 0;
    virtual bool getCommTimeouts(HANDLE handle, COMMTIMEOUTS& timeouts) = 0;
    virtual bool setCommTimeouts(HANDLE handle, const COMMTIMEOUTS& timeouts) = 0;
    virtual bool getCommState(HANDLE handle, DCB& settings) = 0;
    virtual bool setCommState(HANDLE handle, const DCB& settings) = 0;
    virtual bool readFile(HANDLE handle, void* into, DWORD capacity, DWORD& got) = 0;
    virtual bool writeFile(HANDLE handle, const void* bytes, DWORD count, DWORD& written) = 0;
    virtual bool clearCommError(HANDLE handle, DWORD& errors, COMSTAT& status) = 0;
    virtual bool purgeComm(HANDLE handle, DWORD flags) = 0;
    virtual bool closeHandle(HANDLE handle) = 0;
    virtual void sleep(DWORD milliseconds) = 0;
    // GetLastError, right after a call that failed.
    virtual DWORD lastError() = 0;
};

template <>
Win32SerialCalls& Seam<Win32SerialCalls>::real();

// The calls in use: Windows' own unless a ScopedWin32SerialCalls says otherwise.
inline Win32SerialCalls& win32SerialCalls()
{
    return Seam<Win32SerialCalls>::get();
}

using ScopedWin32SerialCalls = Seam<Win32SerialCalls>::Scoped;
