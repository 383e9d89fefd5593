#pragma once

#include <QString>
#include <functional>

class QWidget;

// The system's folder browser. Tests preset the answer instead of opening a window.
namespace ChoixDossier {

// The chosen folder, or the empty text when the person cancelled.
QString Demander(QWidget* proprietaire, const QString& titre, const QString& depart);

// From now on `reponse` answers in place of the browser (an empty function restores it).
void Remplacer(std::function<QString(const QString& titre, const QString& depart)> reponse);

} // namespace ChoixDossier
