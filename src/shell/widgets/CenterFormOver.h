#pragma once

class QWidget;

// Moves form so that it is centred horizontally over host's window at one third of its height
// (see DialogPlacer::centeredOffset), using the outer sizes of both windows, but never above or
// left of the host window, so its caption stays in reach. A form that is a child widget is
// placed in its parent's coordinates. Does nothing when either is null.
void CenterFormOver(const QWidget* host, QWidget* form);
