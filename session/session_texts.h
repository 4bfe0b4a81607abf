#pragma once

// The texts that every front end shows for the session in the same words.
namespace session {

inline constexpr const char* connectedText = "Зв'язок встановлено...";
inline constexpr const char* notConnectedText = "Зв'язок з VELTOR не встановлено!";
inline constexpr const char* noPortsFoundText = "COM порти не знайдені!";
inline constexpr const char* noPortChosenText = "COM порт не вибраний!";
inline constexpr const char* programFailedText = "Помилка при виконанні програми!";
inline constexpr const char* previousVersionCaption = "Попередня версія VELTOR:";
// Shown for the firmware of an instrument whose bootloader cannot report it.
inline constexpr const char* assumedFirmwareText = "3.00";

} // namespace session
