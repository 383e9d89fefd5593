#include "console/PreparationApplication.h"

#include "console/commun/EntreeSurBouton.h"
#include "console/commun/Icones.h"
#include "console/commun/StyleConsole.h"
#include "core/Sortie.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool PreparerApplication()
{
    QApplication::setApplicationName(QStringLiteral("quentaris-serveur"));
    // The user's configuration (the screens' sizes and places) lives under these names.
    QApplication::setOrganizationName(QStringLiteral("QUENTARIS"));
    QApplication::setQuitOnLastWindowClosed(false);
    // Windows that carry no icon of their own (message boxes without a parent, Qt's dialogs)
    // show the server's icon in their title bar and in the panel.
    QApplication::setWindowIcon(Icones::Serveur());
    if (!dynamic_cast<StyleConsole*>(QApplication::style()))
        QApplication::setStyle(new StyleConsole);
    EntreeSurBouton::Installer();
    const QLocale francais(QLocale::French, QLocale::France);
    QLocale::setDefault(francais);

    static QTranslator* traduction = nullptr;
    if (traduction)
        return true;
    auto* qt = new QTranslator(QCoreApplication::instance());
    const QString dossier = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!qt->load(francais, QStringLiteral("qtbase"), QStringLiteral("_"), dossier)) {
        Sortie::Ecrire(QStringLiteral("Traductions françaises de Qt introuvables dans ") + dossier
                       + QStringLiteral(" (paquet qt6-translations-l10n) : les textes de Qt restent en anglais."));
        delete qt;
        return false;
    }
    QCoreApplication::installTranslator(qt);
    traduction = qt;
    return true;
}
