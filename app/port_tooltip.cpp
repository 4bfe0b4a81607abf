#include "app/port_tooltip.h"

#include "ports/adapter_info.h"
#include "ports/port_holders.h"
#include "ports/port_names.h"

QString portToolTip(int portNumber, const std::error_code& openFailure)
{
    const std::string device = portDevicePath(portNumber);
    QString text = QString::fromStdString(device);
    if (const std::optional<AdapterName> adapter = adapterName(device))
        text += u'\n' + QString::fromStdString(adapter->stablePath) + u'\n' +
                QString::fromStdString(adapter->description);
    if (const std::optional<AdapterDriver> driver = adapterDriver(device))
        text += u'\n' + QString::fromStdString(adapterDriverText(*driver));
    if (isBluetoothLink(device))
        text += u'\n' + QString::fromUtf8(bluetoothLinkText);
    if (const std::vector<PortHolder> holders = portHolders(device); !holders.empty())
        text += QStringLiteral("\nзайнятий: ") + QString::fromStdString(holdersText(holders));
    else if (heldByAnotherProgram(openFailure))
        text += u'\n' + QString::fromUtf8(anotherProgramHoldsText());
    return text;
}
