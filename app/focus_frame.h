#pragma once

class QWidget;

// Draws a dotted focus frame on whichever button of the window has the
// keyboard focus, whether the focus came from the keyboard or a click, so that
// the technician always sees which button Enter or Space would press.
void showFocusOnEveryButton(QWidget& window);
