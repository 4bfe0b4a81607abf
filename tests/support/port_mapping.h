#pragma once

#include <cstdlib>
#include <string>

// Points COMn at a device (a simulator's pseudo-terminal) for the lifetime of
// the object through the VELTOR_COMn variable, restoring what was there before.
class ScopedPortMapping {
public:
    ScopedPortMapping(int portNumber, const std::string& device)
        : name("VELTOR_COM" + std::to_string(portNumber))
    {
        if (const char* old = std::getenv(name.c_str())) {
            hadValue = true;
            previous = old;
        }
        setValue(device);
    }
    ~ScopedPortMapping()
    {
        if (hadValue)
            setValue(previous);
        else
            clearValue();
    }
    ScopedPortMapping(const ScopedPortMapping&) = delete;
    ScopedPortMapping& operator=(const ScopedPortMapping&) = delete;

private:
#ifdef _WIN32
    void setValue(const std::string& value) { _putenv_s(name.c_str(), value.c_str()); }
    void clearValue() { _putenv_s(name.c_str(), ""); }
#else
    void setValue(const std::string& value) { setenv(name.c_str(), value.c_str(), 1); }
    void clearValue() { unsetenv(name.c_str()); }
#endif
    std::string name;
    std::string previous;
    bool hadValue = false;
};
