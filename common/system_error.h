#pragma once

#include <cerrno>
#include <system_error>

// An errno value as the cause that a GeneralException carries.
inline std::error_code errnoError(int number)
{
    return {number, std::generic_category()};
}

// The errno that the call just made left behind.
inline std::error_code lastErrnoError()
{
    return errnoError(errno);
}
