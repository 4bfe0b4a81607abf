#include "job/job_info.h"

#include "common/frontend.h"
#include "common/general_exception.h"
#include "image/avr_device.h"
#include "image/builtin_image.h"
#include "image/hex_file.h"
#include "link/serial_port.h"
#include "protocol/avr_bootloader.h"

#include <algorithm>
#include <memory>

namespace {

constexpr std::int32_t notSet = -1;
constexpr std::int32_t receiveTimeoutSeconds = 5;
constexpr std::int32_t erasedByte = 0xFF;
constexpr int successBeepHz = 600;
constexpr int successBeepMs = 100;

// Also turns a programmer's "not supported" (false) into the user's message.
void require(bool holds, const char* message)
{
    if (!holds)
        throw GeneralException(message);
}

// Takes a whole-memory default for an unset end, refuses an end past the memory.
void settleRange(std::int32_t& start, std::int32_t& end, std::int32_t memorySize, const char* tooLargeMessage)
{
    if (end == notSet) {
        start = 0;
        end = memorySize - 1;
    } else if (end >= memorySize) {
        throw GeneralException(tooLargeMessage);
    }
}

// Fits the image buffer and the job's range to each other: refuses disjoint
// ranges, narrows the job's range to the buffer's unless a fill value replaced
// the buffer's content, and gives the buffer the job's range.
void prepareImage(HEXFile& image, std::int32_t fillValue, std::int32_t& start, std::int32_t& end,
                  const char* outOfRangeMessage)
{
    if (fillValue != notSet)
        image.fillAll(fillValue);
    const auto imageStart = static_cast<std::int64_t>(image.rangeStart());
    const auto imageEnd = static_cast<std::int64_t>(image.rangeEnd());
    if (imageStart > end || imageEnd < start)
        throw GeneralException(outOfRangeMessage);
    if (fillValue == notSet) {
        start = static_cast<std::int32_t>(std::max<std::int64_t>(start, imageStart));
        end = static_cast<std::int32_t>(std::min<std::int64_t>(end, imageEnd));
    }
    image.limitRange(static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end));
}

// A fresh buffer already holds the built-in image, so bytes that a read left
// untouched would compare equal. Holding the inverse of the image over the
// range instead, every byte must really have been read back to pass.
void primeReadBack(HEXFile& readBack, const HEXFile& image)
{
    readBack.limitRange(image.rangeStart(), image.rangeEnd());
    for (std::uint32_t address = image.rangeStart(); address <= image.rangeEnd(); ++address)
        readBack.storeByte(address, static_cast<std::uint8_t>(~image.byteAt(address)));
}

// Compares the range byte by byte; the first difference raises with its address.
// With progress, the bar follows the offset into the range and ends at 0.
void compareImages(const HEXFile& image, const HEXFile& readBack, bool showProgress, const char* mismatchMessage)
{
    const std::uint32_t first = image.rangeStart();
    const std::uint32_t last = image.rangeEnd();
    frontend::beginPhase(RunStep::Compare);
    if (showProgress)
        frontend::progress().setMaximum(static_cast<int>(last - first));
    for (std::uint32_t address = first; address <= last; ++address) {
        if (image.byteAt(address) != readBack.byteAt(address)) {
            if (showProgress)
                frontend::progress().setPosition(0);
            throw VerificationException(mismatchMessage, address);
        }
        if (showProgress)
            frontend::progress().setPosition(static_cast<int>(address - first));
    }
    if (showProgress)
        frontend::progress().setPosition(0);
}

void readProtectionAndErase(const JobInfo& job, AVRProgrammer& programmer, const AVRDevice& device)
{
    // The values read are not kept: only whether the programmer could read them.
    std::int32_t value = 0;
    if (job.lockBitsRead)
        require(programmer.getLockBits(value), "Читання бітів захисту не підтримується цим прораматором!");
    if (job.fuseBitsRead) {
        require(device.hasFuseBits(), "Бибрана мікросхема не має fuse бітів!");
        require(programmer.getFuseBits(value), "Читання бітів захисту не підтримується цим прораматором!");
        if (device.hasExtendedFuseBits())
            require(programmer.getExtendedFuseBits(value),
                    "Читання розширених бітів захисту не підтримується цим прораматором!");
    }
    if (!job.chipErase)
        return;
    frontend::beginPhase(RunStep::Erase);
    require(programmer.eraseChip(), "Стирання пам'яті не підтримується цим прораматором!");
}

void programAndVerifyFlash(JobInfo& job, AVRProgrammer& programmer, const AVRDevice& device)
{
    require(!job.flashInputFile.empty(), "Програмування і верифікація неможлива без вибору вхідного файлу!");
    HEXFile image(device.flashSize(), erasedByte);
    prepareImage(image, job.fillValue, job.flashStart, job.flashEnd,
                 "Файл HEX описує дані, що виходять за допустимий діапазон!");
    if (job.flashProgram) {
        frontend::beginPhase(RunStep::Write);
        require(programmer.programFlash(image), "Програмування Flash не підтримується цим програматором!");
    }
    if (!job.flashVerify)
        return;
    HEXFile readBack(device.flashSize(), erasedByte);
    primeReadBack(readBack, image);
    frontend::beginPhase(RunStep::ReadBack);
    require(programmer.fetchFlash(readBack), "Читання Flash не підтримується цим програматором!");
    compareImages(image, readBack, true, "Помилка Верифікації! (Спробуйте ще раз)!");
    frontend::alerts().beep(successBeepHz, successBeepMs);
    frontend::alerts().showNotice("Верифікація успішна!");
}

