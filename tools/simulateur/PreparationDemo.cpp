#include "PreparationDemo.h"

#include "core/BaseInterne.h"
#include "core/Chiffrement.h"
#include "core/TableParametres.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <archive.h>
#include <archive_entry.h>

namespace PreparationDemo {

namespace {

struct EntreeZip
{
    QByteArray nom;
    QByteArray contenu;
    int droits = 0644;
};

bool ecrireZip(const QString& chemin, const QList<EntreeZip>& entrees, QString* erreur)
{
    QDir().mkpath(QFileInfo(chemin).absolutePath());
    archive* a = archive_write_new();
    archive_write_set_format_zip(a);
    bool ok = archive_write_open_filename(a, QFile::encodeName(chemin).constData()) == ARCHIVE_OK;
    for (const EntreeZip& e : entrees) {
        if (!ok)
            break;
        archive_entry* entree = archive_entry_new();
        archive_entry_set_pathname(entree, e.nom.constData());
        archive_entry_set_size(entree, e.contenu.size());
        archive_entry_set_filetype(entree, AE_IFREG);
        archive_entry_set_perm(entree, e.droits);
        archive_entry_set_mtime(entree, QDateTime::currentSecsSinceEpoch(), 0);
        ok = archive_write_header(a, entree) == ARCHIVE_OK
            && archive_write_data(a, e.contenu.constData(), static_cast<size_t>(e.contenu.size())) == e.contenu.size();
        archive_entry_free(entree);
    }
    if (!ok)
        *erreur = chemin + QStringLiteral(" : ") + QString::fromLocal8Bit(archive_error_string(a));
    archive_write_close(a);
    archive_write_free(a);
    return ok;
}

bool ecrire(const QString& chemin, const QByteArray& contenu, QString* erreur)
{
    QDir().mkpath(QFileInfo(chemin).absolutePath());
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(contenu) != contenu.size()) {
        *erreur = chemin + QStringLiteral(" : ") + f.errorString();
        return false;
    }
    return true;
}

// The smallest readable PDF: one page with one line of text.
QByteArray documentPdf(const QByteArray& texte)
{
    const QByteArray flux = "BT /F1 18 Tf 72 720 Td (" + texte + ") Tj ET";
    QList<QByteArray> objets = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> "
        ">> >>",
        "<< /Length " + QByteArray::number(flux.size()) + " >>\nstream\n" + flux + "\nendstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    QByteArray pdf = "%PDF-1.4\n";
    QList<int> positions;
    for (int i = 0; i < objets.size(); ++i) {
        positions.append(pdf.size());
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objets.at(i) + "\nendobj\n";
    }
    const int xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objets.size() + 1) + "\n0000000000 65535 f \n";
    for (int p : positions)
        pdf += QByteArray::number(p).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objets.size() + 1) + " /Root 1 0 R >>\nstartxref\n"
        + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

} // namespace

bool CreerService(const QString& dossier, QString* erreur)
{
    const QDir d(dossier);
    QList<EntreeZip> poste;
    poste.append(EntreeZip{"LISEZMOI.txt", "Mise a jour poste 1001 de demonstration.\n"});
    QList<EntreeZip> serveur;
    serveur.append(EntreeZip{"LISEZMOI.txt", "Mise a jour serveur 1002 de demonstration.\n"});
    // The database side of the update: run in each database folder, it records the version
    // in the database file INSTALLMAJ.
    serveur.append(EntreeZip{
        "INSTALLMAJ/LANCEMAJCD",
        "#!/bin/sh\n"
        "# LANCEMAJCD <version folder> <drive> VIDE <database folder>\n"
        "version=$(basename \"$1\")\n"
        "echo \"Mise a jour $version installee le $(date '+%d/%m/%Y %H:%M:%S')\" > \"INSTALLMAJ/$version\"\n",
        0755});
    return ecrire(d.filePath(QStringLiteral("catalogue.txt")),
                  "# numero;chemin;environnement;documentation;serveurNecessaire\n"
                  "1001;majs/poste/MAJ1001.zip;0;1;0\n"
                  "1002;majs/srv/MAJ1002.zip;1;0;0\n",
                  erreur)
        && ecrireZip(d.filePath(QStringLiteral("majs/poste/MAJ1001.zip")), poste, erreur)
        && ecrire(d.filePath(QStringLiteral("majs/poste/1001.pdf")),
                  documentPdf("Mise a jour 1001 : notes de version de demonstration"), erreur)
        && ecrireZip(d.filePath(QStringLiteral("majs/srv/MAJ1002.zip")), serveur, erreur);
}

bool EcrireParametres(const QString& dossierProgramme, const QString& utilisateur, const QString& motDePasse,
                      QString* erreur)
{
    const QDir d(dossierProgramme);
    if (!BaseInterne::Ouvrir(d.filePath(BaseInterne::NomFichier()), erreur))
        return false;
    d.mkpath(QStringLiteral("maj"));
    Parametres p;
    p.Jours = {true, true, true, true, true, true, true};
    p.HeureVerifMaj = QDateTime::currentDateTime().addSecs(120).toString(QStringLiteral("HH:mm"));
    p.EmplacementMaj = d.filePath(QStringLiteral("maj"));
    p.UtilisateurMaj = utilisateur;
    p.MotDePasseMaj = ChiffrementMotDePasse::Chiffrer(motDePasse, ChiffrementMotDePasse::Cle());
    const bool ok
        = TableParametres::LireLigne1().Existe ? TableParametres::MettreAJour(p) : TableParametres::Inserer(p);
    if (!ok)
        *erreur = QStringLiteral("la ligne de paramètres n'a pas pu être écrite");
    BaseInterne::Fermer();
    return ok;
}

} // namespace PreparationDemo
