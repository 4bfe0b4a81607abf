#pragma once

#include "common/general_exception.h"
#include "image/builtin_image.h"
#include "job/job_info.h"
#include "link/serial_port.h"
#include "sim/instrument.h"
#include "tests/support/port_mapping.h"
#include "tests/support/recording_frontend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

// A simulated instrument on COM3 whose bootloader has been caught, as the
// Connect command leaves it before a run.
class SimulatedRun : public ::testing::Test {
protected:
    static constexpr int port = 3;

    void start(sim::Config config = {})
    {
        instrument = std::make_unique<sim::Instrument>(std::move(config));
        mapping = std::make_unique<ScopedPortMapping>(port, instrument->devicePath());
        catchBootloader();
        handlesBefore = handlesToInstrument();
    }

    // Starts with a flash that holds a recognisable pattern instead of being erased.
    void startWithPatternedFlash(sim::Config config = {})
    {
        patternFile = std::filesystem::temp_directory_path() / ("veltor-job-flash-" + std::to_string(getpid()));
        std::ofstream(patternFile, std::ios::binary)
            .write(reinterpret_cast<const char*>(pattern().data()), static_cast<std::streamsize>(pattern().size()));
        config.initialFlashFile = patternFile.string();
        start(std::move(config));
    }

    ~SimulatedRun() override
    {
        if (!patternFile.empty()) {
            std::error_code ignored;
            std::filesystem::remove(patternFile, ignored);
        }
    }

    static const std::vector<std::uint8_t>& pattern()
    {
        static const std::vector<std::uint8_t> bytes = [] {
            std::vector<std::uint8_t> result(4096);
            for (std::size_t i = 0; i < result.size(); ++i)
                result[i] = static_cast<std::uint8_t>(i * 7 + 3);
            return result;
        }();
        return bytes;
    }

    // Runs the job and returns its message ("" when it succeeded).
    std::string run(JobInfo& job, int portNumber = port)
    {
        try {
            job.runJob(portNumber);
        } catch (const GeneralException& failure) {
            return failure.message();
        }
        return "";
    }

    bool flashHoldsPattern() const
    {
        const std::vector<std::uint8_t> flash = instrument->flash();
        return std::equal(pattern().begin(), pattern().end(), flash.begin());
    }

    bool flashHoldsImage() const
    {
        const std::vector<std::uint8_t> flash = instrument->flash();
        return std::equal(builtinFirmwareImage, builtinFirmwareImage + builtinFirmwareLength, flash.begin());
    }

    // The port is closed again: this process holds no more descriptors of the
    // line than before the run, and the port opens anew.
    void expectPortReleased(bool lineStillThere = true)
    {
        for (int descriptor : handlesToInstrument())
            EXPECT_TRUE(handlesBefore.count(descriptor)) << "descriptor " << descriptor << " of the port is still open";
        if (lineStillThere) {
            SerialPort again(port, 5);
            EXPECT_NO_THROW(again.openPort());
        }
    }

    std::unique_ptr<sim::Instrument> instrument;
    RecordingFrontend frontend;

private:
    // What the Connect command does first: the probe, answered with 'B'.
    void catchBootloader()
    {
        SerialPort line(port, 5);
        line.openPort();
        for (int attempt = 0; attempt < 50; ++attempt) {
            line.writeByte(']');
            line.writeByte('[');
            line.purgeTransmit();
            if (line.pollByte(std::time(nullptr)) == 'B')
                break;
        }
        line.closePort();
        ASSERT_TRUE(instrument->inBootloader());
        frontend.events.clear();
    }

    // The descriptors of this process that lead to the line (the simulator
    // keeps one of its own while the line is up).
    std::set<int> handlesToInstrument() const
    {
        std::set<int> descriptors;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
            std::error_code ignored;
            if (std::filesystem::read_symlink(entry.path(), ignored) == instrument->devicePath())
                descriptors.insert(std::stoi(entry.path().filename().string()));
        }
        return descriptors;
    }

    std::unique_ptr<ScopedPortMapping> mapping;
    std::filesystem::path patternFile;
    std::set<int> handlesBefore;
};
