#include "session/instrument_session.h"

#include "common/frontend.h"
#include "image/avr_device.h"
#include "job/job_info.h"
#include "protocol/bootloader_wire.h"
#include "link/bootloader_entry.h"
#include "link/comm_channel.h"
#include "link/round_trip_meter.h"
#include "protocol/avr_bootloader.h"

#include <cstdio>

namespace session {
namespace {

class StepScope {
public:
    StepScope(StepObserver* stepObserver, RunStep currentStep, const Connection& sofar)
        : observer(stepObserver), step(currentStep), connection(sofar)
    {
        if (observer)
            observer->started(step, connection);
    }
    void done()
    {
        if (observer)
            observer->finished(step, connection);
    }

private:
    StepObserver* observer;
    RunStep step;
    const Connection& connection;
};

void readVersionsStep(CommChannel& channel, Connection& connection, StepObserver* observer)
{
    StepScope scope(observer, RunStep::Versions, connection);
    connection.versions = readVersions(channel);
    scope.done();
}

void readSignatureStep(CommChannel& channel, Connection& connection, StepObserver* observer)
{
    StepScope scope(observer, RunStep::Signature, connection);
    AVRBootloader programmer(&channel);
    Signature bytes{};
    if (programmer.getSignature(bytes[0], bytes[1], bytes[2]))
        connection.signature = bytes;
    scope.done();
}

} // namespace

Connection connect(CommChannel& channel, const ConnectOptions& options)
{
    Connection connection;
    {
        StepScope scope(options.observer, RunStep::Handshake, connection);
        frontend::beginPhase(RunStep::Handshake);
        connection.identifier = enterBootloader(&channel);
        connection.matched = *connection.identifier == expectedIdentifier;
        scope.done();
    }
    RoundTripMeter meter(channel);
    readVersionsStep(meter, connection, options.observer);
    if (options.readSignature && connection.matched)
        readSignatureStep(meter, connection, options.observer);
    connection.replyTime = meter.replyTime();
    return connection;
}

Connection inspectWaiting(CommChannel& channel, StepObserver* observer)
{
    Connection connection;
    RoundTripMeter meter(channel);
    readVersionsStep(meter, connection, observer);
    readSignatureStep(meter, connection, observer);
    connection.replyTime = meter.replyTime();
    return connection;
}

Versions readVersions(CommChannel& channel)
{
    Versions versions;
    versions.software = querySoftwareVersion(&channel);
    if (versions.software >= firstSoftwareWithFirmwareQuery) {
        versions.firmware = queryFirmwareVersion(&channel);
    } else {
        versions.firmware = assumedFirmwareVersion;
        versions.firmwareAssumed = true;
    }
    return versions;
}

Signature targetSignature()
{
    AVRDevice device(JobInfo().partName);
    device.loadParameters();
    Signature expected{};
    device.copySignature(&expected[0], &expected[1], &expected[2]);
    return expected;
}

void requireTargetSignature(const Signature& signature)
{
    if (signature != targetSignature())
        throw ReplyException(bootloader::message::signatureMismatch);
}

void leaveProgramming(CommChannel& channel)
{
    channel.writeByte(leaveProgrammingCommand);
}

bool overwriteNeedsConfirmation(std::int32_t previousFirmwareVersion)
{
    return previousFirmwareVersion >= targetVersion;
}

std::string overwriteQuestion(const std::string& previousVersionText, const std::string& targetVersionText)
{
    return "Існуючу версію мікропрограми в VELTOR: " + previousVersionText + "\n" +
           "Ви замінюєте версією: " + targetVersionText + "\n" + "Ви впевнені, що хочете переписати версію?";
}

std::string versionText(std::int32_t versionNumber)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d.%02d", versionNumber / 100, versionNumber % 100);
    return text;
}

std::string firmwareVersionText(const Versions& versions)
{
    if (versions.firmwareAssumed)
        return "не прочитано (версія завантажувача нижча за " + versionText(firstSoftwareWithFirmwareQuery) + ")";
    return versionText(versions.firmware);
}

} // namespace session
