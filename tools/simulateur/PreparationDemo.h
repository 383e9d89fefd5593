#pragma once

#include <QString>

// What `make run` needs to show a whole check: a service folder with one workstation update
// and one server update, and a program folder whose settings row uses the demo account.
namespace PreparationDemo {

// Writes catalogue.txt and the update archives (with a documentation file for the first).
bool CreerService(const QString& dossier, QString* erreur);

// Writes settings row 1 of the program folder's donnees.db: every weekday, a check two
// minutes from now, the update folder "maj" of the program folder, the given account.
bool EcrireParametres(const QString& dossierProgramme, const QString& utilisateur, const QString& motDePasse,
                      QString* erreur);

} // namespace PreparationDemo
