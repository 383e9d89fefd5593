#pragma once

#include <QApplication>
#include <QWidget>

// Finding the windows and controls a test drives, by class and by object name.

// The visible top-level window of that class, or nullptr.
template <typename T>
T* Visible()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* t = qobject_cast<T*>(w); t && t->isVisible())
            return t;
    }
    return nullptr;
}

// The control of that object name in a window; a warning names it when it is missing.
template <typename T>
T* Enfant(QWidget* parent, const char* nom)
{
    T* w = parent ? parent->findChild<T*>(QString::fromLatin1(nom)) : nullptr;
    if (!w)
        qWarning("contrôle introuvable : %s", nom);
    return w;
}
