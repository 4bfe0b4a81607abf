#pragma once

// Shows the busy pointer over the whole application for its lifetime; a
// message box opened meanwhile shows the normal pointer again (NormalPointer).
class BusyPointer {
public:
    BusyPointer();
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

// The normal pointer for its lifetime, over whatever override is in force.
class NormalPointer {
public:
    NormalPointer();
    ~NormalPointer();
    NormalPointer(const NormalPointer&) = delete;
    NormalPointer& operator=(const NormalPointer&) = delete;
};
