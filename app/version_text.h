#pragma once

#include <QString>

// A version as the user sees it: the shortest general decimal form with up to
// 15 significant digits and the user's decimal separator (3.58, 3.5, 3).
QString versionText(double version);

// The form used by the window caption: a three-character text gets a "0"
// appended, so 3.5 reads 3.50.
QString captionVersionText(double version);
