#pragma once

#include "ports/port_descriptions.h"

// Windows only: the ports present now, from SERIALCOMM and SetupAPI, or from
// the PortSurvey that lives (port_names.h).
std::vector<PortDescription> enumeratedPorts();
