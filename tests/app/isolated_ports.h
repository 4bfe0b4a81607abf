#pragma once

#include "tests/support/port_mapping.h"

#include <QTemporaryDir>

#include <memory>
#include <vector>

// Points COM1 to COM10 at device names that do not exist, so that no test
// depends on this machine's serial ports. Map a port to a simulator on top of
// it with a ScopedPortMapping of its own.
class IsolatedPorts {
public:
    IsolatedPorts()
    {
        for (int port = 1; port <= 10; ++port) {
            const QString missing = directory.filePath(QStringLiteral("no-port-%1").arg(port));
            mappings.push_back(std::make_unique<ScopedPortMapping>(port, missing.toStdString()));
        }
    }

private:
    QTemporaryDir directory;
    std::vector<std::unique_ptr<ScopedPortMapping>> mappings;
};
