#pragma once

#include <string>

// The device behind COMn (n = 1..10) on this platform. On Windows it is
// "\\.\COMn". On Linux it is the device named by the environment variable
// VELTOR_COMn when that is set and not empty, otherwise the n-th character device that exists
// among /dev/ttyUSB*, then /dev/ttyACM*, then /dev/ttyS* (numeric order within
// each family); an empty text when there is none.
std::string portDevicePath(int portNumber);
