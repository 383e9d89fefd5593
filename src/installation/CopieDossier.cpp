#include "CopieDossier.h"

#include "core/CopieFichier.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <QVector>

namespace CopieDossier {

namespace {

class Copie : public QObject
{
public:
    Copie(QObject* contexte, std::function<void(bool, const QString&)> fin) : QObject(contexte), m_fin(std::move(fin))
    {
    }

    // Creates the folders and lists the files to copy; what cannot be done is remembered.
    void Preparer(const QString& source, const QString& destination)
    {
        if (!QFileInfo(source).isDir()) {
            echec(QStringLiteral("dossier introuvable : ") + source);
            return;
        }
        if (!QDir().mkpath(destination)) {
            echec(QStringLiteral("dossier impossible à créer : ") + destination);
            return;
        }
        const QFileInfoList contenu
            = QDir(source).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo& info : contenu) {
            const QString cible = QDir(destination).filePath(info.fileName());
            if (info.isSymLink())
                continue;
            if (info.isDir()) {
                Preparer(info.filePath(), cible);
                continue;
            }
            const QFileInfo existant(cible);
            if (existant.isDir() && !existant.isSymLink()) {
                echec(QStringLiteral("un dossier porte le nom du fichier ") + cible);
                continue;
            }
            m_fichiers.append({info.filePath(), cible, info.permissions()});
        }
    }

    void Suivant()
    {
        if (m_fichiers.isEmpty()) {
            auto fin = std::move(m_fin);
            deleteLater();
            fin(m_erreur.isEmpty(), m_erreur);
            return;
        }
        const Fichier f = m_fichiers.takeFirst();
        auto* copie = new CopieFichier(f.source, f.cible, this);
        copie->Demarrer([this, copie, f](bool reussie, const QString& raison) {
            copie->deleteLater();
            if (!reussie)
                echec(QStringLiteral("copie impossible de ") + f.source + QStringLiteral(" : ") + raison);
            else
                QFile::setPermissions(f.cible, f.permissions);
            Suivant();
        });
    }

private:
    struct Fichier
    {
        QString source;
        QString cible;
        QFileDevice::Permissions permissions;
    };

    void echec(const QString& texte)
    {
        if (m_erreur.isEmpty())
            m_erreur = texte;
    }

    QVector<Fichier> m_fichiers;
    QString m_erreur;
    std::function<void(bool, const QString&)> m_fin;
};

} // namespace

void Copier(const QString& source, const QString& destination, QObject* contexte,
            std::function<void(bool, const QString&)> fin)
{
    auto* copie = new Copie(contexte, std::move(fin));
    copie->Preparer(source, destination);
    QTimer::singleShot(0, copie, [copie] { copie->Suivant(); });
}

} // namespace CopieDossier
