#include "link/line_error.h"

#include <string>

namespace {

class LineErrorCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "serial line"; }

    std::string message(int value) const override
    {
        switch (static_cast<LineError>(value)) {
        case LineError::breakReceived: return "break";
        case LineError::framing: return "framing error";
        case LineError::parity: return "parity error";
        case LineError::overrun: return "overrun";
        case LineError::inputOverflow: return "input buffer overflow";
        }
        return "line error " + std::to_string(value);
    }
};

} // namespace

const std::error_category& lineErrorCategory()
{
    static const LineErrorCategory category;
    return category;
}

std::error_code lineErrorCode(LineError error)
{
    return {static_cast<int>(error), lineErrorCategory()};
}

bool isLineError(const std::error_code& code)
{
    return code.category() == lineErrorCategory();
}
