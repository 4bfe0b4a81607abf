#include "session/instrument_session.h"

#include "tests/link/bootloader_test_channel.h"
#include "tests/support/recording_frontend.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Logs the steps; queues the bootloader's answers to the queries once the
// handshake (which throws away what came before) is over.
struct StepLog final : session::StepObserver {
    void started(RunStep step, const session::Connection&) override
    {
        entries.push_back(std::string("+") + stepRecordName(step));
    }
    void finished(RunStep step, const session::Connection&) override
    {
        entries.push_back(std::string("-") + stepRecordName(step));
        if (step == RunStep::Handshake && line)
            line->reply(answers);
    }
    std::vector<std::string> entries;
    BootloaderChannel* line = nullptr;
    std::vector<std::uint8_t> answers;   // to 'V', 'v' and 's' in the order asked
};

TEST(SessionConnect, VersionsFollowTheBootloadersAbilityAndTheSignatureAMatchedIdentifier)
{
    const struct {
        const char* identifier;
        std::initializer_list<std::uint8_t> answers;   // after the identifier
        bool askSignature;
        bool matched;
        std::int32_t software;
        std::int32_t firmware;
        bool assumed;
        std::vector<std::uint8_t> queries;             // what was asked after 'S'
        std::vector<std::string> steps;
    } cases[] = {
        {"AVRBOOT", {2, 10, 3, 58}, false, true, 210, 358, false, {'V', 'v'},
         {"+handshake", "-handshake", "+versions", "-versions"}},
        {"AVRBOOT", {2, 109}, false, true, 209, 300, true, {'V'},
         {"+handshake", "-handshake", "+versions", "-versions"}},
        {"AVRBOOT", {2, 10, 3, 57, 0x02, 0x97, 0x1E}, true, true, 210, 357, false, {'V', 'v', 's'},
         {"+handshake", "-handshake", "+versions", "-versions", "+signature", "-signature"}},
        {"BOOTAVR", {1, 5}, true, false, 150, 300, true, {'V'},
         {"+handshake", "-handshake", "+versions", "-versions"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.identifier);
        RecordingFrontend screen;
        BootloaderChannel channel;
        channel.identifier = c.identifier;
        channel.probeAnswer = [](int) { return 'B'; };
        StepLog log;
        log.line = &channel;
        log.answers = c.answers;

        const session::Connection connection =
            session::connect(channel, {.readSignature = c.askSignature, .observer = &log});

        EXPECT_EQ(connection.identifier, c.identifier);
        EXPECT_EQ(connection.matched, c.matched);
        ASSERT_TRUE(connection.versions);
        EXPECT_EQ(connection.versions->software, c.software);
        EXPECT_EQ(connection.versions->firmware, c.firmware);
        EXPECT_EQ(connection.versions->firmwareAssumed, c.assumed);
        EXPECT_EQ(connection.signature.has_value(), c.askSignature && c.matched);
        const auto afterIdentify = std::find(channel.sent.begin(), channel.sent.end(), 'S') + 1;
        EXPECT_EQ(std::vector<std::uint8_t>(afterIdentify, channel.sent.end()), c.queries);
        EXPECT_EQ(log.entries, c.steps);
        EXPECT_EQ(screen.phases, std::vector<RunStep>{RunStep::Handshake});
        EXPECT_FALSE(channel.closed);
    }
}

TEST(SessionConnect, AFailedStepRaisesBetweenItsStartAndEnd)
{
    BootloaderChannel channel;
    channel.probeAnswer = [](int) { return 'B'; };
    StepLog log;
    EXPECT_THROW(session::connect(channel, {.readSignature = true, .observer = &log}), TimeoutException);
    EXPECT_EQ(log.entries, (std::vector<std::string>{"+handshake", "-handshake", "+versions"}));
}

TEST(SessionInspectWaiting, ReadsVersionsAndSignatureWithoutTheHandshake)
{
    ScriptedChannel channel;
    channel.reply({3, 0, 3, 58, 0x02, 0x97, 0x1E});
    const session::Connection connection = session::inspectWaiting(channel);
    EXPECT_FALSE(connection.identifier);
    EXPECT_EQ(channel.sent, (std::vector<std::uint8_t>{'V', 'v', 's'}));
    ASSERT_TRUE(connection.signature);
    EXPECT_EQ(*connection.signature, (session::Signature{0x1E, 0x97, 0x02}));
    EXPECT_EQ(connection.versions->firmware, 358);
}

TEST(SessionLeave, SendsTheSingleLeaveByte)
{
    ScriptedChannel channel;
    session::leaveProgramming(channel);
    EXPECT_TRUE(tracesEqual({"w45"}, channel.trace));
}

TEST(SessionOverwrite, AsksFromTheBuiltInVersionOn)
{
    EXPECT_FALSE(session::overwriteNeedsConfirmation(357));
    EXPECT_TRUE(session::overwriteNeedsConfirmation(358));
    EXPECT_TRUE(session::overwriteNeedsConfirmation(359));
    EXPECT_EQ(session::overwriteQuestion("3.6", "3.58"), "Існуючу версію мікропрограми в VELTOR: 3.6\n"
                                                         "Ви замінюєте версією: 3.58\n"
                                                         "Ви впевнені, що хочете переписати версію?");
}

TEST(SessionVersionText, ShowsVersionsWithTwoDecimalsAndAFirmwareNotReadAsSuch)
{
    const struct {
        std::int32_t number;
        const char* text;
    } cases[] = {{358, "3.58"}, {360, "3.60"}, {350, "3.50"}, {300, "3.00"}, {210, "2.10"}, {1, "0.01"},
                 {0, "0.00"}, {25599, "255.99"}};
    for (const auto& c : cases)
        EXPECT_EQ(session::versionText(c.number), c.text) << c.number;
    EXPECT_EQ(session::firmwareVersionText({.software = 150, .firmware = 300, .firmwareAssumed = true}),
              "не прочитано (версія завантажувача нижча за 2.10)");
}

} // namespace
