#pragma once

// Internal to the protocol layer: the bootloader's frames and the texts its
// failures carry.

#include "common/general_exception.h"
#include "link/comm_channel.h"

#include <cstdint>
#include <initializer_list>

namespace bootloader {

constexpr std::uint8_t carriageReturn = 13;
constexpr std::uint8_t yes = 'Y';

// Flash holds 128 KiB; the EEPROM address goes out in 16 bits.
constexpr std::int64_t flashAddressLimit = 0x20000;
constexpr std::int64_t eepromAddressLimit = 0x10000;

namespace message {
// The protocol letter inside the quotes of the 'A', 'c' and 'C' texts is the
// Cyrillic look-alike that the technician reads; the wire carries ASCII.
inline constexpr const char* eraseFailed =
    "Помилка стирання пам'яті!\n Програматор не повернув CR після команди 'e'.";
inline constexpr const char* signatureMismatch = "Сигнатура НЕ ВІДПОВІДАЄ вибраній мікросхемі!";
inline constexpr const char* flashAddressTooLarge = "Флеш адреса більше за 128k поки не підтримується!";
inline constexpr const char* eepromAddressTooLarge = "EEPROM адреса більше за 64k поки не підтримується!";
inline constexpr const char* flashAddressNegative = "Флеш адреса не може бути від'ємною!";
inline constexpr const char* eepromAddressNegative = "EEPROM адреса не може бути від'ємною!";
inline constexpr const char* eepromByteFailed =
    "Помилка запису байта в EEPROM!\n Програматор не повернув CR після команди 'D'.";
inline constexpr const char* lockBitsFailed =
    "Помилка запису біт захисту!\n Програматор не повернув CR після команди 'l'.";
inline constexpr const char* setAddressFailed =
    "Помилка установки адреси для операції програмування!\n Програматор не повернув CR після команди '\u0410'.";
inline constexpr const char* lowByteFailed =
    "Помилка запису молодшого байту!\n Програматор не повернув CR після команди '\u0441'.";
inline constexpr const char* highByteFailed =
    "Помилка запису старшого байту!\n Програматор не повернув CR після команди '\u0421'.";
inline constexpr const char* pageWriteFailed =
    "Помилка запису сторінки Флеш пам'яті!\n Програматор не повернув CR після команди 'm'.";
// The two flash transfers carry different texts for the same condition: each is shown as it stands.
inline constexpr const char* pageSizeUnsetForWrite = "Розмір сторінки програматора не установлений!";
inline constexpr const char* pageSizeUnsetForRead = "Розмір сторінки програматора не установлениий!";
inline constexpr const char* pageSizeNotPositive = "Розмір сторінки програматора має бути більшим за нуль!";
inline constexpr const char* flashBlockFailed =
    "Помилка запису Флеш блока!\n Програматор не повернув CR після команди 'BxxF'.";
inline constexpr const char* eepromBlockFailed =
    "Помилка запису блока в EEPROM!\n Програматор не повернув CR після команди 'BxxE'.";
inline constexpr const char* blockSizeZero =
    "Помилка розміру блока!\n Програматор повідомив нульовий розмір блока після команди 'b'.";
inline constexpr const char* blockSizeOdd =
    "Помилка розміру блока!\n Програматор повідомив непарний розмір блока для Флеш пам'яті після команди 'b'.";
inline constexpr const char* rangeReversed =
    "Помилка діапазону передачі!\n Початок діапазону більший за його кінець.";
inline constexpr const char* rangeOutsideBuffer =
    "Помилка діапазону передачі!\n Кінець діапазону виходить за межі буфера образу.";
} // namespace message

inline void send(CommChannel& channel, std::initializer_list<int> bytes)
{
    for (int byte : bytes)
        channel.writeByte(byte);
}

// Sends a command with its arguments, purges, and returns the one reply byte.
inline std::uint8_t ask(CommChannel& channel, std::initializer_list<int> bytes)
{
    send(channel, bytes);
    channel.purgeTransmit();
    return channel.readByte();
}

// A command that changes the chip: raises 'failure' unless the reply is CR.
inline void command(CommChannel& channel, std::initializer_list<int> bytes, const char* failure)
{
    if (ask(channel, bytes) != carriageReturn)
        throw ReplyException(failure);
}

inline int highByte(std::int64_t value) { return static_cast<int>((value >> 8) & 0xFF); }
inline int lowByte(std::int64_t value) { return static_cast<int>(value & 0xFF); }

} // namespace bootloader
