#pragma once

#include <QString>
#include <array>
#include <optional>

// The settings row of ParamMajInt (IdParamMajInt 1). Empty columns read as empty texts and
// false flags.
struct Parametres
{
    bool Existe = false;
    qint64 IdParamMajInt = 0;
    std::array<bool, 7> Jours{}; // Lundi .. Dimanche
    QString HeureVerifMaj;
    QString EmplacementMaj;
    QString UtilisateurMaj;
    QString MotDePasseMaj; // enciphered
    bool ProxyActifMaj = false;
    QString AdresseProxyMaj;
    QString PortProxyMaj;
    QString UtilisateurProxyMaj;
    QString MotDePasseProxyMaj; // enciphered
    bool NecessiteAuthProxyMaj = false;

    // The parameters screen has saved this row: a row made by the proxy screen alone holds no
    // check time, update folder or account.
    bool Configures() const
    {
        return Existe && !HeureVerifMaj.isEmpty() && !EmplacementMaj.isEmpty() && !UtilisateurMaj.isEmpty();
    }
};

namespace TableParametres {

// First row of the table, whatever its identifier.
Parametres Lire();

// The row whose IdParamMajInt is 1.
Parametres LireLigne1();

// Same as Lire() and LireLigne1(), but nothing when the table could not be read: a row that
// cannot be read is neither an absent row nor a row of empty settings.
std::optional<Parametres> LireSur();
std::optional<Parametres> LireLigne1Sur();

// Writes the schedule, folder and account into a new row 1.
bool Inserer(const Parametres& p);

// Writes the schedule, folder and account into row 1. Updates of row 1 are false when the
// statement fails or when there is no row 1.
bool MettreAJour(const Parametres& p);

// Writes the six proxy columns into a new row (which gets identifier 1 in an empty table).
bool InsererProxy(const Parametres& p);

// Writes the six proxy columns into row 1.
bool MettreAJourProxy(const Parametres& p);

// Writes the update folder alone into row 1 (once the files have moved there).
bool EnregistrerEmplacement(const QString& emplacement);

} // namespace TableParametres
