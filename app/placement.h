#pragma once

class QWidget;

// Moves a top-level window so that its frame is centred on the primary screen.
void centerOnScreen(QWidget& window);
