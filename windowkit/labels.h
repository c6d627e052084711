// SPDX-License-Identifier: MIT
#pragma once

#include <QLabel>

namespace varnholt {

// A label as both windows lay them out: plain text, wrapped at word boundaries, at a
// fixed place, known to the tests and to screen readers by its object name.
QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry,
    Qt::Alignment alignment = Qt::AlignHCenter | Qt::AlignTop);

// Draws the label's text in black whatever the system's text colour.
void drawInBlack(QLabel* label);

} // namespace varnholt
