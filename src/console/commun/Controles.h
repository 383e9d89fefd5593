#pragma once

#include <QColor>
#include <QDate>
#include <QFont>
#include <QPalette>
#include <QString>
#include <utility>

// A control created with its object name, by which the tests and the rest of the window find it.
template <typename T, typename... Arguments>
T* Controle(const QString& nom, Arguments&&... arguments)
{
    auto* controle = new T(std::forward<Arguments>(arguments)...);
    controle->setObjectName(nom);
    return controle;
}

// Text that stands out: bold, and written in that colour when one is given (window titles,
// outcomes shown in green or red).
template <typename T>
T* EnGras(T* controle, const QColor& couleur = QColor())
{
    QFont gras = controle->font();
    gras.setBold(true);
    controle->setFont(gras);
    if (couleur.isValid()) {
        QPalette palette = controle->palette();
        palette.setColor(QPalette::WindowText, couleur);
        controle->setPalette(palette);
    }
    return controle;
}

// Stored dates are YYYY-MM-DD; people read dd/MM/yyyy whatever the system's language.
inline QString DateAffichee(const QString& stockee)
{
    const QDate date = QDate::fromString(stockee, Qt::ISODate);
    return date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : stockee;
}
