#include "console/parametres/ChoixDossier.h"

#include <QDir>
#include <QFileDialog>

namespace ChoixDossier {

namespace {

std::function<QString(const QString&, const QString&)>& remplacement()
{
    static std::function<QString(const QString&, const QString&)> f;
    return f;
}

} // namespace

QString Demander(QWidget* proprietaire, const QString& titre, const QString& depart)
{
    if (remplacement())
        return remplacement()(titre, depart);
    const QString dossier = QFileDialog::getExistingDirectory(proprietaire, titre, depart, QFileDialog::ShowDirsOnly);
    return dossier.isEmpty() ? QString() : QDir::toNativeSeparators(dossier);
}

void Remplacer(std::function<QString(const QString&, const QString&)> reponse)
{
    remplacement() = std::move(reponse);
}

} // namespace ChoixDossier
