#pragma once

class QWidget;

// Moves a top-level window so that its frame is centred on the primary screen.
void centerOnScreen(QWidget& window);

// Centres the window once more when the window manager has framed it: until
// then only its client area is known, and a centred client area leaves the
// frame lower by the height of the title bar.
void centreOnceFramed(QWidget& window);
