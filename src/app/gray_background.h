// The grey that marks a control without a function for the attached
// controller.
#pragma once

class QWidget;

// Paints the widget's field and button areas grey; children such as a combo
// box's text field follow.
void PaintGray(QWidget& widget);
