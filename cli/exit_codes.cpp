#include "cli/exit_codes.h"

#include "cli/interruption.h"
#include "common/general_exception.h"

ExitCode exitCodeFor(const std::exception& failure)
{
    if (dynamic_cast<const InterruptedException*>(&failure))
        return ExitCode::Interrupted;
    if (dynamic_cast<const PortException*>(&failure))
        return ExitCode::PortFailure;
    if (dynamic_cast<const TimeoutException*>(&failure) || dynamic_cast<const ReplyException*>(&failure))
        return ExitCode::NotAnswering;
    if (dynamic_cast<const VerificationException*>(&failure))
        return ExitCode::VerificationFailed;
    return ExitCode::OtherFailure;
}