void programAndVerifyEeprom(JobInfo& job, AVRProgrammer& programmer, const AVRDevice& device)
{
    require(!job.eepromInputFile.empty(), "Програмування і верифікація EEPROM неможлива без вибору вхідного файлу!");
    HEXFile image(device.eepromSize(), erasedByte);
    // The tool carries no EEPROM content: without a fill value the image is a
    // blank (erased) EEPROM rather than the first bytes of the flash firmware.
    image.fillAll(erasedByte);
    prepareImage(image, job.fillValue, job.eepromStart, job.eepromEnd,
                 "HEX фал містить дані, що виходять за допустимий діапазон!");
    if (job.eepromProgram) {
        frontend::beginPhase(RunStep::Write);
        require(programmer.programEeprom(image), "Програмування EEPROM не підтримується цим програматором!");
    }
    if (!job.eepromVerify)
        return;
    HEXFile readBack(device.eepromSize(), erasedByte);
    primeReadBack(readBack, image);
    frontend::beginPhase(RunStep::ReadBack);
    require(programmer.fetchEeprom(readBack), "Читання EEPROM не підтримується цим програматором!");
    compareImages(image, readBack, false, "Помилка Верифікації EEPROM! (Спробуйте ще раз)!");
    frontend::alerts().showNotice("Верифікація EEPROM успішна!");
}

void writeProtectionAndCalibration(const JobInfo& job, AVRProgrammer& programmer, const AVRDevice& device)
{
    if (job.lockBits != notSet)
        require(programmer.setLockBits(job.lockBits), "Запис бітів захисту не підтримується цим програматором!");
    if (job.fuseBits != notSet) {
        require(device.hasFuseBits(), "Вибрана мікросхема не має fuse бітів!");
        require(programmer.setFuseBits(job.fuseBits), "Програмування fuse бітів не підтримується цим програматором!");
    }
    if (job.extendedFuseBits != notSet) {
        require(device.hasExtendedFuseBits(), "Вибрана мікросхема не має розширених fuse бітів!");
        require(programmer.setExtendedFuseBits(job.extendedFuseBits),
                "Програмування розширених fuse бітів не підтримується цим програматором!");
    }
    if (job.osccalFlashAddress != notSet) {
        require(job.osccalValue != notSet, "Значення OSCCAL не визначено!");
        require(programmer.putFlashByte(job.osccalFlashAddress, job.osccalValue),
                "Програмування флеш не підтримується цим програматором!");
    }
    if (job.osccalEepromAddress != notSet) {
        require(job.osccalValue != notSet, "Значення OSCCAL не визначено!");
        require(programmer.putEepromByte(job.osccalEepromAddress, job.osccalValue),
                "Програмування EEPROM не підтримується цим програматором!");
    }
}

} // namespace

void JobInfo::runJob(std::int32_t port)
{
    portNumber = port;

    // Declared in the order they are built, so that leaving this function on
    // any path destroys the device, then the programmer, then the channel
    // (which closes the port).
    std::unique_ptr<SerialPort> channel;
    std::unique_ptr<AVRProgrammer> programmer;
    std::unique_ptr<AVRDevice> device;

    channel = std::make_unique<SerialPort>(portNumber, receiveTimeoutSeconds);
    channel->openPort();
    programmer = std::make_unique<AVRBootloader>(channel.get());
    programmer->beginProgramming();

    checkIdentity(*programmer);

    device = std::make_unique<AVRDevice>(partName);
    device->loadParameters();
    std::int32_t signature0 = 0;
    std::int32_t signature1 = 0;
    std::int32_t signature2 = 0;
    device->copySignature(&signature0, &signature1, &signature2);
    if (programmer->verifySignature(signature0, signature1, signature2))
        runDeviceSteps(*programmer, *device);

    programmer->endProgramming();
    device.reset();
    programmer.reset();
    // Closed explicitly so that a failure to release the port reaches the
    // caller; the destructor would have to keep it to itself.
    channel->closePort();
}

void JobInfo::checkIdentity(AVRProgrammer& programmer)
{
    std::int32_t first = 0;
    std::int32_t second = 0;
    std::int32_t third = 0;
    if (signatureRead)
        require(programmer.getSignature(first, second, third),
                "Зчитана сигнатура не підтримується цим програматором!");
    if (softwareVersionRead)
        require(programmer.getSoftwareVersion(first, second),
                "Зчитана версія приладу не підтримується цим програматором!");
    if (hardwareVersionRead)
        require(programmer.getHardwareVersion(first, second),
                "Зчитана версія приладу не підтримується цим програматором!");
}

void JobInfo::runDeviceSteps(AVRProgrammer& programmer, AVRDevice& device)
{
    programmer.pageSize = device.pageSize();
    settleRange(flashStart, flashEnd, device.flashSize(),
                "Вибраний адресний діапазон більше за допустиму адресу в мікросхемі!");
    settleRange(eepromStart, eepromEnd, device.eepromSize(),
                "Вибраний EEPROM діапазон більше за допустиму адресу в приладі!");
    // Nothing that changes the chip is sent unless the image is the build's.
    if (chipErase || flashProgram)
        requireIntactBuiltinImage();
    readProtectionAndErase(*this, programmer, device);
    if (flashProgram || flashVerify)
        programAndVerifyFlash(*this, programmer, device);
    if (eepromProgram || eepromVerify)
        programAndVerifyEeprom(*this, programmer, device);
    writeProtectionAndCalibration(*this, programmer, device);
}
