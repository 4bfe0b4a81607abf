#pragma once

#include <string>

// Who may use a device, as the system's file status tells it.
struct DeviceAccess {
    std::string path;
    std::string owner;      // user name, or the number when it has none
    std::string group;      // group name, or the number when it has none
    unsigned mode = 0;      // permission bits (0777 part of st_mode)
};

// What to tell a user who may not open the device. Joining the device's group
// is advised only where that gives read and write access and the group is not
// root's; otherwise the owner and the mode are told, for an administrator.
std::string permissionAdvice(const DeviceAccess& access);

// "rw-rw----"
std::string permissionText(unsigned mode);
