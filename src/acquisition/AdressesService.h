#pragma once

#include <QString>

// Addresses of the maker's update service, and the local names taken from them. `base` is
// the service's base address without a trailing slash.
namespace AdressesService {

// Percent-encoding of a query value: UTF-8, every byte outside letters, digits and "-._~".
QString Encoder(const QString& valeur);

QString VerificationCompte(const QString& base, const QString& utilisateur, const QString& motDePasse);
QString Version(const QString& base, const QString& utilisateur, const QString& motDePasse, const QString& version);
QString Acquittement(const QString& base, const QString& client, const QString& version, const QString& environnement);

// base + "/suivimaj/admin/" + chemin, as announced (backslashes untouched).
QString Fichier(const QString& base, const QString& chemin);

// Documentation of an update: the file's address up to its last "/", then numero + ".pdf".
QString Documentation(const QString& adresseFichier, const QString& numero);

// Every "\" turned into "/".
QString CheminVersUrl(const QString& texte);

// The text after the last "/" (empty when it ends with "/", the whole text when it has none).
QString NomFichierDepuisUrl(const QString& texte);

// A local name can be used inside the update folder: not empty, not "." or "..", not
// absolute, and without a ".." step whichever separator it uses.
bool NomLocalAdmissible(const QString& nom);

} // namespace AdressesService
