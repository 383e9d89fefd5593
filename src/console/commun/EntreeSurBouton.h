#pragma once

#include <QObject>

// Return (or Enter) on a push button that has the focus presses that button, in every window of
// the application, as Space does. Without it Return would do nothing in a screen, and in a
// dialog it would press the default button instead of the one the focus is on; the default
// button still answers Return from any other control.
class EntreeSurBouton : public QObject
{
public:
    // Installs the rule on the application, once.
    static void Installer();

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    using QObject::QObject;
};
