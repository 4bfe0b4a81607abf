#pragma once

class QProgressBar;

// Draws the bar without the style's own animation (moving stripes or a glow).
// Such an animation asks for a repaint on every pass of the event loop, and
// while a command runs the window lets events through many times a second:
// the bar would be painted over and over without moving.
void drawWithoutAnimation(QProgressBar& bar);
