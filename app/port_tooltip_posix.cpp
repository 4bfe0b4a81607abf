#include "app/port_tooltip.h"

#include "link/adapter_info.h"
#include "link/port_names.h"

QString portToolTip(int portNumber)
{
    const std::string device = portDevicePath(portNumber);
    QString text = QString::fromStdString(device);
    if (const std::optional<AdapterName> adapter = adapterName(device))
        text += u'\n' + QString::fromStdString(adapter->stablePath) + u'\n' +
                QString::fromStdString(adapter->description);
    if (const std::optional<AdapterDriver> driver = adapterDriver(device))
        text += u'\n' + QString::fromStdString(adapterDriverText(*driver));
    return text;
}
