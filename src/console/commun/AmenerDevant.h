#pragma once

class QWidget;

// Shows a screen and brings it in front of the others, as the person left it: a minimised
// screen is restored to its former size (maximised stays maximised).
void AmenerDevant(QWidget* fenetre);
