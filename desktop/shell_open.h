#pragma once

#include <QString>

#include <functional>

class QWidget;

// Hands a document (a file name, looked up from the working directory) or an
// address (with its scheme) to the program that the desktop associates with
// it, like the shell's "open" verb. The result follows the shell's codes: above
// 32 it was handed on; shellFileNotFound when the file does not exist; anything
// else when no program could take it.
int shellOpen(QWidget* owner, const QString& target);

inline constexpr int shellFileNotFound = 2;
inline constexpr int shellNoAssociation = 31;
inline constexpr int shellOpened = 33;

inline bool shellSucceeded(int result) { return result > 32; }

// The windows call the shell through this, so that tests can stand in for it.
using ShellOpener = std::function<int(QWidget* owner, const QString& target)>;
