#include "image/builtin_image.h"

#include "common/general_exception.h"
#include "image/sha256.h"

namespace {

class EmbeddedBytes final : public BuiltinImageBytes {
public:
    std::span<const std::uint8_t> bytes() override { return builtinFirmwareImage; }
};

} // namespace

template <>
BuiltinImageBytes& Seam<BuiltinImageBytes>::real()
{
    static EmbeddedBytes embedded;
    return embedded;
}

void requireIntactBuiltinImage()
{
    if (sha256Hex(builtinImageBytes()) == builtinFirmwareSha256)
        return;
    throw ImageDamagedException(
        "Вбудований образ мікропрограми пошкоджений: його контрольна сума SHA-256 не збігається з обчисленою "
        "при збірці. Прилад не стерто, нічого не записано. Встановіть VELTOR Update заново.");
}
