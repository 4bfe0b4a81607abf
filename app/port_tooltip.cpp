#include "app/port_tooltip.h"

#include "ports/port_holders.h"

QString portToolTip(const ResolvedPort& port, const std::error_code& openFailure)
{
    QString text = QString::fromStdString(port.device);
    if (port.adapter)
        text += u'\n' + QString::fromStdString(port.adapter->stablePath) + u'\n' +
                QString::fromStdString(port.adapter->description);
    if (port.driver)
        text += u'\n' + QString::fromStdString(adapterDriverText(*port.driver));
    if (port.bluetooth)
        text += u'\n' + QString::fromUtf8(bluetoothLinkText);
    if (const std::vector<PortHolder> holders = portHolders(port.device); !holders.empty())
        text += QStringLiteral("\nзайнятий: ") + QString::fromStdString(holdersText(holders));
    else if (heldByAnotherProgram(openFailure))
        text += u'\n' + QString::fromUtf8(anotherProgramHoldsText());
    return text;
}
